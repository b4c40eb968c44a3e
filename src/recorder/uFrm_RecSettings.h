#pragma once
// The recorder options window: the sampling period, read from the settings store once when
// the window is created and kept in memory.
#include <QDialog>
#include <cstdint>

class QLabel;
class QPushButton;
class QSpinBox;

class TForm_RecSettings : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_RecSettings(QWidget* parent = nullptr);
  ~TForm_RecSettings() override;

  // The window the recorder commands use: the one created last that still exists.
  static TForm_RecSettings* Instance();

  QLabel* Label_Period;
  QSpinBox* SpinEdit_Period;
  QLabel* Label_Unit;
  QPushButton* Button_SAVE;
  QPushButton* Button_CANCEL;

  // The confirmed period in seconds; a running log keeps the one it started with.
  uint32_t Period() const { return period_; }

  void SpinEdit_PeriodChange();
  void Button_SAVEClick();

 protected:
  // Every way of closing goes through here: an unconfirmed change is taken back.
  void done(int result) override;

 private:
  void ShowPeriod();

  uint32_t period_;
};

namespace pellix {

// The application's options window, created (reading the stored period) on first use.
// The program creates it at start; it lives until the application quits.
TForm_RecSettings& RecorderOptions();

}  // namespace pellix
