// Pellix Tool: one instance per version, the main window, and the message loop.
#include "Main.h"
#include "AppIdentificators.h"
#include "ErrorReport.h"
#include "OneProgramInstace.h"
#include "PellixApplication.h"
#include "QtPrompts.h"
#include "uMaskInputBox.h"

#include <memory>

int main(int argc, char** argv) {
  pellix::PellixApplication app(argc, argv);
  QGuiApplication::setApplicationDisplayName(pellix::WindowCaption());
  // Before any window exists: a second start only brings the first one forward.
  CheckSingleInstance();
  QGuiApplication::setApplicationDisplayName(pellix::StartupTitle);
  pellix::installPrompts(std::make_unique<pellix::QtPrompts>(&MaskInputQuery));

  int rc = 0;
  {
    TMainForm mainForm;
    pellix::setErrorHandler(
        [&mainForm](const std::exception& e) { mainForm.ApplicationEvents1Exception(e); });
    mainForm.Form_ProgressDialog();
    mainForm.show();
    rc = app.exec();
    pellix::setErrorHandler({});
  }
  return rc;
}
