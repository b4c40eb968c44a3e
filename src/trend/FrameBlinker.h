#pragma once
// Makes a widget's frame blink for a while, drawn over it, without touching the widget.
#include <QWidget>

class QTimer;

namespace pellix::trend {

class FrameBlinker : public QWidget {
  Q_OBJECT
 public:
  static constexpr int DefaultMs = 10000;
  static constexpr int PhaseMs = 400;

  // Starts blinking over target (again from the start when it already blinks); the
  // blinker removes itself after ms.
  static FrameBlinker* Blink(QWidget* target, int ms = DefaultMs);
  // The blinker over target, if it blinks now.
  static FrameBlinker* Of(const QWidget* target);

  bool FrameShown() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  explicit FrameBlinker(QWidget* target);
  void Restart(int ms);

  QTimer* phase_;
  QTimer* end_;
  bool shown_ = true;
};

}  // namespace pellix::trend
