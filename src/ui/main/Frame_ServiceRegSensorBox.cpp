#include "Frame_ServiceRegSensorBox.h"

#include "Hint.h"
#include "RegisterMap.h"
#include "RomCode.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

namespace {
int slotCounter = 0;
}

TFrame_SensorNewBox::TFrame_SensorNewBox(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  Label_Channel = new QLabel(this);
  Label_Channel->setObjectName(QStringLiteral("Label_Channel"));
  QFont bold = Label_Channel->font();
  bold.setBold(true);
  Label_Channel->setFont(bold);
  Label_Channel->setMinimumWidth(20);
  Label_ROMCode = new QLabel(this);
  Label_ROMCode->setObjectName(QStringLiteral("Label_ROMCode"));
  Label_Index = new QLabel(this);
  Label_Index->setObjectName(QStringLiteral("Label_Index"));
  SpeedButton_Save = new QToolButton(this);
  SpeedButton_Save->setObjectName(QStringLiteral("SpeedButton_Save"));
  SpeedButton_Save->setText(QStringLiteral("Save"));
  SpeedButton_Save->setAutoRaise(true);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setSpacing(2);
  grid->addWidget(Label_Channel, 0, 0, 2, 1);
  grid->addWidget(Label_ROMCode, 0, 1);
  grid->addWidget(SpeedButton_Save, 0, 2, 2, 1);
  grid->addWidget(Label_Index, 1, 1);
  grid->setColumnStretch(1, 1);

  SlotIndex = ++slotCounter;
  // The label names the slot by its position, whatever the channel numbering.
  Label_Channel->setText(QString::number(SlotIndex - 1));
  ClearSlot();
  pellix::SetHint(SpeedButton_Save, QStringLiteral("Save|Save to the desired channel."));
}

void TFrame_SensorNewBox::ResetCreationCounter() { slotCounter = 0; }
int TFrame_SensorNewBox::CreationCounter() { return slotCounter; }

void TFrame_SensorNewBox::ClearSlot() {
  Label_ROMCode->clear();
  Label_Index->clear();
}

void TFrame_SensorNewBox::DisableSlot() {
  ClearSlot();
  SpeedButton_Save->setEnabled(false);
}

void TFrame_SensorNewBox::UpdateSlot(const TSearchResult& result) {
  if (result.SlotIndex != SlotIndex) return;
  // An empty record does not empty the slot: only a new search does.
  if (result.RomCode == RomCodeEmpty) return;
  SpeedButton_Save->setEnabled(true);
  Label_ROMCode->setText(RomCodeToHex(result.RomCode));
  DeviceIndex = result.DeviceIndex;
  Label_Index->setText(pellix::SearchIndexText(result.DeviceIndex));
}

namespace pellix {

void ShowSearchResults(const QList<TFrame_SensorNewBox*>& resultSlots, const TRegisterBlock& regs,
                       uint16_t startAddress) {
  for (const TSearchResult& r : SearchResultsFromBlock(regs, startAddress)) {
    const int entry = r.SlotIndex - 1;
    if (entry >= 0 && entry < resultSlots.size() && resultSlots[entry]) resultSlots[entry]->UpdateSlot(r);
  }
}

}  // namespace pellix
