#include "uFrame_Komunikace.h"

#include "AfPortComboBox.h"
#include "FixedCell.h"
#include "GWYKomunikator.h"
#include "Pocitadlo.h"
#include "uFrame_Pocitadlo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

QLabel* caption(QWidget* parent, const char* name, const char* text) {
  return named(new QLabel(QString::fromLatin1(text), parent), name);
}

}  // namespace

TFrame_Komunikace::TFrame_Komunikace(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Frame_Komunikace"));
  Label_PortCap = caption(this, "Label_PortCap", "COM Port:");
  AfPortComboBox1 = named(new TAfPortComboBox(this), "AfPortComboBox1");
  AfPortComboBox1->SetMaxComPorts(200);
  CheckBox_Connect = named(new QCheckBox(QStringLiteral("Connected"), this), "CheckBox_Connect");
  CheckBox_USB = named(new QCheckBox(QStringLiteral("USB"), this), "CheckBox_USB");
  Label_BdCap = caption(this, "Label_BdCap", "Baud Rate:");
  ComboBox_BaudRate = named(new QComboBox(this), "ComboBox_BaudRate");
  Label_AddrCap = caption(this, "Label_AddrCap", "Address:");
  ComboBox_Addr = named(new QComboBox(this), "ComboBox_Addr");
  Lb_Parity = caption(this, "Lb_Parity", "Parity:");
  Cb_Parity = named(new QComboBox(this), "Cb_Parity");
  Lb_Stopbit = caption(this, "Lb_Stopbit", "Stopbits:");
  Cb_Stopbit = named(new QComboBox(this), "Cb_Stopbit");
  ComboBox_Addr->setMaxVisibleItems(20);
  ComboBox_BaudRate->setMaxVisibleItems(16);
  Frame_Pocitadlo1 = new TFrame_Pocitadlo(this);
  Frame_Pocitadlo1->setObjectName(QStringLiteral("Frame_Pocitadlo1"));
  Timer_Update = named(new QTimer(this), "Timer_Update");

  auto* grid = new QGridLayout;
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(4);
  grid->addWidget(Label_PortCap, 0, 0);
  grid->addWidget(AfPortComboBox1, 0, 1);
  auto* checks = new QHBoxLayout;
  checks->addWidget(CheckBox_Connect);
  checks->addWidget(CheckBox_USB);
  checks->addStretch();
  grid->addLayout(checks, 1, 1);
  grid->addWidget(Label_BdCap, 2, 0);
  grid->addWidget(ComboBox_BaudRate, 2, 1);
  grid->addWidget(Label_AddrCap, 3, 0);
  grid->addWidget(ComboBox_Addr, 3, 1);
  grid->addWidget(Lb_Parity, 4, 0);
  grid->addWidget(Cb_Parity, 4, 1);
  grid->addWidget(Lb_Stopbit, 5, 0);
  grid->addWidget(Cb_Stopbit, 5, 1);
  grid->setColumnStretch(1, 1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(8, 6, 8, 4);
  column->addLayout(grid);
  column->addWidget(Frame_Pocitadlo1);

  // A programmatic change of the connect box runs its click handler like a click;
  // the lists apply only what the operator picks (the preset applies its own).
  connect(CheckBox_Connect, &QCheckBox::toggled, this, [this] { ConnectToggled(); });
  connect(CheckBox_USB, &QCheckBox::toggled, this, [this] { CheckBox_USBClick(); });
  connect(ComboBox_BaudRate, &QComboBox::activated, this, [this] { RunChange(OnBaudRateChange, this); });
  connect(ComboBox_Addr, &QComboBox::activated, this, [this] { RunChange(OnAddrChange, this); });
  connect(Cb_Parity, &QComboBox::activated, this, [this] { RunChange(OnParityChange, this); });
  connect(Cb_Stopbit, &QComboBox::activated, this, [this] { RunChange(OnStopbitChange, this); });
  // The operator's pick replaces a number that went missing.
  connect(AfPortComboBox1, &QComboBox::activated, this, [this] { MissingComNumber = 0; });
  connect(Timer_Update, &QTimer::timeout, this, [this] { Timer_UpdateTimer(); });
  Timer_Update->start(PortListRefreshMs);
}

void TFrame_Komunikace::RunChange(const std::function<void()>& ownerHandler, TFrame_Komunikace* frame) {
  if (ownerHandler)
    ownerHandler();
  else
    frame->SyncUsbCheck();
}

void TFrame_Komunikace::ConnectToggled() {
  if (OnConnectClick)
    OnConnectClick();
  else
    CheckBox_ConnectClick();
}

bool TFrame_Komunikace::IsConnected() const { return CheckBox_Connect->isChecked(); }

void TFrame_Komunikace::CheckBox_ConnectClick() {
  AfPortComboBox1->setEnabled(!CheckBox_Connect->isChecked());
}

void TFrame_Komunikace::ComboBox_BaudRateChange() { SyncUsbCheck(); }

void TFrame_Komunikace::SyncUsbCheck() {
  CheckBox_USB->setChecked(ComboBox_BaudRate->currentIndex() == TGWYKomunikator::UsbBaudRateIndex &&
                           ComboBox_Addr->currentIndex() == UsbAddrIndex &&
                           Cb_Parity->currentIndex() == UsbParityIndex &&
                           Cb_Stopbit->currentIndex() == UsbStopbitIndex);
}

void TFrame_Komunikace::CheckBox_USBClick() {
  if (!CheckBox_USB->isChecked()) return;
  // Each list is selected and then handled as if the operator had picked it; the
  // USB box may go off and on again on the way, and ends checked.
  ComboBox_BaudRate->setCurrentIndex(TGWYKomunikator::UsbBaudRateIndex);
  RunChange(OnBaudRateChange, this);
  ComboBox_Addr->setCurrentIndex(UsbAddrIndex);
  RunChange(OnAddrChange, this);
  Cb_Parity->setCurrentIndex(UsbParityIndex);
  RunChange(OnParityChange, this);
  Cb_Stopbit->setCurrentIndex(UsbStopbitIndex);
  RunChange(OnStopbitChange, this);
}

void TFrame_Komunikace::ShowCounters(const TPocitadloValues& values) {
  Frame_Pocitadlo1->ShowValues(values);
  TimeoutShown = values.Timeout;
  QString text = QStringLiteral("Timeout");
  if (values.Err >= UsbErrorLimit && CheckBox_USB->isChecked()) {
    CheckBox_Connect->setChecked(false);
    text = QStringLiteral("Error - Disconnected");
  }
  pellix::SetCellText(Frame_Pocitadlo1->Label_Timeout, text);
}

void TFrame_Komunikace::Timer_UpdateTimer() {
  if (!CheckBox_Connect->isChecked()) RefreshPortsKeepingChoice();
}

bool TFrame_Komunikace::Listed(int comNumber) const {
  return AfPortComboBox1->findData(comNumber, TAfPortComboBox::ComNumberRole) >= 0;
}

void TFrame_Komunikace::RefreshPortsKeepingChoice() {
  const int before = AfPortComboBox1->SelectedComNumber();
  AfPortComboBox1->RefreshPorts();
  if (MissingComNumber == 0 && before > 0 && !Listed(before)) MissingComNumber = before;
  if (MissingComNumber > 0 && Listed(MissingComNumber)) {
    AfPortComboBox1->SetSelectedComNumber(MissingComNumber);
    MissingComNumber = 0;
  }
}

int TFrame_Komunikace::ComNumberToConnect() {
  RefreshPortsKeepingChoice();
  return MissingComNumber > 0 ? MissingComNumber : AfPortComboBox1->SelectedComNumber();
}

void TFrame_Komunikace::ConnectedTo(int comNumber) {
  MissingComNumber = 0;
  if (AfPortComboBox1->SelectedComNumber() == comNumber) return;
  // Back between the look at the ports and the open: it is ours now (listed as busy).
  AfPortComboBox1->RefreshPorts();
  AfPortComboBox1->SetSelectedComNumber(comNumber);
}

int TFrame_Komunikace::ComNumberToSave() const {
  return MissingComNumber > 0 ? MissingComNumber : AfPortComboBox1->SelectedComNumber();
}
