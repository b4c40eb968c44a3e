#pragma once
// How the desktop recognises the program: the window class that its desktop entry
// names (StartupWMClass), the desktop entry itself (Wayland docks match by it) and the
// icon that every window and dialog shows.
#include <QIcon>
#include <QString>

namespace pellix {

// The window class on X11; the desktop entry's StartupWMClass is the same.
inline const QString WindowClass = QStringLiteral("pellix-tool");
// The desktop entry's name without ".desktop".
QString DesktopEntryName();

// The program's icon in the sizes the desktop uses (48, 64, 128 and 256 px).
QIcon ProgramIcon();

// Tells the application all three; before the first window exists.
void IdentifyToDesktop();

}  // namespace pellix
