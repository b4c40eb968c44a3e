#include "uFrame_PortServiceRegs.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLocale>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace pellix {

void SettingsComboBox::showPopup() {
  listOpen_ = true;
  QComboBox::showPopup();
}

void SettingsComboBox::hidePopup() {
  QComboBox::hidePopup();
  listOpen_ = false;
}

}  // namespace pellix

namespace {

constexpr int DelayMax = 200;
constexpr int DelayStep = 10;

// Shows "12.9 ms" and "0 ms" rather than a fixed number of decimals.
class FractionSpinBox : public QDoubleSpinBox {
 public:
  using QDoubleSpinBox::QDoubleSpinBox;
  QString textFromValue(double value) const override {
    QString text = locale().toString(value, 'f', decimals());
    text.remove(locale().groupSeparator());
    const QString point = locale().decimalPoint();
    if (text.contains(point)) {
      while (text.endsWith(QLatin1Char('0'))) text.chop(1);
      if (text.endsWith(point)) text.chop(point.size());
    }
    return text;
  }
};

pellix::SettingsComboBox* makeList(QWidget* parent, const char* name) {
  auto* list = new pellix::SettingsComboBox(parent);
  list->setObjectName(QLatin1String(name));
  list->setEditable(false);
  return list;
}

}  // namespace

TFrame_PortServiceRegs::TFrame_PortServiceRegs(const QString& title, bool fractionalDelay, QWidget* parent)
    : QFrame(parent) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  GroupBox_Title = new QGroupBox(title, this);
  GroupBox_Title->setObjectName(QStringLiteral("GroupBox_Title"));
  outer->addWidget(GroupBox_Title);
  auto* form = new QFormLayout(GroupBox_Title);

  ComboBox_BaudRate = makeList(GroupBox_Title, "ComboBox_BaudRate");
  ComboBox_Addr = makeList(GroupBox_Title, "ComboBox_Addr");
  Cb_Parity = makeList(GroupBox_Title, "Cb_Parity");
  Cb_Stopbits = makeList(GroupBox_Title, "Cb_Stopbits");
  if (fractionalDelay) {
    auto* spin = new FractionSpinBox(GroupBox_Title);
    spin->setDecimals(3);
    spin->setRange(0, DelayMax);
    spin->setSingleStep(DelayStep);
    spin->setSuffix(QStringLiteral(" ms"));
    SpEdit_Delay = spin;
  } else {
    auto* spin = new QSpinBox(GroupBox_Title);
    spin->setRange(0, DelayMax);
    spin->setSingleStep(DelayStep);
    spin->setSuffix(QStringLiteral(" ms"));
    SpEdit_Delay = spin;
  }
  SpEdit_Delay->setObjectName(QStringLiteral("SpEdit_Delay"));

  form->addRow(QStringLiteral("Baud rate:"), ComboBox_BaudRate);
  form->addRow(QStringLiteral("Address:"), ComboBox_Addr);
  form->addRow(QStringLiteral("Parity:"), Cb_Parity);
  form->addRow(QStringLiteral("Stopbits:"), Cb_Stopbits);
  form->addRow(QStringLiteral("Delay:"), SpEdit_Delay);
}

QString TFrame_PortServiceRegs::Title() const { return GroupBox_Title->title(); }

QComboBox* TFrame_PortServiceRegs::List(Field f) const {
  switch (f) {
    case fAddress:
      return ComboBox_Addr;
    case fBaudRate:
      return ComboBox_BaudRate;
    case fParity:
      return Cb_Parity;
    case fStopBits:
      return Cb_Stopbits;
    default:
      return nullptr;
  }
}

double TFrame_PortServiceRegs::DelayValue() const {
  if (auto* d = qobject_cast<QDoubleSpinBox*>(SpEdit_Delay)) return d->value();
  return static_cast<QSpinBox*>(SpEdit_Delay)->value();
}

void TFrame_PortServiceRegs::SetDelayValue(double ms) {
  if (auto* d = qobject_cast<QDoubleSpinBox*>(SpEdit_Delay))
    d->setValue(ms);
  else
    static_cast<QSpinBox*>(SpEdit_Delay)->setValue(static_cast<int>(std::trunc(ms)));
}

uint16_t TFrame_PortServiceRegs::DelayRegisterValue() const {
  // Truncated toward zero; the field's range keeps it within 0..200.
  return static_cast<uint16_t>(std::trunc(DelayValue()));
}
