#pragma once
// The gateway's own settings: both serial ports and, in expert mode, the power
// control of the 1-Wire lines. Follows the polled service block; Save writes back
// only what the operator changed.
#include "RegisterMap.h"
#include "uFrame_PortServiceRegs.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <array>
#include <cstdint>
#include <vector>

class TGWYKomunikator;

class TdlgGWYSettings : public QDialog {
  Q_OBJECT
 public:
  using Field = TFrame_PortServiceRegs::Field;
  static constexpr int PortCount = 2;  // 0 = RS485 (COM 0), 1 = RS232 (COM 1)

  explicit TdlgGWYSettings(QWidget* parent = nullptr);

  TFrame_PortServiceRegs* Frm_RS485;
  TFrame_PortServiceRegs* Frm_RS232;
  QFrame* Panel_Expert;
  QLabel* Label_ExpertTitle;
  QLabel* Label_PowerLine;
  pellix::SettingsComboBox* ComboBox_PowerLine;
  QPushButton* iBtn_RestoreDef;
  QPushButton* iBtn_Save;
  QPushButton* iBtn_Cancel;

  // The client must outlive the dialog (the main window owns both).
  void Bind(TGWYKomunikator* client);
  void Reset();
  // The registers 1000-1099.
  void ServiceBlockUpdate(const TRegisterBlock& regs);
  void ShowNormal();
  void ShowExpert();

  void iBtn_SaveClick();
  void iBtn_CancelClick();
  void iBtn_RestoreDefClick();

  TFrame_PortServiceRegs* PortFrame(int port) const { return port == 0 ? Frm_RS485 : Frm_RS232; }
  bool IsChanged(int port, Field field) const { return marks_[port][field]; }
  bool IsPowerChanged() const { return powerMark_; }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void OperatorChange(bool& mark);
  void ClearMarks();
  void ApplyRow(QComboBox* list, bool marked, int row);
  bool OpenAllowed() const;
  void ShowOnTop();

  TGWYKomunikator* client_ = nullptr;
  std::array<std::array<bool, TFrame_PortServiceRegs::FieldCount>, PortCount> marks_{};
  bool powerMark_ = false;
  bool applying_ = false;  // a value from the gateway is no operator change
};
