#include "PortsFolder.h"

#include <QDir>

namespace pellix {

QString portsFolder() {
  const QByteArray env = qgetenv("PELLIX_PORTS_DIR");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/Quorvel/Pellix Tool/ports");
}

QString portsFolderEntry(int comNumber) {
  return portsFolder() + QStringLiteral("/COM") + QString::number(comNumber);
}

QString serialByIdFolder() {
  const QByteArray env = qgetenv("PELLIX_BY_ID_DIR");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  return QStringLiteral("/dev/serial/by-id");
}

}  // namespace pellix
