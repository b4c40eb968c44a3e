#include "PtyPair.h"

#include "PortsFolder.h"

#include <gtest/gtest.h>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <algorithm>

namespace pellix::test {

PtyPair::PtyPair(int comNumber) : FComNumber(comNumber) {
  FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0) {
    ADD_FAILURE() << "no pseudo-terminal";
    return;
  }
  FSlavePath = QString::fromLocal8Bit(::ptsname(FMaster));
  FLink = portsFolderEntry(comNumber);
  QFile::remove(FLink);
  if (!QFile::link(FSlavePath, FLink)) ADD_FAILURE() << "cannot link " << FLink.toStdString();
}

PtyPair::~PtyPair() {
  hangUp();
  QFile::remove(FLink);
}

void PtyPair::send(const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(FMaster, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n > 0) {
      done += n;
    } else {
      pollfd p{FMaster, POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
  }
}

QByteArray PtyPair::receive(int count, int timeoutMs) {
  QByteArray out;
  QElapsedTimer timer;
  timer.start();
  char buf[4096];
  while (out.size() < count && timer.elapsed() < timeoutMs) {
    pollfd p{FMaster, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
    const size_t want = std::min(sizeof buf, static_cast<size_t>(count - out.size()));
    const ssize_t n = ::read(FMaster, buf, want);
    if (n > 0) out.append(buf, n);
  }
  return out;
}

void PtyPair::hangUp() {
  if (FMaster >= 0) ::close(FMaster);
  FMaster = -1;
}

}  // namespace pellix::test
