#pragma once
// The user's special folders, asked for by the shell's folder numbers.
#include <QString>

// Shell folder numbers that have a counterpart here.
enum : int {
  CSIDL_DESKTOP = 0x0000,
  CSIDL_PERSONAL = 0x0005,
  CSIDL_MYMUSIC = 0x000D,
  CSIDL_MYVIDEO = 0x000E,
  CSIDL_DESKTOPDIRECTORY = 0x0010,
  CSIDL_APPDATA = 0x001A,
  CSIDL_LOCAL_APPDATA = 0x001C,
  CSIDL_MYPICTURES = 0x0027,
  CSIDL_PROFILE = 0x0028,
};

// The folder's path without a trailing separator; empty when the number has no
// counterpart or the desktop knows no such folder.
QString GetSpecialFolderPath(int folder);
// The per-user application-data folder.
QString GetAppDataPath();
