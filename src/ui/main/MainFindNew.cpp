// The search for new devices on each line and the gateway settings dialog's entry points.
#include "ChannelsNumbering.h"
#include "Frame_ServiceRegSensorBox.h"
#include "GWYKomunikator.h"
#include "Main.h"
#include "Prompts.h"
#include "dlg_GWYSettings.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_LineTab.h"

#include <QToolButton>

namespace {

void SaveSearchResult(TGWYKomunikator& client, const TFrame_SensorNewBox* slot, int line) {
  if (!client.IsActive()) {
    pellix::ShowPortInactive();
    return;
  }
  const int deviceIndex = slot->DeviceIndex;
  if (const std::optional<int> channelIndex = pellix::AskTargetChannel(deviceIndex, line, ChannelsNumbering))
    client.SaveFoundDevice(deviceIndex, *channelIndex);
}

}  // namespace

void TMainForm::WireSearchViews() {
  for (int line = 0; line < 2; ++line) {
    TFrame_FindNewTab* search = SearchView(line);
    connect(LineView(line)->SpeedButton_AddNew, &QAbstractButton::clicked, this,
            [this, line] { OpenSearch(line); });
    connect(search->Button_Close, &QAbstractButton::clicked, this, [this, line] { CloseSearch(line); });
    const std::pair<QAbstractButton*, void (TGWYKomunikator::*)(int)> commands[] = {
        {search->Button_FindNew, &TGWYKomunikator::FindNew},
        {search->Button_FindNewAll, &TGWYKomunikator::FindNewAll},
        {search->Button_FindAll, &TGWYKomunikator::FindAll}};
    for (const auto& [button, command] : commands)
      connect(button, &QAbstractButton::clicked, this,
              [this, line, command] { SearchCommand(line, command); });
    for (TFrame_SensorNewBox* slot : search->Slots)
      connect(slot->SpeedButton_Save, &QToolButton::clicked, this,
              [this, line, slot] { SaveSearchResult(*GWYKomunikator, slot, line); });
  }
}

TFrame_LineTab* TMainForm::LineView(int line) const { return line == 0 ? Frame_LineTab1 : Frame_LineTab2; }
TFrame_FindNewTab* TMainForm::SearchView(int line) const {
  return line == 0 ? Frame_FindNewTab1 : Frame_FindNewTab2;
}

// Search mode of a line: its search view stands over the other line's view, so the
// line's own boxes stay visible with their "Save new" buttons.
void TMainForm::OpenSearch(int line) {
  LineView(line)->SpeedButton_AddNewClick();
  SearchView(line)->setVisible(true);
}

void TMainForm::CloseSearch(int line) {
  SearchView(line)->setVisible(false);
  LineView(line)->SpeedButton_AddNew->setEnabled(true);
  LineView(line)->SetAddNewMode(false);
}

// Each search command empties the view; the results come with the next reads.
void TMainForm::SearchCommand(int line, void (TGWYKomunikator::*command)(int)) {
  (GWYKomunikator.get()->*command)(line);
  SearchView(line)->ClearSearch();
}

void TMainForm::Portsetti1Click() { dlgGWYSettings->ShowNormal(); }
void TMainForm::Expertsettings1Click() { dlgGWYSettings->ShowExpert(); }
void TMainForm::SpdBtn_GWYSettingsClick() { dlgGWYSettings->ShowNormal(); }
