#include "SettingsStore.h"

namespace pellix {

QSettings SettingsStore() { return QSettings(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool")); }

}  // namespace pellix
