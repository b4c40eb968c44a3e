// Only file that includes the kernel's termios2 declaration: <asm/termbits.h>
// and <termios.h> cannot be used together.
#include "LineTermios.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstddef>
#include <cstring>
#include <iterator>

namespace pellix {

static_assert(sizeof(Termios2) == sizeof(::termios2));
static_assert(offsetof(Termios2, c_cc) == offsetof(::termios2, c_cc));
static_assert(offsetof(Termios2, c_ispeed) == offsetof(::termios2, c_ispeed));
static_assert(std::size(Termios2{}.c_cc) == NCCS);

const uint32_t kTermiosBother = BOTHER;
const uint32_t kTermiosCbaud = CBAUD;

namespace {

struct RateCode {
  uint32_t rate;
  uint32_t code;
};
constexpr RateCode kRateCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

constexpr uint32_t kSizeCodes[] = {CS5, CS6, CS7, CS8};

}  // namespace

bool settingsToTermios(const LineSettings& s, const Termios2& current, Termios2& out) {
  if (s.baudRate <= 0 || s.byteSize < 5 || s.byteSize > 8 || s.parity < 0 || s.parity > 4 || s.stopBits < 0 ||
      s.stopBits > 2)
    return false;
  out = current;

  out.c_iflag &= ~static_cast<uint32_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                        IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
  if (s.parityCheck) out.c_iflag |= INPCK;  // a byte with a parity error reads as NUL
  if (s.outX) out.c_iflag |= IXON;
  if (s.inX) out.c_iflag |= IXOFF;

  out.c_oflag &= ~static_cast<uint32_t>(OPOST);
  out.c_lflag &= ~static_cast<uint32_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);

  out.c_cflag &= ~static_cast<uint32_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
  out.c_cflag |= CREAD | CLOCAL | kSizeCodes[s.byteSize - 5];
  switch (s.parity) {
    case 1:
      out.c_cflag |= PARENB | PARODD;
      break;
    case 2:
      out.c_cflag |= PARENB;
      break;
    case 3:
      out.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 4:
      out.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  // The kernel has no 1.5 stop bits; with five data bits two mean one and a half.
  if (s.stopBits != 0) out.c_cflag |= CSTOPB;
  if (s.outxCtsFlow || s.rtsHandshake) out.c_cflag |= CRTSCTS;

  const auto rate = static_cast<uint32_t>(s.baudRate);
  uint32_t code = BOTHER;
  for (const RateCode& rc : kRateCodes)
    if (rc.rate == rate) code = rc.code;
  out.c_cflag |= code;  // input rate follows the output rate (CIBAUD clear)
  out.c_ispeed = rate;
  out.c_ospeed = rate;

  out.c_cc[VMIN] = 1;
  out.c_cc[VTIME] = 0;
  out.c_cc[VSTART] = s.xonChar;
  out.c_cc[VSTOP] = s.xoffChar;
  return true;
}

uint32_t termiosRate(const Termios2& t) {
  const uint32_t code = t.c_cflag & CBAUD;
  if (code == BOTHER) return t.c_ospeed;
  for (const RateCode& rc : kRateCodes)
    if (rc.code == code) return rc.rate;
  return 0;  // B0: hung up
}

LineSettings termiosToSettings(const Termios2& t, const LineSettings& base) {
  LineSettings s = base;
  s.baudRate = static_cast<int>(termiosRate(t));
  switch (t.c_cflag & CSIZE) {
    case CS5:
      s.byteSize = 5;
      break;
    case CS6:
      s.byteSize = 6;
      break;
    case CS7:
      s.byteSize = 7;
      break;
    default:
      s.byteSize = 8;
      break;
  }
  if (!(t.c_cflag & PARENB))
    s.parity = 0;
  else if (t.c_cflag & CMSPAR)
    s.parity = (t.c_cflag & PARODD) ? 3 : 4;
  else
    s.parity = (t.c_cflag & PARODD) ? 1 : 2;
  s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
  s.outX = (t.c_iflag & IXON) != 0;
  s.inX = (t.c_iflag & IXOFF) != 0;
  s.outxCtsFlow = s.rtsHandshake = (t.c_cflag & CRTSCTS) != 0;
  s.parityCheck = (t.c_iflag & INPCK) != 0;
  s.xonChar = t.c_cc[VSTART];
  s.xoffChar = t.c_cc[VSTOP];
  return s;
}

bool readTermios(int fd, Termios2& t) {
  ::termios2 k{};
  if (::ioctl(fd, TCGETS2, &k) != 0) return false;
  std::memcpy(static_cast<void*>(&t), &k, sizeof k);
  return true;
}

bool writeTermios(int fd, const Termios2& t) {
  ::termios2 k{};
  std::memcpy(&k, &t, sizeof k);
  return ::ioctl(fd, TCSETS2, &k) == 0;
}

}  // namespace pellix
