// The search for new devices on each line and the gateway settings dialog's entry points.
#include "ChannelsNumbering.h"
#include "Frame_ServiceRegSensorBox.h"
#include "GWYKomunikator.h"
#include "Main.h"
#include "Prompts.h"
#include "dlg_GWYSettings.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_LineTab.h"

namespace {

// Search mode of a line: its search view stands over the other line's view, so the
// line's own boxes stay visible with their "Save new" buttons.
void OpenSearch(TFrame_LineTab* line, TFrame_FindNewTab* search) {
  line->SpeedButton_AddNewClick();
  search->setVisible(true);
}

void CloseSearch(TFrame_LineTab* line, TFrame_FindNewTab* search) {
  search->setVisible(false);
  line->SpeedButton_AddNew->setEnabled(true);
  line->SetAddNewMode(false);
}

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

void TMainForm::Frame_LineTab1Button_SelectNewClick() { OpenSearch(Frame_LineTab1, Frame_FindNewTab1); }
void TMainForm::Frame_LineTab2Button_SelectNewClick() { OpenSearch(Frame_LineTab2, Frame_FindNewTab2); }
void TMainForm::Frame_FindNewTab1Button_CloseClick() { CloseSearch(Frame_LineTab1, Frame_FindNewTab1); }
void TMainForm::Frame_FindNewTab2Button_CloseClick() { CloseSearch(Frame_LineTab2, Frame_FindNewTab2); }

// Each search command empties the view; the results come with the next reads.
void TMainForm::Frame_FindNewTab1Button_FindNewClick() {
  GWYKomunikator->FindNew(0);
  Frame_FindNewTab1->ClearSearch();
}
void TMainForm::Frame_FindNewTab2Button_FindNewClick() {
  GWYKomunikator->FindNew(1);
  Frame_FindNewTab2->ClearSearch();
}
void TMainForm::Frame_FindNewTab1Button_FindNewAllClick() {
  GWYKomunikator->FindNewAll(0);
  Frame_FindNewTab1->ClearSearch();
}
void TMainForm::Frame_FindNewTab2Button_FindNewAllClick() {
  GWYKomunikator->FindNewAll(1);
  Frame_FindNewTab2->ClearSearch();
}
void TMainForm::Frame_FindNewTab1Button_FindAllClick() {
  GWYKomunikator->FindAll(0);
  Frame_FindNewTab1->ClearSearch();
}
void TMainForm::Frame_FindNewTab2Button_FindAllClick() {
  GWYKomunikator->FindAll(1);
  Frame_FindNewTab2->ClearSearch();
}

void TMainForm::Frame_SensorNewBox1Button1Click(TFrame_SensorNewBox* slot) {
  SaveSearchResult(*GWYKomunikator, slot, 0);
}
void TMainForm::Frame_SensorNewBox2Button1Click(TFrame_SensorNewBox* slot) {
  SaveSearchResult(*GWYKomunikator, slot, 1);
}

void TMainForm::Portsetti1Click() { dlgGWYSettings->ShowNormal(); }
void TMainForm::Expertsettings1Click() { dlgGWYSettings->ShowExpert(); }
void TMainForm::SpdBtn_GWYSettingsClick() { dlgGWYSettings->ShowNormal(); }
