// Menu commands of the files, the recorder, the firmware upgrade, the manuals and the
// about dialog: each hands the window's parts to its command.
#include "AfPortComboBox.h"
#include "FileViews.h"
#include "HelpOpener.h"
#include "Main.h"
#include "RecorderLinks.h"
#include "dlgAboutQuorvel.h"
#include "uMain_Programmer.h"

#include <QAction>

namespace {

pellix::RecorderLinks recorderLinks(TMainForm& f) {
  pellix::RecorderLinks links =
      pellix::RecorderLinksOf(f.Frame_Komunikace1, f.Frame_LineTab1, f.Frame_LineTab2, f.Timer_recorder,
                              f.Startlogging1, f.StopLogging1, f.StatusPanel1, &f.SaveDialog1);
  links.ChannelsRead = [&f] { return f.ChannelBlocksRead(); };
  return links;
}

pellix::DescriptionViews lineViews(const TMainForm& f) {
  return pellix::DescriptionViewsOf(f.Frame_LineTab1, f.Frame_LineTab2);
}

}  // namespace

void TMainForm::Import1Click() {
  RunWaiting([this] {
    pellix::OpenConfigurationCommand(pellix::ChannelBoxViewsOf(ChannelBoxes), GWYKomunikator.get());
  });
}
void TMainForm::Export1Click() { pellix::SaveConfigurationCommand(pellix::ChannelBoxViewsOf(ChannelBoxes)); }
void TMainForm::UpgradeSW1Click() {
  pellix::UpgradeHandOver h;
  h.mainWindow = this;
  h.upgradeItem = UpgradeSW1;
  h.connectItem = Connect1;
  h.disconnectItem = Disconnect1;
  h.connectBox = Frame_Komunikace1->CheckBox_Connect;
  h.updateTimer = Frame_Komunikace1->Timer_Update;
  h.timeoutShown = [this] { return Frame_Komunikace1->TimeoutShown; };
  h.comNumber = [this] { return Frame_Komunikace1->AfPortComboBox1->SelectedComNumber(); };
  h.baudRate = [this] { return GWYKomunikator ? GWYKomunikator->GetBaudRate() : 0; };
  h.slaveAddress = [this] { return GWYKomunikator ? GWYKomunikator->GetSlaveAddress() : uint8_t{1}; };
  h.frameObserver = GWYKomunikator ? GWYKomunikator->GetFrameObserver() : nullptr;
  RunWaiting([&h] { pellix::RunFirmwareUpgrade(h); });
}
void TMainForm::ShowDescriptions1Click() {
  pellix::ShowDescriptionsCommand(ShowDescriptions1, lineViews(*this));
}
void TMainForm::DeleteDescriptions1Click() { pellix::DeleteDescriptionsCommand(lineViews(*this)); }
void TMainForm::SaveToFile1Click() { pellix::SaveDescriptionsCommand(lineViews(*this)); }
void TMainForm::LoadfomFile1Click() { pellix::LoadDescriptionsCommand(lineViews(*this)); }
void TMainForm::Startlogging1Click() { pellix::StartLoggingCommand(recorderLinks(*this)); }
void TMainForm::StopLogging1Click() { pellix::StopLoggingCommand(recorderLinks(*this)); }
void TMainForm::RecordOptions1Click() { pellix::RecordOptionsCommand(); }
void TMainForm::Timer_recorderTimer() { pellix::RecorderTimerTick(recorderLinks(*this)); }
void TMainForm::ApplicationManualClick() { pellix::OpenManual(ApplicationManual->data().toInt()); }
void TMainForm::GatewayManualClick() { pellix::OpenManual(GatewayManual->data().toInt()); }
void TMainForm::About1Click() { dlgAboutQuorvel->ShowModal(); }
