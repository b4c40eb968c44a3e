#include "ComNumbers.h"

#include "PortsFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace pellix {
namespace {

struct DeviceRange {
  int firstCom;
  const char* prefix;
};
constexpr DeviceRange kRanges[] = {{1, "/dev/ttyS"}, {33, "/dev/ttyUSB"}, {65, "/dev/ttyACM"}};
constexpr int kPerRange = 32;

struct ErrnoKind {
  int err;
  PortOpenFailure kind;
};
// What an open, the first TCGETS or the exclusive lock failing with errno means.
// EIO and ENOTTY: a node without hardware behind it, or not a serial port at all.
constexpr ErrnoKind kErrnoKinds[] = {
    {ENOENT, PortOpenFailure::Missing}, {ENODEV, PortOpenFailure::Missing},
    {ENXIO, PortOpenFailure::Missing},  {EIO, PortOpenFailure::Missing},
    {ENOTTY, PortOpenFailure::Missing}, {ENOTDIR, PortOpenFailure::Missing},
    {EBUSY, PortOpenFailure::Busy},     {EACCES, PortOpenFailure::Denied},
    {EPERM, PortOpenFailure::Busy},     {EWOULDBLOCK, PortOpenFailure::Busy},
};

int fail(int fd, PortOpenFailure& failure) {
  failure = classifyOpenErrno(errno);
  if (fd >= 0) ::close(fd);
  return -1;
}

}  // namespace

QString comDevicePath(int comNumber) {
  if (comNumber <= 0) return {};
  const QString entry = portsFolderEntry(comNumber);
  struct stat st {};
  if (::lstat(entry.toLocal8Bit().constData(), &st) == 0) return entry;
  for (const DeviceRange& r : kRanges)
    if (comNumber >= r.firstCom && comNumber < r.firstCom + kPerRange)
      return QString::fromLatin1(r.prefix) + QString::number(comNumber - r.firstCom);
  return {};
}

PortOpenFailure classifyOpenErrno(int err) {
  for (const ErrnoKind& e : kErrnoKinds)
    if (e.err == err) return e.kind;
  return PortOpenFailure::Other;
}

int openComDevice(int comNumber, PortOpenFailure& failure) {
  failure = PortOpenFailure::Missing;
  const QString path = comDevicePath(comNumber);
  if (path.isEmpty()) return -1;
  // The real path, so that two links to one device share the lock.
  char real[PATH_MAX];
  if (!::realpath(path.toLocal8Bit().constData(), real)) return fail(-1, failure);
  const int fd = ::open(real, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(fd, failure);
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return fail(fd, failure);
  // TIOCEXCL keeps other programs out, but not root; the lock keeps out root
  // and a second open in this process.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(fd, failure);
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(fd, failure);
  failure = PortOpenFailure::None;
  return fd;
}

PortState probeComPort(int comNumber) {
  PortOpenFailure failure = PortOpenFailure::None;
  const int fd = openComDevice(comNumber, failure);
  if (fd >= 0) {
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    return PortState::Free;
  }
  return failure == PortOpenFailure::Missing ? PortState::Absent : PortState::Busy;
}

}  // namespace pellix
