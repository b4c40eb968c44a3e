#include "dlg_GWYSettings.h"

#include "GWYKomunikator.h"
#include "Hint.h"
#include "Prompts.h"
#include "RegisterMap.h"

#include <QAbstractSpinBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace {

using Field = TFrame_PortServiceRegs::Field;

// Service-block registers of each port's fields, in the order of Field.
constexpr std::array<std::array<uint16_t, TFrame_PortServiceRegs::FieldCount>, TdlgGWYSettings::PortCount>
    PortRegisters{{
        {RegisterMap::Com0SlaveAddress, RegisterMap::Com0BaudRate, RegisterMap::Com0Parity,
         RegisterMap::Com0StopBits, RegisterMap::Com0ResponseDelay},
        {RegisterMap::Com1SlaveAddress, RegisterMap::Com1BaudRate, RegisterMap::Com1Parity,
         RegisterMap::Com1StopBits, RegisterMap::Com1ResponseDelay},
    }};

const char* const PowerRows[] = {
    "0 - Power OFF",
    "1 - Power ON",
    "2 - Try power OFF every 1 minute while error occurs",
    "3 - Try power OFF every 5 minutes while error occurs",
    "4 - Try power OFF every 10 minutes while error occurs",
    "5 - Try power OFF every 15 minutes while error occurs",
};

uint16_t serviceRegister(const TRegisterBlock& regs, uint16_t address) {
  return regs[address - RegisterMap::ServiceBlock];
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TdlgGWYSettings::TdlgGWYSettings(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgGWYSettings"));
  setWindowTitle(QStringLiteral("Gateway settings"));
  setModal(false);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* column = new QVBoxLayout(this);

  Frm_RS485 = new TFrame_PortServiceRegs(QStringLiteral("COM 0 (RS485)"), true, this);
  Frm_RS485->setObjectName(QStringLiteral("Frm_RS485"));
  Frm_RS232 = new TFrame_PortServiceRegs(QStringLiteral("COM 1 (RS232)"), false, this);
  Frm_RS232->setObjectName(QStringLiteral("Frm_RS232"));
  auto* ports = new QHBoxLayout;
  ports->addWidget(Frm_RS485);
  ports->addWidget(Frm_RS232);
  column->addLayout(ports);
  // The port frames are not offered in this build; they are still kept in step.
  Frm_RS485->hide();
  Frm_RS232->hide();

  Panel_Expert = new QFrame(this);
  Panel_Expert->setObjectName(QStringLiteral("Panel_Expert"));
  auto* expert = new QVBoxLayout(Panel_Expert);
  Label_ExpertTitle = new QLabel(QStringLiteral("Expert Settings"), Panel_Expert);
  Label_ExpertTitle->setObjectName(QStringLiteral("Label_ExpertTitle"));
  QFont bold = Label_ExpertTitle->font();
  bold.setBold(true);
  Label_ExpertTitle->setFont(bold);
  Label_PowerLine = new QLabel(QStringLiteral("1-Wire lines power control"), Panel_Expert);
  Label_PowerLine->setObjectName(QStringLiteral("Label_PowerLine"));
  ComboBox_PowerLine = new pellix::SettingsComboBox(Panel_Expert);
  ComboBox_PowerLine->setObjectName(QStringLiteral("ComboBox_PowerLine"));
  for (const char* row : PowerRows) ComboBox_PowerLine->addItem(QLatin1String(row));
  pellix::SetHint(
      ComboBox_PowerLine,
      QStringLiteral("1-Wire lines power control (see the description of Modbus registers, address 1055). "));
  expert->addWidget(Label_ExpertTitle);
  expert->addWidget(Label_PowerLine);
  expert->addWidget(ComboBox_PowerLine);
  column->addWidget(Panel_Expert);
  Panel_Expert->hide();

  auto* buttons = new QHBoxLayout;
  iBtn_RestoreDef = makeButton(this, "iBtn_RestoreDef", QStringLiteral("Restore Defaults"));
  iBtn_Save = makeButton(this, "iBtn_Save", QStringLiteral("Save"));
  pellix::SetHint(iBtn_Save, QStringLiteral("Send new values"));
  iBtn_Cancel = makeButton(this, "iBtn_Cancel", QStringLiteral("Cancel"));
  pellix::SetHint(iBtn_Cancel, QStringLiteral("Discard changes"));
  buttons->addWidget(iBtn_RestoreDef);
  buttons->addStretch(1);
  buttons->addWidget(iBtn_Save);
  buttons->addWidget(iBtn_Cancel);
  column->addLayout(buttons);

  for (int port = 0; port < PortCount; ++port) {
    TFrame_PortServiceRegs* frame = PortFrame(port);
    for (int f = 0; f < TFrame_PortServiceRegs::FieldCount; ++f) {
      bool& mark = marks_[port][f];
      if (QComboBox* list = frame->List(static_cast<Field>(f)))
        connect(list, &QComboBox::currentIndexChanged, this, [this, &mark] { OperatorChange(mark); });
    }
    bool& delayMark = marks_[port][TFrame_PortServiceRegs::fDelay];
    if (auto* d = qobject_cast<QDoubleSpinBox*>(frame->SpEdit_Delay))
      connect(d, &QDoubleSpinBox::valueChanged, this, [this, &delayMark] { OperatorChange(delayMark); });
    else if (auto* s = qobject_cast<QSpinBox*>(frame->SpEdit_Delay))
      connect(s, &QSpinBox::valueChanged, this, [this, &delayMark] { OperatorChange(delayMark); });
  }
  connect(ComboBox_PowerLine, &QComboBox::currentIndexChanged, this, [this] { OperatorChange(powerMark_); });
  connect(iBtn_Save, &QPushButton::clicked, this, [this] { iBtn_SaveClick(); });
  connect(iBtn_Cancel, &QPushButton::clicked, this, [this] { iBtn_CancelClick(); });
  connect(iBtn_RestoreDef, &QPushButton::clicked, this, [this] { iBtn_RestoreDefClick(); });

  Reset();
}

void TdlgGWYSettings::Bind(TGWYKomunikator* client) {
  client_ = client;
  QScopedValueRollback<bool> quiet(applying_, true);
  for (int port = 0; port < PortCount; ++port) {
    TFrame_PortServiceRegs* frame = PortFrame(port);
    QStringList baud, addresses, parities, stopBits;
    const auto kind = static_cast<TPortKind>(port);  // the frames are in port-kind order
    if (client_) {
      TGWYKomunikator::FillBaudRates(baud, kind);
      TGWYKomunikator::FillAddresses(addresses, kind);
      TGWYKomunikator::FillParities(parities, kind);
      TGWYKomunikator::FillStopBits(stopBits, kind);
    }
    const std::pair<QComboBox*, QStringList*> lists[] = {{frame->ComboBox_BaudRate, &baud},
                                                         {frame->ComboBox_Addr, &addresses},
                                                         {frame->Cb_Parity, &parities},
                                                         {frame->Cb_Stopbits, &stopBits}};
    for (const auto& [list, rows] : lists) {
      list->clear();
      list->addItems(*rows);
      list->setCurrentIndex(-1);
    }
  }
}

void TdlgGWYSettings::Reset() {
  {
    QScopedValueRollback<bool> quiet(applying_, true);
    for (int port = 0; port < PortCount; ++port) {
      TFrame_PortServiceRegs* frame = PortFrame(port);
      for (int f = 0; f < TFrame_PortServiceRegs::FieldCount; ++f)
        if (QComboBox* list = frame->List(static_cast<Field>(f))) list->setCurrentIndex(-1);
      frame->SetDelayValue(0);
    }
    ComboBox_PowerLine->setCurrentIndex(-1);
  }
  iBtn_CancelClick();
}

void TdlgGWYSettings::OperatorChange(bool& mark) {
  if (applying_) return;
  mark = true;
  iBtn_Save->setEnabled(true);
  iBtn_Cancel->setEnabled(true);
  iBtn_RestoreDef->setEnabled(true);
}

void TdlgGWYSettings::ClearMarks() {
  for (auto& port : marks_) port.fill(false);
  powerMark_ = false;
}

void TdlgGWYSettings::ApplyRow(QComboBox* list, bool marked, int row) {
  if (marked) return;
  if (auto* s = qobject_cast<pellix::SettingsComboBox*>(list); s && s->IsListOpen()) return;
  if (row < 0 || row >= list->count()) row = -1;  // no such row: blank
  if (list->currentIndex() == row) return;
  QScopedValueRollback<bool> quiet(applying_, true);
  list->setCurrentIndex(row);
}

void TdlgGWYSettings::ServiceBlockUpdate(const TRegisterBlock& regs) {
  for (int port = 0; port < PortCount; ++port) {
    TFrame_PortServiceRegs* frame = PortFrame(port);
    const auto& reg = PortRegisters[port];
    const auto& mark = marks_[port];
    const auto value = [&](Field f) { return static_cast<int>(serviceRegister(regs, reg[f])); };

    ApplyRow(frame->ComboBox_Addr, mark[Field::fAddress], value(Field::fAddress) - 1);
    const auto& bauds = TGWYKomunikator::BaudRates;
    const auto baud = std::find(bauds.begin(), bauds.end(), value(Field::fBaudRate));
    // An unknown rate shows the first row rather than nothing.
    ApplyRow(frame->ComboBox_BaudRate, mark[Field::fBaudRate],
             baud == bauds.end() ? 0 : static_cast<int>(baud - bauds.begin()));
    ApplyRow(frame->Cb_Parity, mark[Field::fParity], value(Field::fParity));
    ApplyRow(frame->Cb_Stopbits, mark[Field::fStopBits], value(Field::fStopBits) - 1);
    if (!mark[Field::fDelay] && frame->DelayValue() != value(Field::fDelay)) {
      QScopedValueRollback<bool> quiet(applying_, true);
      frame->SetDelayValue(value(Field::fDelay));
    }
  }
  ApplyRow(ComboBox_PowerLine, powerMark_, serviceRegister(regs, RegisterMap::LinePowerControl));
}

void TdlgGWYSettings::iBtn_SaveClick() {
  std::vector<TRegisterWrite> writes;
  const auto selectedRow = [this](QComboBox* list) {
    if (list->currentIndex() < 0) {
      QScopedValueRollback<bool> quiet(applying_, true);
      list->setCurrentIndex(0);
    }
    return list->currentIndex();
  };
  for (int port = 0; port < PortCount; ++port) {
    TFrame_PortServiceRegs* frame = PortFrame(port);
    const auto& reg = PortRegisters[port];
    for (int f = 0; f < TFrame_PortServiceRegs::FieldCount; ++f) {
      if (!marks_[port][f]) continue;
      int value = 0;
      switch (static_cast<Field>(f)) {
        case Field::fAddress:
          value = selectedRow(frame->ComboBox_Addr) + 1;
          break;
        case Field::fBaudRate: {
          const int row = selectedRow(frame->ComboBox_BaudRate);
          if (row < 0 || row >= static_cast<int>(TGWYKomunikator::BaudRates.size()))
            continue;  // unbound: no rows
          value = TGWYKomunikator::BaudRates[row];
          break;
        }
        case Field::fParity:
          value = selectedRow(frame->Cb_Parity);
          break;
        case Field::fStopBits:
          value = selectedRow(frame->Cb_Stopbits) + 1;
          break;
        default:
          value = frame->DelayRegisterValue();
          break;
      }
      writes.push_back({static_cast<uint16_t>(value), reg[f]});
    }
  }
  if (powerMark_)
    writes.push_back({static_cast<uint16_t>(selectedRow(ComboBox_PowerLine)), RegisterMap::LinePowerControl});

  if (!writes.empty() && !(client_ && client_->QueueWrites(writes))) {
    pellix::prompts().error(QStringLiteral("Busy, try again."));
    return;
  }
  ClearMarks();
  iBtn_Save->setEnabled(false);
  iBtn_Cancel->setEnabled(false);
  iBtn_RestoreDef->setEnabled(true);
}

void TdlgGWYSettings::iBtn_CancelClick() {
  ClearMarks();
  iBtn_Save->setEnabled(false);
  iBtn_Cancel->setEnabled(false);
  iBtn_RestoreDef->setEnabled(true);
}

void TdlgGWYSettings::iBtn_RestoreDefClick() {
  ComboBox_PowerLine->setCurrentIndex(RegisterMap::PowerOn);
  OperatorChange(powerMark_);  // also when the row was already selected
  iBtn_RestoreDef->setEnabled(false);
  iBtn_Save->setEnabled(true);
  iBtn_Cancel->setEnabled(true);
}

bool TdlgGWYSettings::OpenAllowed() const {
  if (client_ && client_->IsActive()) return true;
  pellix::ShowPortInactive();
  return false;
}

void TdlgGWYSettings::ShowOnTop() {
  if (QWidget* owner = parentWidget()) {
    const QPoint centre = owner->frameGeometry().center();
    adjustSize();
    move(centre - rect().center());
  }
  show();
  raise();
  activateWindow();
}

void TdlgGWYSettings::ShowNormal() {
  if (!OpenAllowed()) return;
  Panel_Expert->hide();
  ShowOnTop();
}

void TdlgGWYSettings::ShowExpert() {
  if (!OpenAllowed()) return;
  Panel_Expert->show();
  ShowOnTop();
}

void TdlgGWYSettings::hideEvent(QHideEvent* event) {
  Panel_Expert->hide();
  QDialog::hideEvent(event);
}
