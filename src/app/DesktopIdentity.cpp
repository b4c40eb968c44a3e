#include "DesktopIdentity.h"

#include <QApplication>

namespace pellix {

QString DesktopEntryName() { return QStringLiteral(PELLIX_APP_ID); }

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1x%1/%2.png").arg(size).arg(DesktopEntryName()), QSize(size, size));
  return icon;
}

void IdentifyToDesktop() {
  // Qt takes the window class from the application name, which would otherwise follow
  // the name the binary was started by.
  QCoreApplication::setApplicationName(WindowClass);
  QGuiApplication::setDesktopFileName(DesktopEntryName());
  QApplication::setWindowIcon(ProgramIcon());
}

}  // namespace pellix
