#include "uFrame_SensorBox.h"

#include "ChannelStatus.h"
#include "ChannelsNumbering.h"
#include "Family.h"
#include "FixedCell.h"
#include "GatewayBlocks.h"
#include "Hint.h"
#include "Prompts.h"
#include "RegisterMap.h"
#include "RomCode.h"
#include "TextCodePage.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>

namespace pellix {

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && OnClick) OnClick();
}

QRect ClickLabel::TextRect() const {
  const int m = margin();
  return contentsRect().adjusted(m, m, -m, -m);
}

bool ClickLabel::IsElided() const { return fontMetrics().horizontalAdvance(text()) > TextRect().width(); }

QString ClickLabel::ShownToolTip() const {
  if (!IsElided()) return toolTip();
  return toolTip().isEmpty() ? text() : toolTip() + QLatin1Char('\n') + text();
}

void ClickLabel::paintEvent(QPaintEvent* e) {
  if (!IsElided()) {
    QLabel::paintEvent(e);
    return;
  }
  QPainter p(this);
  drawFrame(&p);
  const QRect r = TextRect();
  style()->drawItemText(&p, r, static_cast<int>(alignment()), palette(), isEnabled(),
                        fontMetrics().elidedText(text(), Qt::ElideRight, r.width()), foregroundRole());
}

bool ClickLabel::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip && IsElided()) {
    QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), ShownToolTip(), this);
    return true;
  }
  return QLabel::event(e);
}

}  // namespace pellix

namespace {

int boxCounter = 0;

// The poll shows the same hints again and again: touch a control only when its hint
// really changes, since every change costs events and a property lookup.
void ShowHint(QWidget* w, const QString& hint) {
  if (w->toolTip() != pellix::ShortHint(hint) || w->statusTip() != pellix::LongHint(hint))
    pellix::SetHint(w, hint);
}

// Hint plus the help cursor: the control explains what it shows.
void SetExplainingHint(QWidget* w, const QString& hint) {
  ShowHint(w, hint);
  if (!w->testAttribute(Qt::WA_SetCursor)) w->setCursor(Qt::WhatsThisCursor);
}

// No hint at all and the normal cursor.
void ClearHint(QWidget* w) {
  ShowHint(w, QString());
  if (w->testAttribute(Qt::WA_SetCursor)) w->unsetCursor();
}

const QString DescriptionHint =
    QStringLiteral("Edit description|Write a short description. (max %1 characters)");
const QString RomCodeHint = QStringLiteral("Edit channel|It allows to modify the ROM code.");

QColor ButtonFace() { return QGuiApplication::palette().color(QPalette::Button); }

// Glyphs of the small flat buttons, drawn here so the box needs no image files.
enum class Glyph { SaveNew, Delete, Switch };

QIcon MakeGlyph(Glyph g) {
  QPixmap pm(12, 12);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (g) {
    case Glyph::SaveNew:
      p.setPen(QPen(QColor(0, 140, 0), 2.5));
      p.drawLine(QPointF(6, 1.5), QPointF(6, 10.5));
      p.drawLine(QPointF(1.5, 6), QPointF(10.5, 6));
      break;
    case Glyph::Delete:
      p.setPen(QPen(QColor(200, 0, 0), 2.2));
      p.drawLine(QPointF(2, 2), QPointF(10, 10));
      p.drawLine(QPointF(10, 2), QPointF(2, 10));
      break;
    case Glyph::Switch:
      p.setPen(QPen(QColor(40, 40, 120), 1.5));
      for (int y : {3, 6, 9}) p.drawLine(QPointF(2, y), QPointF(10, y));
      break;
  }
  return QIcon(pm);
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, Glyph g) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoRaise(true);
  b->setIcon(MakeGlyph(g));
  b->setIconSize(QSize(12, 12));
  b->setFixedSize(16, 16);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

QLabel* MakeValueLabel(QWidget* parent, const QString& name) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setAlignment(Qt::AlignCenter);
  l->setAutoFillBackground(true);
  QPalette pal = l->palette();
  pal.setColor(QPalette::Window, pellix::BoxWhite);
  l->setPalette(pal);
  l->setMinimumWidth(10);
  return l;
}

}  // namespace

void TFrame_SensorBox::ResetCreationCounter() { boxCounter = 0; }

TFrame_SensorBox::TFrame_SensorBox(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::Box);
  // paintEvent fills the whole rectangle: nothing beneath needs painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setLineWidth(1);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  // Four boxes side by side fit a 1024 pixel wide screen beside the left column.
  setMinimumSize(180, 56);

  Label_Channel = new QLabel(this);
  Label_Channel->setObjectName(QStringLiteral("Label_Channel"));
  QFont bold = f;
  bold.setBold(true);
  Label_Channel->setFont(bold);
  // The widest label, so that the ROM codes of all boxes line up.
  Label_Channel->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("Ch39")) + 1);

  Label_ROMCode = new pellix::ClickLabel(this);
  Label_ROMCode->setObjectName(QStringLiteral("Label_ROMCode"));
  Label_ROMCode->setCursor(Qt::PointingHandCursor);
  Label_ROMCode->setMinimumWidth(20);
  Label_ROMCode->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Label_ROMCode->OnClick = [this] {
    if (ShowDescription)
      Label_DescriptionClick();
    else if (RomClickAction)
      RomClickAction();
  };

  SpeedButton_Edit = MakeSpeedButton(this, "SpeedButton_Edit", Glyph::SaveNew);
  SpeedButton_DescrSwitch = MakeSpeedButton(this, "SpeedButton_DescrSwitch", Glyph::Switch);
  SpeedButton_Delete = MakeSpeedButton(this, "SpeedButton_Delete", Glyph::Delete);
  connect(SpeedButton_DescrSwitch, &QToolButton::clicked, this, [this] { SpeedButton_DescrSwitchClick(); });

  for (int n = 0; n < 5; ++n)
    ValueLabels[n] = MakeValueLabel(this, QStringLiteral("Label_Value%1").arg(n + 1));
  Label_Value1 = ValueLabels[0];
  Label_Value2 = ValueLabels[1];
  Label_Value3 = ValueLabels[2];
  Label_Value4 = ValueLabels[3];
  Label_Value5 = ValueLabels[4];

  Label_Error = new QLabel(this);
  Label_Error->setObjectName(QStringLiteral("Label_Error"));
  Label_Error->setAlignment(Qt::AlignCenter);
  Label_Error->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  // Rows: channel, ROM code, buttons (Save new and the switch share one place); values
  // 1-4; value 5 and the status.
  auto* top = new QHBoxLayout;
  top->setSpacing(1);
  top->addWidget(Label_Channel);
  top->addWidget(Label_ROMCode, 1);
  top->addWidget(SpeedButton_Edit);
  top->addWidget(SpeedButton_DescrSwitch);
  top->addWidget(SpeedButton_Delete);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(1);
  // The texts the poll changes sit in fixed cells: a new value repaints its label only.
  for (int n = 0; n < 4; ++n) {
    pellix::AddFixedCell(grid, ValueLabels[n], 0, n);
    grid->setColumnStretch(n, 1);
  }
  pellix::AddFixedCell(grid, Label_Value5, 1, 0);
  pellix::AddFixedCell(grid, Label_Error, 1, 1, 1, 3);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(2, 1, 2, 2);
  outer->setSpacing(1);
  outer->addLayout(top);
  outer->addLayout(grid);

  NumberFromOne = ChannelsNumbering;
  ChannelNumber = ++boxCounter;
  // LastRecord stays all zero (channel 0) until the channel is received: a configuration
  // saved before the first poll must restore nothing rather than wipe 40 channels.
  Label_Channel->setText(QStringLiteral("Ch%1").arg(DisplayedNumber()));

  ClearTexts();
  SetDescription(QString());
  SetShowDescription(false);

  using pellix::hex4;
  const int index = ChannelIndex(ChannelNumber);
  pellix::SetHint(SpeedButton_Edit,
                  QStringLiteral("Save new|Save the new device, which was found using the command 0x%1. "
                                 "(Send command 0x%2)")
                      .arg(hex4(RegisterMap::CmdFindNew), hex4(RegisterMap::CmdSaveNew(index))));
  pellix::SetHint(SpeedButton_Delete, QStringLiteral("Delete|Delete the position. (Send command 0x%1)")
                                          .arg(hex4(RegisterMap::CmdDelete(index))));
  SetBackground(pellix::BoxWhite);
}

int TFrame_SensorBox::DisplayedNumber() const { return ::DisplayedNumber(ChannelNumber, NumberFromOne); }

void TFrame_SensorBox::SetDescription(const QString& text) {
  Description = LimitDescription(text);
  if (ShowDescription) Label_ROMCode->setText(Description);
}

void TFrame_SensorBox::SetShowDescription(bool show) {
  ShowDescription = show;
  ApplyDisplayMode();
}

void TFrame_SensorBox::ApplyDisplayMode() {
  if (ShowDescription) {
    Label_ROMCode->setText(Description);
    ShowHint(Label_ROMCode, DescriptionHint.arg(DescriptionMaxLength));
    // Opaque: the description stands on the label's own button face.
    if (Label_ROMCode->palette().color(QPalette::Window) != ButtonFace()) {
      QPalette pal = Label_ROMCode->palette();
      pal.setColor(QPalette::Window, ButtonFace());
      Label_ROMCode->setPalette(pal);
    }
    Label_ROMCode->setAutoFillBackground(true);
    ShowHint(SpeedButton_DescrSwitch, QStringLiteral("Switch to ROM code"));
  } else {
    Label_ROMCode->setText(RomText);
    ShowHint(Label_ROMCode, RomCodeHint);
    Label_ROMCode->setAutoFillBackground(false);
    ShowHint(SpeedButton_DescrSwitch, QStringLiteral("Switch to description"));
  }
}

void TFrame_SensorBox::SetRomClickAction(std::function<void()> action) {
  // The label's click looks the action up when it happens, so storing it is enough to
  // make it active in ROM code mode.
  RomClickAction = std::move(action);
}

QString TFrame_SensorBox::RomCodeText() const { return RomCodeToHex(LastRecord.RomCode); }

void TFrame_SensorBox::ClearTexts() {
  shown_.reset();
  // A free channel is cleared on every poll: only a label that shows something changes.
  pellix::SetCellText(Label_Error, QString());
  RomText.clear();
  ApplyDisplayMode();
  for (QLabel* l : ValueLabels) pellix::SetCellText(l, QString());
}

void TFrame_SensorBox::ClearBox() {
  ClearTexts();
  SetBackground(pellix::BoxWhite);
  ClearHint(Label_Channel);
  for (QLabel* l : ValueLabels) ClearHint(l);
  ClearHint(Label_Error);
}

void TFrame_SensorBox::ResetBox() {
  ClearBox();
  LastRecord.RomCode = {0, 0, 0, 0};
}

void TFrame_SensorBox::UpdateFromRecord(const TChannelData& record) {
  LastRecord = record;
  if (record.ChannelNumber != ChannelNumber || record == shown_) return;
  if (record.Status == StatusFree) {
    ClearBox();
    shown_ = record;
    return;
  }
  const bool notRead = record.RomCode == RomCodeNotRead;
  // Nothing read from a faulty line: keep the last display, the caption tells the fault.
  if (notRead && (IsLineFault(record.Status) || record.Status == StatusNoGateway)) return;

  RomText = RomCodeToHex(record.RomCode);
  ApplyDisplayMode();
  SetExplainingHint(Label_Channel, FamilyFor(FamilyCode(record.RomCode)).Hint);
  const auto values = ChannelValueTexts(record);
  for (int n = 0; n < 5; ++n) {
    pellix::SetCellText(ValueLabels[n], values[n].Text);
    SetExplainingHint(ValueLabels[n], values[n].Hint);
  }
  pellix::SetCellText(Label_Error, ChannelStatusText(record.Status));
  SetExplainingHint(Label_Error, ChannelStatusHint(record.Status));

  switch (StatusColourClass(record.Status)) {
    case StatusColour::Good:
      SetBackground(QColor::fromRgb(GoodRgb));
      break;
    case StatusColour::Fault:
      SetBackground(QColor::fromRgb(FaultRgb));
      break;
    case StatusColour::Neutral:
      SetBackground(ButtonFace());
      break;
    case StatusColour::White:
      SetBackground(pellix::BoxWhite);
      break;
  }
  shown_ = record;
}

void TFrame_SensorBox::Label_DescriptionClick() {
  QString text = Description;
  // Only what the descriptions file can hold goes in, so nothing is lost when it is saved.
  const pellix::CodePage page = pellix::TextFileCodePage();
  const pellix::CharacterRule heldByFiles = [page](char32_t c) {
    return pellix::CanHold(page, c) ? QString() : pellix::CharacterNotHeldHint(page, c);
  };
  if (pellix::prompts().inputQuery(
          QStringLiteral("Edit description - Channel %1").arg(DisplayedNumber()),
          QStringLiteral("Write a short description (max %1 characters):").arg(DescriptionMaxLength), text,
          heldByFiles))
    SetDescription(text);
}

void TFrame_SensorBox::SpeedButton_DescrSwitchClick() { SetShowDescription(!ShowDescription); }

QColor TFrame_SensorBox::BackgroundColour() const { return background_; }

void TFrame_SensorBox::SetBackground(const QColor& c) {
  // Painted by the box itself: a palette would travel down to every child on each
  // change of status, which is the dearest thing a poll could do.
  if (background_ == c) return;
  background_ = c;
  update();
}

void TFrame_SensorBox::paintEvent(QPaintEvent* e) {
  {
    QPainter p(this);
    p.fillRect(rect(), background_);
  }
  QFrame::paintEvent(e);
}
