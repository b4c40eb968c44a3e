// Menu commands whose windows and file formats arrive with later work. Until then each
// tells the operator so instead of doing nothing.
#include "Main.h"

#include <QAction>

namespace {

void notAvailable(const QAction* item) {
  pellix::prompts().information(QStringLiteral("\"%1\" is not available in this version.").arg(item->text()));
}

}  // namespace

void TMainForm::Import1Click() { notAvailable(Import1); }
void TMainForm::Export1Click() { notAvailable(Export1); }
void TMainForm::UpgradeSW1Click() { notAvailable(UpgradeSW1); }
void TMainForm::ShowDescriptions1Click() { notAvailable(ShowDescriptions1); }
void TMainForm::DeleteDescriptions1Click() { notAvailable(DeleteDescriptions1); }
void TMainForm::SaveToFile1Click() { notAvailable(SaveToFile1); }
void TMainForm::LoadfomFile1Click() { notAvailable(LoadfomFile1); }
void TMainForm::Startlogging1Click() { notAvailable(Startlogging1); }
void TMainForm::StopLogging1Click() { notAvailable(StopLogging1); }
void TMainForm::RecordOptions1Click() { notAvailable(RecordOptions1); }
void TMainForm::Timer_recorderTimer() {}
void TMainForm::ApplicationManualClick() { notAvailable(ApplicationManual); }
void TMainForm::GatewayManualClick() { notAvailable(GatewayManual); }
void TMainForm::About1Click() {
  pellix::prompts().information(windowTitle(), About1->text().remove(QLatin1String("...")));
}
