#pragma once
// What a technician recognises a port by: the device a COM number leads to, and the
// stable name the system gives a USB adapter (maker, model and serial number).
#include <QString>

namespace pellix {

// Real path of `path` with every link resolved; empty when it does not resolve.
QString resolvedPath(const QString& path);

// The adapter's name in the by-id folder: the by-id link that `path` leads through,
// else the by-id entry that resolves to the same device; empty when there is none.
QString byIdName(const QString& path);

// "COM 3 → /dev/ttyUSB0 (usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0)": the device
// COM n leads to and its by-id name when it has one.
QString comPortDescription(int comNumber);

// The remedy for a device the system refuses to open (EACCES): the device's group and
// how to join it; empty when joining would not help (the group may not read and write
// the device, it is root's, or this process is in it already).
QString accessRemedy(const QString& devicePath);

}  // namespace pellix
