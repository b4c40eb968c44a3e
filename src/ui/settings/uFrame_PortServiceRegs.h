#pragma once
// The settings of one of the gateway's serial ports, as the gateway reports them and
// as the operator changes them.
#include <QComboBox>
#include <QFrame>
#include <array>
#include <cstdint>

class QAbstractSpinBox;
class QGroupBox;

namespace pellix {

// A list whose open popup can be told: an update from the gateway must not change
// the row the operator is choosing.
class SettingsComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  bool IsListOpen() const { return listOpen_; }
  void showPopup() override;
  void hidePopup() override;

 private:
  bool listOpen_ = false;
};

}  // namespace pellix

class TFrame_PortServiceRegs : public QFrame {
  Q_OBJECT
 public:
  // The controls that carry a changed mark, in the order their writes are sent.
  enum Field { fAddress, fBaudRate, fParity, fStopBits, fDelay, FieldCount };

  // fractionalDelay: the delay field takes a sign and a fraction (truncated on save).
  TFrame_PortServiceRegs(const QString& title, bool fractionalDelay, QWidget* parent = nullptr);

  QGroupBox* GroupBox_Title;
  pellix::SettingsComboBox* ComboBox_BaudRate;
  pellix::SettingsComboBox* ComboBox_Addr;
  pellix::SettingsComboBox* Cb_Parity;
  pellix::SettingsComboBox* Cb_Stopbits;
  QAbstractSpinBox* SpEdit_Delay;

  QString Title() const;
  QComboBox* List(Field f) const;  // nullptr for fDelay
  double DelayValue() const;
  void SetDelayValue(double ms);
  // The register value the delay field stands for.
  uint16_t DelayRegisterValue() const;
};
