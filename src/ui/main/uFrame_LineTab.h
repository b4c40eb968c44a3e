#pragma once
// One 1-Wire line: a caption with the line state and the line's 20 channel boxes.
#include "ChannelData.h"

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QList>
#include <QToolButton>

class TFrame_SensorBox;

namespace pellix {
// The caption's background: hot-light normally, red on a line fault.
inline const QColor HotLight{0, 102, 204};
inline const QColor LineFaultRed{210, 0, 0};
}  // namespace pellix

class TFrame_LineTab : public QFrame {
  Q_OBJECT
 public:
  static constexpr int BoxCount = 20;

  explicit TFrame_LineTab(QWidget* parent = nullptr);

  // The creation counter gives each view its line number; a test that builds a second
  // main window starts it again.
  static void ResetCreationCounter();

  QLabel* Label_Caption;
  QToolButton* SpeedButton_AddNew;

  int LineNumber = 0;
  QString LineName;
  QList<TFrame_SensorBox*> Boxes;

  void SetAddNewMode(bool on);
  void ClearDescriptions();
  void ShowDescriptions(bool show);
  void ApplyDescriptions(const TDynamicBackupArray& records);
  void ExportDescriptions(TDynamicBackupArray& records) const;
  void CollectRecords(TDynamicLogArray& records) const;
  void ShowLineState(int state);
  void ResetLine();
  void AppendBoxes(QList<TFrame_SensorBox*>& list) const;
  void SpeedButton_AddNewClick();
  void Frame_SensorBox1SpeedButton_DescrSwitchClick();

  // The colour the caption and the boxes stand on.
  QColor BackgroundColour() const;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  void SetBackground(const QColor& c);

  QColor background_;
};
