// The main window's part that feeds the line views from the poll and runs the
// channel boxes' actions.
#include "AppIdentificators.h"
#include "ChannelData.h"
#include "ChannelStatus.h"
#include "Frame_ServiceRegSensorBox.h"
#include "GWYKomunikator.h"
#include "Main.h"
#include "Prompts.h"
#include "RegisterMap.h"
#include "RomCode.h"
#include "StrConsts.h"
#include "dlg_GWYSettings.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <algorithm>

namespace {

// A line's state is the status of the last of its boxes that reports a line fault,
// or 0 when none does. Showing the running state after every box ends on that same
// caption, so the view is told once.
void ShowLineStateOf(TFrame_LineTab* view, const QList<TFrame_SensorBox*>& boxes, int first) {
  int state = 0;
  const int end = std::min<int>(first + RegisterMap::ChannelsPerLine, boxes.size());
  for (int i = first; i < end; ++i)
    if (IsLineFault(boxes[i]->LastRecord.Status)) state = boxes[i]->LastRecord.Status;
  view->ShowLineState(state);
}

}  // namespace

void TMainForm::DispatchRegisterBlock(const TRegisterBlock& regs, uint16_t startAddress) {
  namespace rm = RegisterMap;
  if (rm::IsChannelBlock(startAddress)) {
    const int first = rm::FirstChannelOfBlock(startAddress);
    channelBlocksRead_ |= static_cast<uint8_t>(1U << (startAddress / rm::BlockSize));
    for (int k = 0; k < rm::ChannelsPerBlock; ++k) {
      const int channel = first + k;
      if (channel > rm::ChannelCount || channel > ChannelBoxes.size()) break;
      ChannelBoxes[channel - 1]->UpdateFromRecord(
          ChannelFromRegisters(channel, &regs[k * rm::ChannelRegisters]));
    }
    // Both lines, whichever the block belonged to.
    ShowLineStateOf(Frame_LineTab1, ChannelBoxes, 0);
    ShowLineStateOf(Frame_LineTab2, ChannelBoxes, rm::ChannelsPerLine);
    return;
  }
  switch (startAddress) {
    case rm::ServiceBlock:
      Label_SWVer->setText(
          StrConstFilled(27, FormatVersionNumber(regs[rm::FirmwareVersion - rm::ServiceBlock])));
      Label_HWVer->setText(
          StrConstFilled(28, FormatVersionNumber(regs[rm::HardwareVersion - rm::ServiceBlock])));
      dlgGWYSettings->ServiceBlockUpdate(regs);
      Frame_FindNewTab1->ShowServiceBlock(regs, 0);
      Frame_FindNewTab2->ShowServiceBlock(regs, 1);
      break;
    case rm::SearchResultsLine1:
    case rm::SearchResultsLine2:
      pellix::ShowSearchResults(ResultSlots, regs, startAddress);
      break;
    default:
      break;  // a block nobody shows
  }
}

void TMainForm::ClearViews() {
  channelBlocksRead_ = 0;
  Label_SWVer->clear();
  Label_HWVer->clear();
  dlgGWYSettings->Reset();
  Frame_LineTab1->ResetLine();
  Frame_LineTab2->ResetLine();
  Frame_FindNewTab1->ClearSearch();
  Frame_FindNewTab2->ClearSearch();
}

void TMainForm::EditRomCode(TFrame_SensorBox* box) {
  if (!box) return;
  const QString caption = QStringLiteral("ROM Code - Channel %1").arg(box->DisplayedNumber());
  const QString prompt = QStringLiteral("Write a new value in HEX format: \nFF-FF-FF-FF-FF-FF-FF-FF");
  QString text = box->RomCodeText();
  for (;;) {
    if (!pellix::prompts().maskInputQuery(caption, prompt, text)) return;
    TRomCode rom;
    if (ParseRomCode(text, rom)) {
      GWYKomunikator->WriteRomCode(rom, box->ChannelNumber);
      return;
    }
    // Back to the box with what the operator left in it.
    pellix::prompts().error(QStringLiteral("   Invalid input data.   "));
  }
}

void TMainForm::SaveNewClick(TFrame_SensorBox* box) {
  if (box) GWYKomunikator->SaveNewDevice(box->ChannelNumber);
}

void TMainForm::DeleteClick(TFrame_SensorBox* box) {
  if (box) GWYKomunikator->DeleteChannel(box->ChannelNumber);
}
