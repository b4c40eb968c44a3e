#pragma once
// One channel of the gateway: number, ROM code or description, five values, status.
#include "ChannelData.h"

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QToolButton>
#include <array>
#include <functional>
#include <optional>

class QMouseEvent;

namespace pellix {

// A label that reports a left click. A text wider than the label is drawn elided, and
// the tooltip then shows it whole under the label's own tooltip.
class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

  bool IsElided() const;
  // What hovering shows.
  QString ShownToolTip() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  bool event(QEvent* e) override;

 private:
  QRect TextRect() const;
};

inline const QColor BoxWhite{255, 255, 255};

}  // namespace pellix

class TFrame_SensorBox : public QFrame {
  Q_OBJECT
 public:
  explicit TFrame_SensorBox(QWidget* parent = nullptr);

  // The creation counter gives each box its channel number; a test that builds a
  // second main window starts it again.
  static void ResetCreationCounter();

  QLabel* Label_Channel;
  pellix::ClickLabel* Label_ROMCode;
  QLabel* Label_Value1;
  QLabel* Label_Value2;
  QLabel* Label_Value3;
  QLabel* Label_Value4;
  QLabel* Label_Value5;
  QLabel* Label_Error;
  QToolButton* SpeedButton_Edit;
  QToolButton* SpeedButton_Delete;
  QToolButton* SpeedButton_DescrSwitch;

  int ChannelNumber = 0;
  bool NumberFromOne = false;
  bool ShowDescription = false;
  QString Description;
  QString RomText;
  std::function<void()> RomClickAction;
  TChannelData LastRecord{};
  std::array<QLabel*, 5> ValueLabels{};

  int DisplayedNumber() const;
  void SetDescription(const QString& text);
  void SetShowDescription(bool show);
  void SetRomClickAction(std::function<void()> action);
  QString RomCodeText() const;
  void UpdateFromRecord(const TChannelData& record);
  void ClearTexts();
  void ClearBox();
  void ResetBox();
  void Label_DescriptionClick();
  void SpeedButton_DescrSwitchClick();

  // The colour the box currently stands on.
  QColor BackgroundColour() const;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  void ApplyDisplayMode();
  void SetBackground(const QColor& c);

  QColor background_;
  // The record the box shows: the poll brings most records again unchanged, and those
  // need no texts, hints or colours worked out anew.
  std::optional<TChannelData> shown_;
};
