#include "PortAssignments.h"

#include "PortNames.h"
#include "PortsFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pellix {
namespace {

[[noreturn]] void refuse(const QString& message) { throw EPortAssignmentError(message.toStdString()); }

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool isUnderDev(const QString& path) {
  return path == QLatin1String("/dev") || path.startsWith(QLatin1String("/dev/"));
}

// The ports folder, refused when it lies in /dev: that folder belongs to the system.
QString writablePortsFolder() {
  const QString folder = QDir::cleanPath(QDir(portsFolder()).absolutePath());
  const QString real = resolvedPath(folder);
  if (isUnderDev(folder) || isUnderDev(real))
    refuse(QStringLiteral("The ports folder %1 lies in /dev, which this tool never changes.").arg(folder));
  return folder;
}

bool entryExists(const QString& path) {
  struct stat st {};
  return ::lstat(path.toLocal8Bit().constData(), &st) == 0;
}

}  // namespace

QList<ComAssignment> comAssignments() {
  static const QRegularExpression name(QStringLiteral("^COM([1-9][0-9]*)$"));
  QList<ComAssignment> out;
  const QFileInfoList entries =
      QDir(portsFolder()).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& e : entries) {
    const QRegularExpressionMatch m = name.match(e.fileName());
    if (!m.hasMatch()) continue;
    const QString target = e.isSymLink() ? e.symLinkTarget() : e.absoluteFilePath();
    const QString device = resolvedPath(e.absoluteFilePath());
    const QString name = byIdName(e.absoluteFilePath());
    QStringList details;
    if (device.isEmpty()) details << QStringLiteral("missing");
    if (!device.isEmpty() && device != target) details << device;
    if (!name.isEmpty() && QFileInfo(target).fileName() != name) details << name;
    QString text = QStringLiteral("COM %1 \u2192 %2").arg(m.captured(1), target);
    if (!details.isEmpty()) text += QStringLiteral(" (%1)").arg(details.join(QStringLiteral(", ")));
    out.append({m.captured(1).toInt(), text});
  }
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.comNumber < b.comNumber; });
  return out;
}

QList<SerialAdapter> serialAdapters() {
  QList<SerialAdapter> out;
  QStringList named;
  const QDir byId(serialByIdFolder());
  for (const QFileInfo& e :
       byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
    const QString device = resolvedPath(e.absoluteFilePath());
    if (device.isEmpty()) continue;
    named << device;
    out.append({e.absoluteFilePath(), QStringLiteral("%1 (%2)").arg(e.fileName(), device)});
  }
  const QDir dev(QStringLiteral("/dev"));
  for (const QFileInfo& e : dev.entryInfoList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                              QDir::System | QDir::Files, QDir::Name)) {
    if (named.contains(e.absoluteFilePath())) continue;
    out.append({e.absoluteFilePath(), e.absoluteFilePath()});
  }
  return out;
}

QList<int> freeComNumbers(int maxComNumber) {
  QList<int> out;
  for (int n = 1; n <= maxComNumber; ++n)
    if (!entryExists(portsFolderEntry(n))) out.append(n);
  return out;
}

void assignComNumber(int comNumber, const QString& adapterPath) {
  const QString folder = writablePortsFolder();
  if (comNumber <= 0) refuse(QStringLiteral("Choose a COM number."));
  const QString path = adapterPath.trimmed();
  if (path.isEmpty()) refuse(QStringLiteral("Choose an adapter."));
  if (!QDir::isAbsolutePath(path)) refuse(QStringLiteral("%1 is not a full path (/dev/...).").arg(path));
  struct stat st {};
  if (::stat(path.toLocal8Bit().constData(), &st) != 0)
    refuse(QStringLiteral("%1: %2.").arg(path, systemError()));
  if (!S_ISCHR(st.st_mode)) refuse(QStringLiteral("%1 is not a serial device.").arg(path));
  const QString entry = portsFolderEntry(comNumber);
  if (entryExists(entry))
    refuse(QStringLiteral("COM %1 is assigned already; remove that assignment first.").arg(comNumber));
  if (!QDir().mkpath(folder)) refuse(QStringLiteral("Cannot create the ports folder %1.").arg(folder));
  if (::symlink(path.toLocal8Bit().constData(), entry.toLocal8Bit().constData()) != 0)
    refuse(QStringLiteral("Cannot create %1: %2.").arg(entry, systemError()));
}

void removeComAssignment(int comNumber) {
  writablePortsFolder();
  const QString entry = portsFolderEntry(comNumber);
  struct stat st {};
  if (::lstat(entry.toLocal8Bit().constData(), &st) != 0)
    refuse(QStringLiteral("COM %1 is not assigned.").arg(comNumber));
  // Only links are ours to remove; anything else someone put there on purpose.
  if (!S_ISLNK(st.st_mode)) refuse(QStringLiteral("%1 is not a link; this tool leaves it alone.").arg(entry));
  if (::unlink(entry.toLocal8Bit().constData()) != 0)
    refuse(QStringLiteral("Cannot remove %1: %2.").arg(entry, systemError()));
}

}  // namespace pellix
