#include "ProgramStart.h"

#include "AppIdentificators.h"
#include "ApplicationTitle.h"
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
  // The window repaints a few small cells on every poll. Through X shared memory each repaint
  // costs a completion event, which wakes two threads; images that small go cheaper through
  // the socket. An operator's 0 asks for shared memory (Qt takes any value as "off").
  if (qgetenv("QT_XCB_NO_MITSHM") == "0")
    qunsetenv("QT_XCB_NO_MITSHM");
  else if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
    qputenv("QT_XCB_NO_MITSHM", "1");
  PellixApplication app(argc, argv);
  IdentifyToDesktop();
  SetApplicationTitle(WindowCaption());
  StartHelp();  // the manuals' folder; a second instance leaves the first one's alone
  // Before any window exists: a second start only brings the first one forward.
  CheckSingleInstance();
  PrepareWindows();

  int rc = 0;
  {
    TMainForm mainForm;
    AdoptMainWindow(mainForm);
    setErrorHandler([&mainForm](const std::exception& e) { mainForm.ApplicationEvents1Exception(e); });
    mainForm.Form_ProgressDialog();
    RecorderOptions();  // reads the stored sampling period now, once
    TdlgAboutUlmara partnerAbout(&mainForm);
    if (beforeShow) beforeShow(mainForm);
    mainForm.show();
    rc = app.exec();
    setErrorHandler({});
    SetPromptOwner(nullptr);
  }
  EndHelp();
  return rc;
}

void PrepareWindows() {
  // A message box closed while the main window is hidden for the upgrade is not the
  // last window of the program.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  SetApplicationTitle(StartupTitle);
  installPrompts(std::make_unique<QtPrompts>(&MaskInputQuery));
}

void AdoptMainWindow(TMainForm& mainForm) {
  SetPromptOwner(&mainForm);
  QObject::connect(&mainForm, &TMainForm::Closed, qApp, [] { QCoreApplication::exit(0); });
}

}  // namespace pellix
