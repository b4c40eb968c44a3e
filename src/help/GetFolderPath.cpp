#include "GetFolderPath.h"

#include <QStandardPaths>

namespace {

bool locationFor(int folder, QStandardPaths::StandardLocation& location) {
  switch (folder) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
      location = QStandardPaths::DesktopLocation;
      return true;
    case CSIDL_PERSONAL:
      location = QStandardPaths::DocumentsLocation;
      return true;
    case CSIDL_MYMUSIC:
      location = QStandardPaths::MusicLocation;
      return true;
    case CSIDL_MYVIDEO:
      location = QStandardPaths::MoviesLocation;
      return true;
    case CSIDL_MYPICTURES:
      location = QStandardPaths::PicturesLocation;
      return true;
    case CSIDL_PROFILE:
      location = QStandardPaths::HomeLocation;
      return true;
    // Roaming and local application data are one folder on the desktops we run on.
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
      location = QStandardPaths::GenericDataLocation;
      return true;
    default:
      return false;
  }
}

}  // namespace

QString GetSpecialFolderPath(int folder) {
  QStandardPaths::StandardLocation location;
  if (!locationFor(folder, location)) return {};
  QString path = QStandardPaths::writableLocation(location);
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

QString GetAppDataPath() { return GetSpecialFolderPath(CSIDL_APPDATA); }
