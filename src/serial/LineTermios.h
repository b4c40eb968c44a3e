#pragma once
// Line settings <-> the kernel's termios2. The kernel header that declares
// termios2 clashes with <termios.h>, so this header uses a layout-identical
// mirror and only LineTermios.cpp includes the kernel's.
#include "AfComPort.h"

#include <cstdint>

namespace pellix {

struct Termios2 {
  uint32_t c_iflag = 0;
  uint32_t c_oflag = 0;
  uint32_t c_cflag = 0;
  uint32_t c_lflag = 0;
  uint8_t c_line = 0;
  uint8_t c_cc[19] = {};
  uint32_t c_ispeed = 0;
  uint32_t c_ospeed = 0;
};

// The kernel's code for "rate in c_ispeed/c_ospeed" and the rate field mask.
extern const uint32_t kTermiosBother;
extern const uint32_t kTermiosCbaud;

// Builds a raw line (no echo, no line editing, VMIN 1 / VTIME 0) from the record on
// top of `current`, whose unrelated bits stay. Standard rates use their code, any
// other rate BOTHER. False when the record cannot be expressed (rate <= 0,
// fewer than 5 data bits, parity code out of range).
bool settingsToTermios(const LineSettings& settings, const Termios2& current, Termios2& out);

// Rate in bit/s that a termios2 record carries.
uint32_t termiosRate(const Termios2& t);

// The record as the device reports it: rate, byte size, parity, stop bits and
// flow control from `t`; the rest from `base`.
LineSettings termiosToSettings(const Termios2& t, const LineSettings& base);

// TCGETS2 / TCSETS2; false with errno set on failure.
bool readTermios(int fd, Termios2& t);
bool writeTermios(int fd, const Termios2& t);

}  // namespace pellix
