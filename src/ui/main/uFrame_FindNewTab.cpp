#include "uFrame_FindNewTab.h"

#include "Frame_ServiceRegSensorBox.h"
#include "GatewayBlocks.h"
#include "Hint.h"
#include "Prompts.h"
#include "RegisterMap.h"
#include "RomCode.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

}  // namespace

TFrame_FindNewTab::TFrame_FindNewTab(int lineNumber, QWidget* parent)
    : QFrame(parent), lineNumber_(lineNumber) {
  setObjectName(QStringLiteral("Frame_FindNewTab%1").arg(lineNumber));
  setFrameShape(QFrame::StyledPanel);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);

  auto* captionPanel = new QFrame(this);
  captionPanel->setObjectName(QStringLiteral("Panel_Caption"));
  auto* captionRow = new QHBoxLayout(captionPanel);
  captionRow->setContentsMargins(0, 0, 0, 0);
  Label_Caption = new QLabel(QStringLiteral("Service registers - LINE %1").arg(lineNumber), captionPanel);
  Label_Caption->setObjectName(QStringLiteral("Label_Caption"));
  QFont bold = Label_Caption->font();
  bold.setBold(true);
  Label_Caption->setFont(bold);
  Button_Close = makeButton(captionPanel, "Button_Close", QStringLiteral("Close"));
  captionRow->addWidget(Label_Caption, 1);
  captionRow->addWidget(Button_Close);
  column->addWidget(captionPanel);

  auto* findNewRow = new QHBoxLayout;
  Button_FindNew = makeButton(this, "Button_FindNew", QStringLiteral("Find New"));
  Panel_FindNew = new QFrame(this);
  Panel_FindNew->setObjectName(QStringLiteral("Panel_FindNew"));
  Panel_FindNew->setFrameShape(QFrame::StyledPanel);
  auto* panelRow = new QHBoxLayout(Panel_FindNew);
  panelRow->setContentsMargins(4, 2, 4, 2);
  Label_NewROMCode = new QLabel(Panel_FindNew);
  Label_NewROMCode->setObjectName(QStringLiteral("Label_NewROMCode"));
  panelRow->addWidget(Label_NewROMCode);
  findNewRow->addWidget(Button_FindNew);
  findNewRow->addWidget(Panel_FindNew, 1);
  column->addLayout(findNewRow);

  auto* findAllRow = new QHBoxLayout;
  Button_FindNewAll = makeButton(this, "Button_FindNewAll", QStringLiteral("Find New All"));
  Button_FindAll = makeButton(this, "Button_FindAll", QStringLiteral("Find All"));
  findAllRow->addWidget(Button_FindNewAll);
  findAllRow->addWidget(Button_FindAll);
  findAllRow->addStretch(1);
  column->addLayout(findAllRow);

  // Two columns of ten: 1-10 left, 11-20 right.
  auto* grid = new QGridLayout;
  grid->setSpacing(2);
  for (int k = 0; k < pellix::ResultSlotsPerLine; ++k) {
    auto* slot = new TFrame_SensorNewBox(this);
    slot->setObjectName(QStringLiteral("Frame_SensorNewBox%1").arg(k + 1));
    grid->addWidget(slot, k % 10, k / 10);
  }
  column->addLayout(grid, 1);

  auto* bottomPanel = new QFrame(this);
  bottomPanel->setObjectName(QStringLiteral("Panel_Bottom"));
  auto* bottomRow = new QHBoxLayout(bottomPanel);
  bottomRow->setContentsMargins(0, 0, 0, 0);
  Label_Command = new QLabel(bottomPanel);
  Label_Command->setObjectName(QStringLiteral("Label_Command"));
  Label_Status = new QLabel(bottomPanel);
  Label_Status->setObjectName(QStringLiteral("Label_Status"));
  // The longer status texts need a second line beside the command in a narrow view;
  // the room for it is kept, so the slots above do not move when the text changes.
  Label_Status->setWordWrap(true);
  Label_Status->setMinimumHeight(2 * Label_Status->fontMetrics().lineSpacing());
  bottomRow->addWidget(Label_Command);
  bottomRow->addWidget(Label_Status, 1);
  column->addWidget(bottomPanel);

  for (int k = 1; k <= pellix::ResultSlotsPerLine; ++k)
    Slots.append(findChild<TFrame_SensorNewBox*>(QStringLiteral("Frame_SensorNewBox%1").arg(k)));

  const QString findNew = pellix::hex4(RegisterMap::CmdFindNew);
  pellix::SetHint(
      Button_FindNew,
      QStringLiteral("Command 0x%1|It works only if one device is connected to the line. (Send command 0x%1)")
          .arg(findNew));
  pellix::SetHint(Button_FindNewAll,
                  QStringLiteral("Command 0x%1|Find all newly connected devices. (Send command 0x%1)")
                      .arg(pellix::hex4(RegisterMap::CmdFindNewAll)));
  pellix::SetHint(Button_FindAll,
                  QStringLiteral("Command 0x%1|Find all connected devices. (Send command 0x%1)")
                      .arg(pellix::hex4(RegisterMap::CmdFindAll)));
  pellix::SetHint(
      Label_NewROMCode,
      QStringLiteral("New ROM code|It displays the new ROM code found using the command 0x%1.").arg(findNew));
  pellix::SetHint(Button_Close, QStringLiteral("Close the window"));
  pellix::SetHint(Label_Command, QStringLiteral("Last sent command"));
  pellix::SetHint(Label_Status, QStringLiteral("Response|Response to the sent command"));
  ClearSearch();
  hide();
}

void TFrame_FindNewTab::ClearServiceTexts() {
  Label_NewROMCode->clear();
  Label_Command->clear();
  Label_Status->clear();
}

void TFrame_FindNewTab::ClearSearch() {
  ClearServiceTexts();
  for (TFrame_SensorNewBox* slot : Slots) slot->DisableSlot();
}

void TFrame_FindNewTab::AppendSlots(QList<TFrame_SensorNewBox*>& list) const { list.append(Slots); }

QString TFrame_FindNewTab::OperationStatusText(uint16_t code) { return pellix::OperationStatusText(code); }

void TFrame_FindNewTab::ShowServiceBlock(const TRegisterBlock& regs, int line) {
  if (line != 0 && line != 1) return;
  const pellix::LineService service = pellix::LineServiceFromBlock(regs, line);
  Label_NewROMCode->setText(pellix::NewRomCodeText(service.NewRomCode));
  Label_Command->setText(pellix::CommandText(service.Command));
  Label_Status->setText(pellix::OperationStatusLine(service.Status));
}

namespace pellix {

std::optional<int> AskTargetChannel(int deviceIndex, int line, bool numberFromOne) {
  const int first = line * ResultSlotsPerLine;  // channel index range of the line
  const int last = first + ResultSlotsPerLine - 1;
  const int shown = numberFromOne ? 1 : 0;
  const QString caption = QStringLiteral("Save device with index: %1").arg(deviceIndex);
  const QString prompt =
      QStringLiteral("Enter target position (channel number %1-%2): ").arg(first + shown).arg(last + shown);
  QString answer;
  if (!prompts().inputQuery(caption, prompt, answer)) return std::nullopt;
  bool ok = false;
  int index = answer.trimmed().toInt(&ok, 10);
  if (ok && numberFromOne) --index;
  if (!ok || index < first || index > last) {
    prompts().error(QStringLiteral("Incorrect input. Enter a channel number %1 to %2.")
                        .arg(first + shown)
                        .arg(last + shown));
    return std::nullopt;
  }
  return index;
}

}  // namespace pellix
