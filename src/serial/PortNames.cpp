#include "PortNames.h"

#include "ComNumbers.h"
#include "PortsFolder.h"

#include <QDir>
#include <QFileInfo>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace pellix {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows

bool processHasGroup(gid_t gid) {
  if (::getegid() == gid) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  const int got = ::getgroups(count, groups.data());
  for (int i = 0; i < got; ++i)
    if (groups[static_cast<size_t>(i)] == gid) return true;
  return false;
}

QString groupName(gid_t gid) {
  group g{};
  group* found = nullptr;
  std::vector<char> buffer(4096);
  if (::getgrgid_r(gid, &g, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
  return QString::fromLocal8Bit(found->gr_name);
}

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

QString accessRemedy(const QString& devicePath) {
  const QString device = resolvedPath(devicePath);
  struct stat st {};
  if (device.isEmpty() || ::stat(device.toLocal8Bit().constData(), &st) != 0) return {};
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return {};
  if (st.st_gid == 0 || processHasGroup(st.st_gid)) return {};
  const QString group = groupName(st.st_gid);
  if (group.isEmpty()) return {};
  return QStringLiteral(
             "%1 belongs to the group %2: add yourself to it with sudo usermod -aG %2 $USER, "
             "then log in again.")
      .arg(device, group);
}

}  // namespace pellix
