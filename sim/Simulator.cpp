#include "Simulator.h"

#include "PortsFolder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace pellix::gwsim {
namespace {

namespace fs = std::filesystem;

// A frame whose header promises more bytes may arrive in pieces from a busy writer;
// give it this long before calling it broken.
constexpr int kPartialFrameMs = 50;

std::int64_t monotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string systemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

int baudOf(speed_t speed) {
  switch (speed) {
    case B1200:
      return 1200;
    case B1800:
      return 1800;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    case B230400:
      return 230400;
    default:
      return 9600;
  }
}

}  // namespace

std::optional<FaultRule> parseFaultRule(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  FaultRule rule;
  if (text.back() == '%' || text.find('.') != std::string::npos) {
    const double v = std::strtod(text.c_str(), &end);
    const bool percent = *end == '%';
    if (percent) ++end;
    if (*end != '\0' || v < 0) return std::nullopt;
    rule.fraction = percent ? v / 100.0 : v;
    if (rule.fraction > 1.0) return std::nullopt;
    return rule;
  }
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < 0 || v > 1000000) return std::nullopt;
  rule.count = static_cast<int>(v);
  return rule;
}

std::string formatLogLine(const LogEntry& e) {
  const char* tag = e.kind == LogEntry::Kind::Request ? "RX" : e.kind == LogEntry::Kind::Reply ? "TX" : "--";
  char head[32];
  std::snprintf(head, sizeof head, "%8lld %s ", static_cast<long long>(e.ms), tag);
  std::string line = head;
  if (!e.bytes.empty()) line += hexBytes(e.bytes.data(), e.bytes.size()) + " | ";
  return line + e.text;
}

Simulator::Simulator(GatewayModel model) : model_(std::move(model)), random_(1) { startNs_ = monotonicNs(); }

Simulator::~Simulator() { stop(); }

std::int64_t Simulator::elapsedMs() const { return (monotonicNs() - startNs_) / 1000000; }

bool Simulator::start(std::string* error) {
  if (running()) return true;
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    closePty();
    return false;
  };
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) return fail(systemError("posix_openpt"));
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) return fail(systemError("unlockpt"));
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) return fail(systemError("ptsname"));
  devicePath_ = name;
  // Holding the slave side open keeps the master readable while no master program has it open.
  slave_ = ::open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) return fail(systemError("open pty slave"));
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) return fail(systemError("tcgetattr"));
  cfmakeraw(&tio);
  cfsetspeed(&tio, B9600);
  if (tcsetattr(slave_, TCSANOW, &tio) != 0) return fail(systemError("tcsetattr"));
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_ < 0) return fail(systemError("eventfd"));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    random_.seed(faults_.seed);
  }
  stopping_ = false;
  hangUpRequested_ = false;
  hungUp_ = false;
  startNs_ = monotonicNs();
  thread_ = std::thread([this] { serve(); });
  return true;
}

void Simulator::stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    thread_.join();
  }
  closePty();
  if (wake_ >= 0) ::close(wake_);
  wake_ = -1;
  removeLink();
}

void Simulator::closePty() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
}

void Simulator::hangUp() {
  hangUpRequested_ = true;
  const std::uint64_t one = 1;
  if (wake_ >= 0) [[maybe_unused]]
    auto n = ::write(wake_, &one, sizeof one);
}

bool Simulator::replug(std::string* error) {
  const std::string path = linkPath_;
  stop();
  if (!start(error)) return false;
  return path.empty() || link(path, error);
}

bool Simulator::link(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
  if (fs::is_symlink(fs::symlink_status(p, ec))) {
    // A link left behind by a simulator that died: its pty is gone.
    if (!fs::exists(p, ec)) fs::remove(p, ec);
  }
  if (fs::exists(fs::symlink_status(p, ec))) {
    if (error) *error = path + " already exists (is another simulator running?)";
    return false;
  }
  fs::create_symlink(devicePath_, p, ec);
  if (ec) {
    if (error) *error = path + ": " + ec.message();
    return false;
  }
  linkPath_ = path;
  return true;
}

std::string Simulator::linkAsCom(int comNumber, std::string* error) {
  const std::string path = pellix::portsFolderEntry(comNumber).toStdString();
  return link(path, error) ? path : std::string();
}

void Simulator::removeLink() {
  if (linkPath_.empty()) return;
  std::error_code ec;
  // Only our own link: someone may have put another device there since.
  if (fs::is_symlink(fs::symlink_status(linkPath_, ec)) && fs::read_symlink(linkPath_, ec) == devicePath_)
    fs::remove(linkPath_, ec);
  linkPath_.clear();
}

void Simulator::setFaults(const Faults& faults) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (faults.seed != faults_.seed) random_.seed(faults.seed);
  faults_ = faults;
}

Faults Simulator::faults() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return faults_;
}

void Simulator::setLogHandler(std::function<void(const LogEntry&)> handler) {
  std::lock_guard<std::mutex> lock(logMutex_);
  logHandler_ = std::move(handler);
}

void Simulator::log(LogEntry::Kind kind, const Frame& bytes, const std::string& text) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (logHandler_) logHandler_(LogEntry{elapsedMs(), kind, bytes, text});
}

int Simulator::silenceMs() const {
  // 3.5 characters of 11 bits at the rate the master set on its side of the pty.
  termios tio{};
  int baud = 9600;
  if (master_ >= 0 && tcgetattr(master_, &tio) == 0) baud = baudOf(cfgetospeed(&tio));
  const int t35 = (35 * 11 * 1000 / 10 + baud - 1) / baud;
  return std::max<int>(minSilenceMs_, t35);
}

bool Simulator::sleepInterruptibly(int ms) {
  pollfd p{wake_, POLLIN, 0};
  const std::int64_t until = monotonicNs() + std::int64_t{ms} * 1000000;
  while (!stopping_) {
    const std::int64_t left = (until - monotonicNs()) / 1000000;
    if (left <= 0) return true;
    ::poll(&p, 1, static_cast<int>(left));
    if (stopping_ || hangUpRequested_) return false;
  }
  return false;
}

void Simulator::writeAll(const Frame& bytes) {
  std::size_t done = 0;
  while (done < bytes.size() && master_ >= 0) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // Nobody reads the other side; do not wait for ever.
      pollfd p{master_, POLLOUT, 0};
      if (::poll(&p, 1, 500) > 0) continue;
    }
    log(LogEntry::Kind::Note, {}, "reply not sent: " + std::string(std::strerror(errno)));
    return;
  }
}

bool Simulator::decide(FaultRule& rule) {
  if (rule.count > 0) {
    --rule.count;
    return true;
  }
  return rule.fraction > 0.0 && std::uniform_real_distribution<double>(0.0, 1.0)(random_) < rule.fraction;
}

void Simulator::handle(const Frame& request) {
  log(LogEntry::Kind::Request, request, describeRequest(request));
  const std::uint8_t address = slaveAddress_;
  const bool forUs = request[0] == address;
  std::optional<Frame> reply;
  Faults f;
  bool drop = false, badCrc = false, shortReply = false, garbage = false, hang = false;
  Frame junk;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    model_.advanceTo(elapsedMs());
    if (forUs && !model_.silent()) {
      ++requests_;
      drop = decide(faults_.noReply);
      if (faults_.hangUpAfter >= 0) hang = faults_.hangUpAfter-- == 0;
    }
    if (!drop && !hang) reply = handleRequest(request, address, model_);
    if (reply) {
      badCrc = decide(faults_.badCrc);
      shortReply = decide(faults_.shortReply);
      garbage = decide(faults_.garbage);
      for (int i = 0; garbage && i < faults_.garbageBytes; ++i)
        junk.push_back(static_cast<std::uint8_t>(random_() & 0xFF));
    }
    f = faults_;
  }
  if (hang) {
    log(LogEntry::Kind::Note, {}, "fault: hang-up");
    hangUpRequested_ = true;
    return;
  }
  if (drop) {
    log(LogEntry::Kind::Note, {}, "fault: request lost, no reply");
    return;
  }
  if (!reply) {
    if (forUs) log(LogEntry::Kind::Note, {}, "no reply");
    return;
  }
  if (f.delayMs > 0 && !sleepInterruptibly(f.delayMs)) return;
  Frame out = *reply;
  if (badCrc) out.back() ^= 0x5A;
  if (shortReply) {
    const std::size_t keep = f.shortBytes > 0 ? static_cast<std::size_t>(f.shortBytes) : out.size() / 2;
    if (keep < out.size()) out.resize(keep);
  }
  if (garbage) out.insert(out.begin(), junk.begin(), junk.end());
  std::string text = describeReply(*reply);
  if (badCrc) text += " [fault: bad CRC]";
  if (shortReply) text += " [fault: short reply]";
  if (garbage) text += " [fault: garbage first]";
  if (f.delayMs > 0) text += " [delayed " + std::to_string(f.delayMs) + " ms]";
  log(LogEntry::Kind::Reply, out, text);
  writeAll(out);
}

void Simulator::process(Frame& buffer, bool silenceSeen) {
  for (;;) {
    const std::size_t need = requestLength(buffer.data(), buffer.size());
    if (need > 0 && buffer.size() >= need && crcOk(buffer.data(), need)) {
      const Frame request(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(need));
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(need));
      handle(request);
      continue;
    }
    break;
  }
  if (!silenceSeen || buffer.empty()) return;
  // The line went quiet: whatever is buffered is one frame, good or not.
  if (crcOk(buffer)) {
    handle(buffer);
  } else {
    log(LogEntry::Kind::Request, buffer, "dropped: " + describeRequest(buffer));
  }
  buffer.clear();
}

void Simulator::serve() {
  Frame buffer;
  std::int64_t lastByteNs = 0;
  std::uint8_t chunk[512];
  while (!stopping_) {
    if (hangUpRequested_) {
      hungUp_ = true;
      closePty();
      log(LogEntry::Kind::Note, {}, "hung up");
      return;
    }
    int timeout = -1;
    if (!buffer.empty()) {
      const std::size_t need = requestLength(buffer.data(), buffer.size());
      const bool promising =
          (buffer.size() >= 2 && buffer.size() < 7 && buffer[1] == 16) || (need > buffer.size());
      const int quiet = promising ? std::max(kPartialFrameMs, silenceMs()) : silenceMs();
      const std::int64_t left = quiet - (monotonicNs() - lastByteNs) / 1000000;
      timeout = static_cast<int>(std::max<std::int64_t>(0, left));
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
    const int n = ::poll(fds, 2, timeout);
    if (n < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) {
      std::uint64_t v;
      [[maybe_unused]] auto r = ::read(wake_, &v, sizeof v);
      continue;
    }
    if (fds[0].revents & POLLIN) {
      const ssize_t got = ::read(master_, chunk, sizeof chunk);
      if (got > 0) {
        buffer.insert(buffer.end(), chunk, chunk + got);
        lastByteNs = monotonicNs();
        // Nothing longer than 256 bytes is a Modbus RTU frame.
        if (buffer.size() > 512) buffer.erase(buffer.begin(), buffer.end() - 256);
        process(buffer, false);
      }
      continue;
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      log(LogEntry::Kind::Note, {}, "pty failed; serving stopped");
      break;
    }
    if (n == 0) process(buffer, true);
  }
}

}  // namespace pellix::gwsim
