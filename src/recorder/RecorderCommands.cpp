#include "RecorderCommands.h"

#include "CheckFileName.h"
#include "InOutError.h"
#include "QtPrompts.h"
#include "uFrm_RecSettings.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace pellix {
namespace {

const QString SessionName = QStringLiteral("RecorderSession");

void SetPanel(const RecorderLinks& links, const QString& text) {
  if (!links.StatusPanel) return;
  links.StatusPanel->setText(text);
  links.StatusPanel->setToolTip(text);  // a long log path does not fit the panel
}

bool Connected(const RecorderLinks& links) { return links.IsConnected && links.IsConnected(); }

bool Sampling(const RecorderLinks& links) {
  if (!Connected(links) || (links.TimeoutShown && links.TimeoutShown())) return false;
  return !links.ChannelsRead || links.ChannelsRead();
}

// "Logging..." and its sample count, and where the log goes when it is not the file the
// operator chose.
QString LoggingText(const RecorderSession& session, const QString& counted) {
  QString text = QStringLiteral("Logging...") + counted;
  if (session.Writer && session.Writer->UsesFallback())
    text += QStringLiteral(" to ") + session.Writer->FileName();
  return text;
}

// Back to Ready (connected) or Idle: no timer, no file.
void EndLogging(const RecorderLinks& links) {
  if (links.StopItem) links.StopItem->setEnabled(false);
  if (links.StartItem && Connected(links)) links.StartItem->setEnabled(true);
  if (links.Timer) {
    links.Timer->stop();
    RecorderSession::Of(links.Timer).Writer.reset();
  }
}

// A log that cannot be written stops before the operator is told, so that no tick runs
// into the same failure while the message is open.
void FailLogging(const RecorderLinks& links, const InOutError& error) {
  EndLogging(links);
  SetPanel(links, QStringLiteral("Logging stopped."));
  prompts().error(QString::fromLocal8Bit(error.what()));
}

}  // namespace

RecorderSession::RecorderSession(QTimer* timer) : QObject(timer) { setObjectName(SessionName); }

RecorderSession& RecorderSession::Of(QTimer* timer) {
  if (RecorderSession* session = Find(timer)) return *session;
  return *new RecorderSession(timer);
}

RecorderSession* RecorderSession::Find(const QTimer* timer) {
  return timer->findChild<RecorderSession*>(SessionName, Qt::FindDirectChildrenOnly);
}

void PrepareLogSaveDialog(FileDialogSpec& dialog) {
  dialog.filter = QStringLiteral("CSV text files (*.csv)|*.CSV");
  dialog.defaultExtension = QStringLiteral("csv");
}

void StartLoggingCommand(const RecorderLinks& links) {
  RecorderSession& session = RecorderSession::Of(links.Timer);
  if (session.Writer || links.Timer->isActive()) return;  // already logging

  FileDialogSpec ownDialog{QStringLiteral("Save to File"), {}, {}, {}};
  FileDialogSpec& dialog = links.SaveDialog ? *links.SaveDialog : ownDialog;
  PrepareLogSaveDialog(dialog);
  const QString fileName = AskSaveFileName(dialog);
  if (fileName.isEmpty()) return;

  if (links.StartItem) links.StartItem->setEnabled(false);
  if (links.StopItem) links.StopItem->setEnabled(true);
  try {
    session.Writer = std::make_unique<TCSVFileRecorder>(fileName, false, links.FallbackFolder);
    TDynamicBackupArray channels;
    if (links.ExportDescriptions) links.ExportDescriptions(channels);
    const QList<QStringList> channelRows = LogChannelRows(channels);
    QStringList texts;
    for (const QStringList& row : channelRows) texts += row;
    // A description the code page cannot hold makes the whole log UTF-8 rather than lose it.
    session.Writer->SetEncoding(TextFileEncoding::For(texts, session.Writer->Encoding().Page));
    for (const QStringList& row : LogTitleRows()) session.Writer->WriteRowPadded(row, LogFieldCount);
    for (const QStringList& row : channelRows) session.Writer->WriteRow(row);
  } catch (const InOutError& e) {
    FailLogging(links, e);
    return;
  }

  session.SampleCounter = 0;
  session.Plan = PlanRecorderTimer(RecorderOptions().Period());
  session.TicksToSample = 1;
  links.Timer->setInterval(session.Plan.IntervalMs);
  links.Timer->start();
  SetPanel(links, LoggingText(session, {}));
  RecorderTimerTick(links);
}

void StopLoggingCommand(const RecorderLinks& links) {
  EndLogging(links);
  SetPanel(links, QStringLiteral("Logging stopped."));
}

void RecorderTimerTick(const RecorderLinks& links) {
  RecorderSession* session = RecorderSession::Find(links.Timer);
  if (!session || !session->Writer) return;
  // A period longer than one timer interval runs over several ticks.
  if (--session->TicksToSample > 0) return;
  session->TicksToSample = session->Plan.TicksPerSample;

  if (!Sampling(links)) return;
  TDynamicLogArray records;
  if (links.CollectRecords) links.CollectRecords(records);
  try {
    session->Writer->WriteRow(
        LogSampleRow(links.Clock ? links.Clock() : QDateTime::currentDateTime(), records));
  } catch (const InOutError& e) {
    FailLogging(links, e);
    return;
  }
  SetPanel(links, LoggingText(*session, QStringLiteral(" (%1)").arg(session->SampleCounter)));
  ++session->SampleCounter;
}

void RecordOptionsCommand() {
  TForm_RecSettings& window = RecorderOptions();
  // The application owns it; the window manager keeps it over the window the operator
  // works in, or a modal window could open behind the main window.
  if (const QWidget* owner = PromptParent()) {
    window.winId();
    window.windowHandle()->setTransientParent(owner->windowHandle());
  }
  window.exec();
}

}  // namespace pellix
