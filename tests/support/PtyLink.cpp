#include "PtyLink.h"

#include "PortsFolder.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace pellix::test {

PtyLink::PtyLink(int comNumber, Slave slave) : com_(comNumber) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
    throw std::runtime_error("posix_openpt failed");
  slavePath_ = QString::fromLocal8Bit(ptsname(master_));
  if (slave == Slave::Kept) {
    slaveKeeper_ = ::open(slavePath_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slaveKeeper_ < 0) throw std::runtime_error("cannot open the pty slave");
    termios t{};
    tcgetattr(slaveKeeper_, &t);
    cfmakeraw(&t);
    tcsetattr(slaveKeeper_, TCSANOW, &t);
  }
  link_ = portsFolderEntry(comNumber);
  QFile::remove(link_);
  if (!QFile::link(slavePath_, link_)) throw std::runtime_error("cannot link " + link_.toStdString());
}

PtyLink::~PtyLink() {
  QFile::remove(link_);
  if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
  if (master_ >= 0) ::close(master_);
}

void PtyLink::write(const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 100);
    } else {
      throw std::runtime_error("pty write failed");
    }
  }
}

void PtyLink::send(const QByteArray& bytes) { write(Bytes(bytes.begin(), bytes.end())); }

Bytes PtyLink::read(std::size_t n, int timeoutMs) {
  Bytes out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.size() < n) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0))) > 0) {
      uint8_t buf[512];
      const ssize_t got = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
      if (got > 0)
        out.insert(out.end(), buf, buf + got);
      else if (got < 0 && errno != EAGAIN)
        ::usleep(1000);  // EIO while nobody holds the slave open
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
  }
  return out;
}

QByteArray PtyLink::receive(int count, int timeoutMs) {
  const Bytes bytes = read(static_cast<std::size_t>(std::max(count, 0)), timeoutMs);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

Bytes PtyLink::readFor(int ms) {
  Bytes out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    uint8_t buf[512];
    const ssize_t got = ::read(master_, buf, sizeof buf);
    if (got > 0) out.insert(out.end(), buf, buf + got);
  }
  return out;
}

void PtyLink::hangUp() {
  if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
  slaveKeeper_ = -1;
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

}  // namespace pellix::test
