#pragma once
// Product identifiers of this build and the gateway version formatter.
#include <QString>

namespace pellix {

inline const QString ProductName = QStringLiteral("Pellix Tool");
inline const QString VersionText = QStringLiteral("V1.09.3 (DUNO)");
// Set before the main window exists; the main window then shows its own caption.
inline const QString StartupTitle = QStringLiteral("Pellix-MOD Tool");

// "Pellix Tool V1.09.3 (DUNO)"
QString WindowCaption();
// "Pellix ToolV1.09.3 (DUNO)": names the instance lock and the restore channel, so
// only instances of the same version exclude each other.
QString InstanceKey();

}  // namespace pellix

// Gateway version word n -> "V<n div 100>.<n mod 100 in two digits>" (109 -> "V1.09").
QString FormatVersionNumber(int number);
