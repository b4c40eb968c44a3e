#pragma once
// The traffic monitor: one row per frame on the line, newest at the bottom. It listens
// to the engine only while it is shown.
#include "TrafficLog.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <unordered_map>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;
class TKomunikator;

namespace pellix::monitor {

// The rows a view shows: sequence numbers of the log's frames, all or only the bad ones.
class TrafficModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TrafficModel(const TrafficLog& log, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Takes the frames that came since the last call and lets go of those the ring dropped.
  void Refresh();
  // Shows everything the log holds again (after Clear, or with the filter changed).
  void Rebuild();
  void SetErrorsOnly(bool on);
  bool ErrorsOnly() const { return errorsOnly_; }
  // The texts of a shown row.
  RowTexts Row(int row) const;

 private:
  const RowTexts& Texts(uint64_t sequence) const;
  bool Shows(uint64_t sequence) const;

  const TrafficLog& log_;
  std::vector<uint64_t> rows_;
  uint64_t seen_ = 0;  // the next sequence number not yet looked at
  bool errorsOnly_ = false;
  // Texts are made for the rows painted, and kept for a while: a repaint asks again.
  mutable std::unordered_map<uint64_t, RowTexts> cache_;
};

class TrafficMonitorWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int RefreshMs = 500;

  // engine: the communicator it listens to while shown (not owned).
  explicit TrafficMonitorWindow(TKomunikator* engine, QWidget* parent = nullptr);
  ~TrafficMonitorWindow() override;

  TrafficLog& Log() { return log_; }
  TrafficModel& Model() { return model_; }
  // The engine it listens to now; the main window hands it to the upgrade window.
  IFrameObserver* Observer() { return attached_ ? &log_ : nullptr; }

  QPushButton* Button_Pause;
  QPushButton* Button_Clear;
  QCheckBox* CheckBox_ErrorsOnly;
  QPushButton* Button_Copy;
  QPushButton* Button_Save;
  QLabel* Label_Dropped;
  QTableView* Grid_Frames;

  void Button_PauseClick();
  void Button_ClearClick();
  void CheckBox_ErrorsOnlyClick();
  void Button_CopyClick();
  void Button_SaveClick();
  // Brings the view up to the log now (the timer does it a little later).
  void RefreshView();
  // The shown rows as the text file holds them.
  QString ShownText() const;

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void Attach(bool on);
  void ShowDropped();

  TKomunikator* engine_;
  TrafficLog log_;
  TrafficModel model_;
  QTimer* refresh_;
  bool attached_ = false;
};

}  // namespace pellix::monitor
