#pragma once
// The per-user settings store: a registry key on Windows, an INI file here.
#include <QSettings>

namespace pellix {

QSettings SettingsStore();

}  // namespace pellix
