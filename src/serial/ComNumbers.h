#pragma once
// COM numbers on Linux: the ports folder entry COM<n> when present, else
// COM1..32 -> /dev/ttyS0..31, COM33..64 -> /dev/ttyUSB0..31, COM65..96 -> /dev/ttyACM0..31.
#include <QString>

namespace pellix {

// Device path of COM n; empty when n has no device (n <= 0, n > 96 without an entry).
QString comDevicePath(int comNumber);

// Denied: the system refuses this user the device (EACCES).
enum class PortOpenFailure { None, Missing, Busy, Denied, Other };

// The one place that interprets errno for port opening: what kind of failure it is.
PortOpenFailure classifyOpenErrno(int err);

// Opens COM n for exclusive use (TIOCEXCL and an flock on the device's real path),
// non-blocking. Returns the fd, or -1 with `failure` set (never None then).
int openComDevice(int comNumber, PortOpenFailure& failure);

enum class PortState { Free, Busy, Absent };
// Probes COM n as the port list does: open exclusively and close at once.
PortState probeComPort(int comNumber);

}  // namespace pellix
