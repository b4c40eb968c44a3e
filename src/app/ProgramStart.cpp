#include "ProgramStart.h"

#include "AppIdentificators.h"
#include "DesktopIdentity.h"
#include "ErrorReport.h"
#include "HelpOpener.h"
#include "Main.h"
#include "OneProgramInstace.h"
#include "PellixApplication.h"
#include "QtPrompts.h"
#include "dlgAboutUlmara.h"
#include "uFrm_RecSettings.h"
#include "uMaskInputBox.h"

#include <memory>

namespace pellix {

int RunPellixTool(int argc, char** argv, const std::function<void(TMainForm&)>& beforeShow) {
  PellixApplication app(argc, argv);
  IdentifyToDesktop();
  QGuiApplication::setApplicationDisplayName(WindowCaption());
  StartHelp();  // the manuals' folder; a second instance leaves the first one's alone
  // Before any window exists: a second start only brings the first one forward.
  CheckSingleInstance();
  QGuiApplication::setApplicationDisplayName(StartupTitle);
  installPrompts(std::make_unique<QtPrompts>(&MaskInputQuery));

  int rc = 0;
  {
    TMainForm mainForm;
    setErrorHandler([&mainForm](const std::exception& e) { mainForm.ApplicationEvents1Exception(e); });
    mainForm.Form_ProgressDialog();
    RecorderOptions();  // reads the stored sampling period now, once
    TdlgAboutUlmara partnerAbout(&mainForm);
    if (beforeShow) beforeShow(mainForm);
    mainForm.show();
    rc = app.exec();
    setErrorHandler({});
  }
  EndHelp();
  return rc;
}

}  // namespace pellix
