// Menu commands of the files, the recorder, the upgrade and the manuals. Those whose
// windows arrive with later work tell the operator so instead of doing nothing.
#include "FileCommands.h"
#include "Main.h"

#include <QAction>

namespace {

void notAvailable(const QAction* item) {
  pellix::prompts().information(QStringLiteral("\"%1\" is not available in this version.").arg(item->text()));
}

}  // namespace

void TMainForm::Import1Click() { pellix::OpenConfigurationCommand(ChannelBoxes, GWYKomunikator.get()); }
void TMainForm::Export1Click() { pellix::SaveConfigurationCommand(ChannelBoxes); }
void TMainForm::UpgradeSW1Click() { notAvailable(UpgradeSW1); }
void TMainForm::ShowDescriptions1Click() {
  pellix::ShowDescriptionsCommand(ShowDescriptions1, Frame_LineTab1, Frame_LineTab2);
}
void TMainForm::DeleteDescriptions1Click() {
  pellix::DeleteDescriptionsCommand(Frame_LineTab1, Frame_LineTab2);
}
void TMainForm::SaveToFile1Click() { pellix::SaveDescriptionsCommand(Frame_LineTab1, Frame_LineTab2); }
void TMainForm::LoadfomFile1Click() { pellix::LoadDescriptionsCommand(Frame_LineTab1, Frame_LineTab2); }
void TMainForm::Startlogging1Click() { notAvailable(Startlogging1); }
void TMainForm::StopLogging1Click() { notAvailable(StopLogging1); }
void TMainForm::RecordOptions1Click() { notAvailable(RecordOptions1); }
void TMainForm::Timer_recorderTimer() {}
void TMainForm::ApplicationManualClick() { notAvailable(ApplicationManual); }
void TMainForm::GatewayManualClick() { notAvailable(GatewayManual); }
void TMainForm::About1Click() {
  pellix::prompts().information(windowTitle(), About1->text().remove(QLatin1String("...")));
}
