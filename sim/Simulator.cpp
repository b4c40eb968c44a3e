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

// What a short reply keeps of a reply of `size` bytes.
std::size_t keptBytes(const Faults& f, std::size_t size) {
  return f.shortBytes > 0 ? static_cast<std::size_t>(f.shortBytes) : size / 2;
}

// Points the link at target in one step (a new link renamed over the old one), so
// that nobody ever finds the entry missing.
void pointLink(const std::string& path, const std::string& target, std::error_code& ec) {
  const std::string temp = path + ".new";
  fs::remove(temp, ec);
  fs::create_symlink(target, temp, ec);
  if (!ec) fs::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
  }
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
  halt();
  removeLink();
}

void Simulator::halt() {
  if (thread_.joinable()) {
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    thread_.join();
  }
  closePty();
  if (wake_ >= 0) ::close(wake_);
  wake_ = -1;
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
  const std::string path = linkPath();
  // The link stays (broken) until it points at the new pty: without an entry the number
  // would fall back to a device of the machine.
  halt();
  if (!start(error)) return false;
  return path.empty() || link(path, error);
}

std::string Simulator::unpluggedTarget() const { return devicePath_ + " (unplugged)"; }

bool Simulator::link(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
  // A link whose pty is gone (left by a simulator that died, or unplugged) is replaced.
  if (fs::exists(fs::symlink_status(p, ec)) && fs::exists(p, ec)) {
    if (error) *error = path + " already exists (is another simulator running?)";
    return false;
  }
  pointLink(path, devicePath_, ec);
  if (ec) {
    if (error) *error = path + ": " + ec.message();
    return false;
  }
  std::lock_guard<std::mutex> lock(linkMutex_);
  linkPath_ = path;
  return true;
}

std::string Simulator::linkAsCom(int comNumber, std::string* error) {
  const std::string path = pellix::portsFolderEntry(comNumber).toStdString();
  return link(path, error) ? path : std::string();
}

std::string Simulator::linkPath() const {
  std::lock_guard<std::mutex> lock(linkMutex_);
  return linkPath_;
}

bool Simulator::ownLinkLocked() const {
  std::error_code ec;
  // Only our own link: someone may have put another device there since.
  if (linkPath_.empty() || !fs::is_symlink(fs::symlink_status(linkPath_, ec))) return false;
  const fs::path target = fs::read_symlink(linkPath_, ec);
  return target == devicePath_ || target == unpluggedTarget();
}

void Simulator::unplugLinkLocked() {
  std::error_code ec;
  if (ownLinkLocked()) pointLink(linkPath_, unpluggedTarget(), ec);
}

void Simulator::unlinkLocked() {
  std::error_code ec;
  if (ownLinkLocked()) fs::remove(linkPath_, ec);
}

void Simulator::removeLink() {
  std::lock_guard<std::mutex> lock(linkMutex_);
  unlinkLocked();
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

void Simulator::count(bool lost, bool answered, bool cut, bool corrupted, bool late) {
  if (lost)
    ++counts_.lost;
  else if (!answered)
    ++counts_.unanswered;
  else if (cut)
    ++counts_.cut;
  else if (corrupted)
    ++counts_.corrupted;
  else
    ++counts_.intact;
  if (late) ++counts_.delayed;
}

ReplyCounts Simulator::replyCounts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return counts_;
}

std::string formatReplyCounts(const ReplyCounts& c) {
  return "requests=" + std::to_string(c.requests) + " lost=" + std::to_string(c.lost) +
         " cut=" + std::to_string(c.cut) + " corrupted=" + std::to_string(c.corrupted) +
         " intact=" + std::to_string(c.intact) + " unanswered=" + std::to_string(c.unanswered) +
         " delayed=" + std::to_string(c.delayed);
}

void Simulator::handle(const Frame& request) {
  log(LogEntry::Kind::Request, request, describeRequest(request));
  const std::uint8_t address = slaveAddress_;
  const bool forUs = request[0] == address;
  std::optional<Frame> reply;
  Faults f;
  bool drop = false, badCrc = false, shortReply = false, garbage = false, hang = false, late = false;
  Frame junk;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    model_.advanceTo(elapsedMs());
    const bool counted = forUs && !model_.silent();
    if (counted) {
      ++requests_;
      ++counts_.requests;
      drop = decide(faults_.noReply);
      if (faults_.hangUpAfter >= 0) hang = faults_.hangUpAfter-- == 0;
    }
    if (!drop && !hang) reply = handleRequest(request, address, model_);
    if (reply) {
      badCrc = decide(faults_.badCrc);
      // A cut that would keep the whole reply is no cut.
      shortReply = decide(faults_.shortReply) && keptBytes(faults_, reply->size()) < reply->size();
      garbage = decide(faults_.garbage);
      for (int i = 0; garbage && i < faults_.garbageBytes; ++i)
        junk.push_back(static_cast<std::uint8_t>(random_() & 0xFF));
      late = faults_.delayMs > 0 && (!faults_.delayed || decide(*faults_.delayed));
    }
    f = faults_;
    if (counted) count(drop || hang, reply.has_value(), shortReply, badCrc || garbage, late);
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
  if (late && !sleepInterruptibly(f.delayMs)) return;
  Frame out = *reply;
  if (badCrc) out.back() ^= 0x5A;
  if (shortReply) out.resize(keptBytes(f, out.size()));
  if (garbage) out.insert(out.begin(), junk.begin(), junk.end());
  std::string text = describeReply(*reply);
  if (badCrc) text += " [fault: bad CRC]";
  if (shortReply) text += " [fault: short reply]";
  if (garbage) text += " [fault: garbage first]";
  if (late) text += " [delayed " + std::to_string(f.delayMs) + " ms]";
  log(LogEntry::Kind::Reply, out, text);
  writeAll(out);
}

void Simulator::quiet() {
  const Frame frame = framer_.silence();
  if (frame.empty()) return;
  // The line went quiet: whatever is buffered is one frame, good or not.
  if (crcOk(frame))
    handle(frame);
  else
    log(LogEntry::Kind::Request, frame, "dropped: " + describeRequest(frame));
}

void Simulator::serve() {
  framer_ = RequestFramer{};
  std::int64_t lastByteNs = 0;
  std::uint8_t chunk[512];
  while (!stopping_) {
    if (hangUpRequested_) {
      {
        // Left as it was, the link would point at a pty number the system soon gives to
        // somebody else; removed, the number would fall back to a device of the machine.
        // Broken, it is what the link to a pulled adapter is: the port is absent. Done
        // first, so that whoever sees the hang-up finds it broken.
        std::lock_guard<std::mutex> lock(linkMutex_);
        unplugLinkLocked();
      }
      hungUp_ = true;
      closePty();
      log(LogEntry::Kind::Note, {}, "hung up");
      return;
    }
    int timeout = -1;
    if (!framer_.empty()) {
      const int quiet = framer_.promisesMore() ? std::max(kPartialFrameMs, silenceMs()) : silenceMs();
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
        lastByteNs = monotonicNs();
        for (const Frame& request : framer_.push(chunk, static_cast<std::size_t>(got))) handle(request);
      }
      continue;
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      log(LogEntry::Kind::Note, {}, "pty failed; serving stopped");
      break;
    }
    if (n == 0) quiet();
  }
}

}  // namespace pellix::gwsim
