#include "PortNames.h"

#include "ComNumbers.h"
#include "PortsFolder.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <cstdlib>

namespace pellix {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows

}  // namespace

QString resolvedPath(const QString& path) {
  char real[PATH_MAX];
  if (path.isEmpty() || !::realpath(path.toLocal8Bit().constData(), real)) return {};
  return QString::fromLocal8Bit(real);
}

QString byIdName(const QString& path) {
  const QString folder = resolvedPath(serialByIdFolder());
  if (folder.isEmpty() || path.isEmpty()) return {};
  // A COM link made to a by-id name keeps that name, even while the adapter is out.
  QString hop = path;
  for (int i = 0; i < kMaxLinkHops; ++i) {
    const QFileInfo info(hop);
    if (resolvedPath(info.absolutePath()) == folder) return info.fileName();
    if (!info.isSymLink()) break;
    hop = info.symLinkTarget();
  }
  const QString device = resolvedPath(path);
  if (device.isEmpty()) return {};
  const QFileInfoList entries =
      QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  for (const QFileInfo& e : entries)
    if (resolvedPath(e.absoluteFilePath()) == device) return e.fileName();
  return {};
}

QString comPortDescription(int comNumber) {
  const QString path = comDevicePath(comNumber);
  if (path.isEmpty()) return QStringLiteral("COM %1 \u2192 (no device)").arg(comNumber);
  const QString device = resolvedPath(path);
  const QString name = byIdName(path);
  QString text = QStringLiteral("COM %1 \u2192 %2").arg(comNumber).arg(device.isEmpty() ? path : device);
  if (!name.isEmpty()) text += QStringLiteral(" (%1)").arg(name);
  return text;
}

}  // namespace pellix
