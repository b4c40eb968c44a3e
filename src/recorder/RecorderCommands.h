#pragma once
// The Recorder menu: start and stop logging, the sampling tick and the options window.
// Each command takes what it works on, so the main window's handlers are one call each.
#include "ChannelData.h"
#include "FileRecorder.h"
#include "Prompts.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QTimer;

namespace pellix {

// What the recorder uses of the main window.
struct RecorderLinks {
  std::function<bool()> IsConnected;
  std::function<bool()> TimeoutShown;
  // Every channel block has been read since the connect: before that the boxes hold
  // nothing of this connection, and a sample would be a row of empty fields.
  std::function<bool()> ChannelsRead;
  // Append the 40 channel records / descriptions records, LINE 1's then LINE 2's.
  std::function<void(TDynamicLogArray&)> CollectRecords;
  std::function<void(TDynamicBackupArray&)> ExportDescriptions;
  QTimer* Timer = nullptr;  // its running state means "logging"
  QAction* StartItem = nullptr;
  QAction* StopItem = nullptr;
  QLabel* StatusPanel = nullptr;
  // The window's save dialog, set up for the log when logging starts; a dialog of the
  // recorder's own when null.
  FileDialogSpec* SaveDialog = nullptr;
  // Where LogFile.csv goes when the chosen file cannot be created; the user's data folder
  // when empty.
  QString FallbackFolder;
  std::function<QDateTime()> Clock = &QDateTime::currentDateTime;
};

// The log that runs on a recorder timer: it lives on the timer, so the window needs no
// member for it and the file closes when the timer goes.
class RecorderSession : public QObject {
  Q_OBJECT
 public:
  // The session of this timer, created on first use.
  static RecorderSession& Of(QTimer* timer);
  // Null when the timer never had one.
  static RecorderSession* Find(const QTimer* timer);

  std::unique_ptr<TCSVFileRecorder> Writer;  // only while logging
  int SampleCounter = 0;
  RecorderTimerPlan Plan;
  int TicksToSample = 0;  // timer ticks until the next sample

 private:
  explicit RecorderSession(QTimer* timer);
};

// Filter, extension and an empty file name for the log; the title stays.
void PrepareLogSaveDialog(FileDialogSpec& dialog);

// Start Logging: choose the file, write the header, start the timer and take the first
// sample at once. A file that cannot be written is reported and nothing keeps running.
void StartLoggingCommand(const RecorderLinks& links);
// Stop Logging: stops the timer and closes the file.
void StopLoggingCommand(const RecorderLinks& links);
// The timer's tick: one data row unless disconnected, the link shows a timeout or the
// channels have not all been read since the connect.
void RecorderTimerTick(const RecorderLinks& links);
// Recorder Options: the options window, modally.
void RecordOptionsCommand();

}  // namespace pellix
