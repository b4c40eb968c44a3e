#include "AppIdentificators.h"

namespace pellix {

QString WindowCaption() { return QStringLiteral("%1 %2").arg(ProductName, VersionText); }

QString InstanceKey() { return ProductName + VersionText; }

}  // namespace pellix

QString FormatVersionNumber(int number) {
  const int major = number / 100;
  const int minor = number % 100;
  if (minor < 10) return QStringLiteral("V%1.0%2").arg(major).arg(minor);
  return QStringLiteral("V%1.%2").arg(major).arg(minor);
}
