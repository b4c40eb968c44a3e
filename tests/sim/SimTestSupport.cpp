#include "SimTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace pellix::gwsim::test {

Device steadyDevice(const RomCode& rom, int line, double temperature) {
  Device d;
  d.rom = rom;
  d.line = line;
  d.temperature = temperature;
  d.swing = 0;
  d.humiditySwing = 0;
  d.connectedS = 0;
  d.removedS = 0;
  return d;
}

GatewayModel Plant::model() const {
  GatewayModel m;
  m.addDevice(steadyDevice(a, 0));
  m.addDevice(steadyDevice(b, 0));
  m.addDevice(steadyDevice(c, 1));
  m.addDevice(steadyDevice(d, 1));
  m.addDevice(steadyDevice(e, 1));
  m.assign(0, a);
  m.assign(20, c);
  return m;
}

Frame request(std::uint8_t slave, std::uint8_t function, std::uint16_t address, std::uint16_t valueOrCount) {
  Frame f{slave,
          function,
          static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(address),
          static_cast<std::uint8_t>(valueOrCount >> 8),
          static_cast<std::uint8_t>(valueOrCount)};
  appendCrc(f);
  return f;
}

Frame writeMultiple(std::uint8_t slave, std::uint16_t address, const std::vector<std::uint16_t>& values) {
  Frame f{slave,
          16,
          static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(address),
          0,
          static_cast<std::uint8_t>(values.size()),
          static_cast<std::uint8_t>(2 * values.size())};
  for (auto v : values) {
    f.push_back(static_cast<std::uint8_t>(v >> 8));
    f.push_back(static_cast<std::uint8_t>(v));
  }
  appendCrc(f);
  return f;
}

std::vector<std::uint16_t> registersOf(const Frame& r) {
  std::vector<std::uint16_t> out;
  for (std::size_t i = 3; i + 1 < r.size() - 2; i += 2)
    out.push_back(static_cast<std::uint16_t>(r[i] << 8 | r[i + 1]));
  return out;
}

std::vector<std::uint8_t> testImage(std::size_t size) {
  std::vector<std::uint8_t> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
  return image;
}

Frame programBlock(const std::vector<std::uint8_t>& image, std::size_t offset) {
  std::vector<std::uint16_t> regs{static_cast<std::uint16_t>(offset & 0xFFFF)};
  const auto at = [&](std::size_t k) { return k < image.size() ? image[k] : std::uint8_t{0xFF}; };
  for (std::size_t i = 0; i < 192; i += 2)
    regs.push_back(static_cast<std::uint16_t>(at(offset + i) << 8 | at(offset + i + 1)));
  return writeMultiple(1, 1375, regs);
}

RawMaster::RawMaster(const std::string& path, unsigned baudConstant) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) return;
  termios tio{};
  tcgetattr(fd_, &tio);
  cfmakeraw(&tio);
  cfsetspeed(&tio, baudConstant != 0 ? static_cast<speed_t>(baudConstant) : B19200);
  tcsetattr(fd_, TCSANOW, &tio);
}

RawMaster::~RawMaster() {
  if (fd_ >= 0) ::close(fd_);
}

void RawMaster::send(const Frame& bytes) {
  [[maybe_unused]] auto n = ::write(fd_, bytes.data(), bytes.size());
}

namespace {
std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

Frame RawMaster::receive(std::size_t expected, int ms) {
  Frame got;
  const auto until = nowMs() + ms;
  while (got.size() < expected) {
    const auto left = until - nowMs();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    if (!(p.revents & POLLIN)) break;
    std::uint8_t buf[512];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

Frame RawMaster::receiveUntilQuiet(int quietMs, int maxMs) {
  Frame got;
  const auto until = nowMs() + maxMs;
  while (nowMs() < until) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, quietMs) <= 0 || !(p.revents & POLLIN)) break;
    std::uint8_t buf[512];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

bool RawMaster::hungUp(int ms) {
  const auto until = nowMs() + ms;
  while (nowMs() < until) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 50) > 0 && (p.revents & (POLLHUP | POLLERR))) return true;
  }
  return false;
}

}  // namespace pellix::gwsim::test
