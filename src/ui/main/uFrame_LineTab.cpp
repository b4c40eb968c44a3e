#include "uFrame_LineTab.h"

#include "Hint.h"
#include "uFrame_SensorBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace {
int lineCounter = 0;
}  // namespace

void TFrame_LineTab::ResetCreationCounter() { lineCounter = 0; }

TFrame_LineTab::TFrame_LineTab(QWidget* parent) : QFrame(parent) {
  // paintEvent fills the whole rectangle: nothing beneath needs painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
  Label_Caption = new QLabel(this);
  Label_Caption->setObjectName(QStringLiteral("Label_Caption"));
  QFont f = Label_Caption->font();
  f.setBold(true);
  f.setPixelSize(14);
  Label_Caption->setFont(f);
  QPalette captionPal = Label_Caption->palette();
  captionPal.setColor(QPalette::WindowText, Qt::white);
  Label_Caption->setPalette(captionPal);

  SpeedButton_AddNew = new QToolButton(this);
  SpeedButton_AddNew->setObjectName(QStringLiteral("SpeedButton_AddNew"));
  SpeedButton_AddNew->setText(QStringLiteral("Add New"));
  SpeedButton_AddNew->setToolButtonStyle(Qt::ToolButtonTextOnly);

  auto* head = new QHBoxLayout;
  head->addWidget(Label_Caption, 1);
  head->addWidget(SpeedButton_AddNew);

  // Boxes 1-10 in the left column, 11-20 in the right; created in order, so the box
  // counter numbers them in that order.
  auto* grid = new QGridLayout;
  grid->setSpacing(3);
  for (int k = 1; k <= BoxCount; ++k) {
    auto* box = new TFrame_SensorBox(this);
    box->setObjectName(QStringLiteral("Frame_SensorBox%1").arg(k));
    grid->addWidget(box, (k - 1) % 10, (k - 1) / 10);
  }

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 2, 4, 4);
  outer->setSpacing(2);
  outer->addLayout(head);
  outer->addLayout(grid, 1);

  for (int k = 1; k <= BoxCount; ++k) {
    auto* box =
        findChild<TFrame_SensorBox*>(QStringLiteral("Frame_SensorBox%1").arg(k), Qt::FindDirectChildrenOnly);
    Q_ASSERT(box);
    Boxes.append(box);
    SetAddNewMode(false);
  }
  // Box 1's switch goes through the view.
  disconnect(Boxes[0]->SpeedButton_DescrSwitch, nullptr, Boxes[0], nullptr);
  connect(Boxes[0]->SpeedButton_DescrSwitch, &QToolButton::clicked, this,
          [this] { Frame_SensorBox1SpeedButton_DescrSwitchClick(); });

  LineNumber = ++lineCounter;
  LineName = QStringLiteral("LINE %1").arg(LineNumber);
  pellix::SetHint(
      SpeedButton_AddNew,
      QStringLiteral("Add a new device|Opens a window that allows you to find and assign devices."));
  ResetLine();
}

void TFrame_LineTab::SetAddNewMode(bool on) {
  for (TFrame_SensorBox* box : Boxes) {
    box->SpeedButton_Edit->setVisible(on);
    box->SpeedButton_DescrSwitch->setVisible(!on);
  }
}

void TFrame_LineTab::ClearDescriptions() {
  for (TFrame_SensorBox* box : Boxes) box->SetDescription(QString());
}

void TFrame_LineTab::ShowDescriptions(bool show) {
  for (TFrame_SensorBox* box : Boxes) box->SetShowDescription(show);
}

void TFrame_LineTab::ApplyDescriptions(const TDynamicBackupArray& records) {
  // A short array names fewer boxes; the rest keep their descriptions.
  const int n = std::min<int>(Boxes.size(), static_cast<int>(records.size()));
  for (int k = 0; k < n; ++k) {
    if (Boxes[k]->DisplayedNumber() == records[k].DisplayedNumber)
      Boxes[k]->SetDescription(records[k].Description);
  }
}

void TFrame_LineTab::ExportDescriptions(TDynamicBackupArray& records) const {
  for (const TFrame_SensorBox* box : Boxes)
    records.push_back(MakeBackupData(box->ChannelNumber, box->LastRecord.RomCode, box->Description));
}

void TFrame_LineTab::CollectRecords(TDynamicLogArray& records) const {
  for (const TFrame_SensorBox* box : Boxes) records.push_back(box->LastRecord);
}

void TFrame_LineTab::ShowLineState(int state) {
  QString text;
  if (state == 1)
    text = QStringLiteral("Line in high");
  else if (state == 2)
    text = QStringLiteral("Short circuit");
  else
    text = QStringLiteral("OK");
  SetBackground(state == 1 || state == 2 ? pellix::LineFaultRed : pellix::HotLight);
  Label_Caption->setText(LineName + QStringLiteral(" - ") + text);
}

void TFrame_LineTab::ResetLine() {
  Label_Caption->setText(LineName);
  SetBackground(pellix::HotLight);
  for (TFrame_SensorBox* box : Boxes) box->ResetBox();
}

void TFrame_LineTab::AppendBoxes(QList<TFrame_SensorBox*>& list) const { list.append(Boxes); }

void TFrame_LineTab::SpeedButton_AddNewClick() {
  SetAddNewMode(true);
  SpeedButton_AddNew->setEnabled(false);
}

void TFrame_LineTab::Frame_SensorBox1SpeedButton_DescrSwitchClick() {
  Boxes[0]->SpeedButton_DescrSwitchClick();
}

QColor TFrame_LineTab::BackgroundColour() const { return background_; }

void TFrame_LineTab::SetBackground(const QColor& c) {
  // Painted by the view itself, so the boxes never see a palette change.
  if (background_ == c) return;
  background_ = c;
  update();
}

void TFrame_LineTab::paintEvent(QPaintEvent* e) {
  {
    QPainter p(this);
    p.fillRect(rect(), background_);
  }
  QFrame::paintEvent(e);
}
