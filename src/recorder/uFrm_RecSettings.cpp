#include "uFrm_RecSettings.h"

#include "FileRecorder.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QPointer<TForm_RecSettings> g_instance;

}  // namespace

TForm_RecSettings::TForm_RecSettings(QWidget* parent)
    : QDialog(parent), period_(pellix::RecorderPeriodDefault) {
  setObjectName(QStringLiteral("Form_RecSettings"));
  setWindowTitle(QStringLiteral("Recorder options"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(true);

  Label_Period = new QLabel(QStringLiteral("Sampling period:  "), this);
  Label_Period->setObjectName(QStringLiteral("Label_Period"));
  SpinEdit_Period = new QSpinBox(this);
  SpinEdit_Period->setObjectName(QStringLiteral("SpinEdit_Period"));
  SpinEdit_Period->setRange(static_cast<int>(pellix::RecorderPeriodMin),
                            static_cast<int>(pellix::RecorderPeriodMax));
  SpinEdit_Period->setSingleStep(10);
  Label_Unit = new QLabel(QStringLiteral("s"), this);
  Label_Unit->setObjectName(QStringLiteral("Label_Unit"));
  Button_SAVE = new QPushButton(QStringLiteral("&OK"), this);
  Button_SAVE->setObjectName(QStringLiteral("Button_SAVE"));
  Button_SAVE->setDefault(true);
  Button_CANCEL = new QPushButton(QStringLiteral("Cancel"), this);
  Button_CANCEL->setObjectName(QStringLiteral("Button_CANCEL"));

  auto* periodRow = new QHBoxLayout;
  periodRow->addWidget(Label_Period);
  periodRow->addWidget(SpinEdit_Period, 1);
  periodRow->addWidget(Label_Unit);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button_SAVE);
  buttons->addWidget(Button_CANCEL);
  auto* column = new QVBoxLayout(this);
  column->addLayout(periodRow);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);

  connect(SpinEdit_Period, &QSpinBox::valueChanged, this, [this] { SpinEdit_PeriodChange(); });
  connect(Button_SAVE, &QPushButton::clicked, this, [this] { Button_SAVEClick(); });
  connect(Button_CANCEL, &QPushButton::clicked, this, [this] { reject(); });

  period_ = pellix::ReadRecorderPeriod();
  ShowPeriod();
  g_instance = this;
}

TForm_RecSettings::~TForm_RecSettings() = default;

TForm_RecSettings* TForm_RecSettings::Instance() { return g_instance.data(); }

void TForm_RecSettings::ShowPeriod() {
  {
    const QSignalBlocker block(SpinEdit_Period);
    SpinEdit_Period->setValue(static_cast<int>(period_));
  }
  Button_SAVE->setEnabled(false);
}

void TForm_RecSettings::SpinEdit_PeriodChange() { Button_SAVE->setEnabled(true); }

void TForm_RecSettings::Button_SAVEClick() {
  Button_SAVE->setEnabled(false);
  // Text typed but not yet taken by the spin box counts as the operator's choice.
  SpinEdit_Period->interpretText();
  period_ = static_cast<uint32_t>(SpinEdit_Period->value());
  // A store that cannot be written keeps the new period for this run.
  pellix::WriteRecorderPeriod(period_);
  accept();
}

void TForm_RecSettings::done(int result) {
  if (Button_SAVE->isEnabled()) ShowPeriod();
  Button_CANCEL->setFocus();
  QDialog::done(result);
}

namespace pellix {

TForm_RecSettings& RecorderOptions() {
  if (TForm_RecSettings* existing = TForm_RecSettings::Instance()) return *existing;
  auto* window = new TForm_RecSettings;
  // Owned by the application: gone before the application object is.
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, [window] { delete window; });
  return *window;
}

}  // namespace pellix
