#pragma once
// Fixed COM numbers for serial adapters: the links COM<n> in the ports folder. Only
// the ports folder is ever changed; the devices and /dev are left alone.
#include <QList>
#include <QString>

#include <stdexcept>

namespace pellix {

class EPortAssignmentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ComAssignment {
  int comNumber = 0;
  QString text;  // "COM 3 → /dev/serial/by-id/usb-… (/dev/ttyUSB0)"
};
// The COM<n> entries of the ports folder, by number.
QList<ComAssignment> comAssignments();

struct SerialAdapter {
  QString path;  // the by-id link when the adapter has one, else its device
  QString text;  // "usb-FTDI_… (/dev/ttyUSB0)", or the device alone
};
// The adapters present: those the system names by id, then USB serial and modem
// devices without such a name.
QList<SerialAdapter> serialAdapters();

// COM numbers 1..maxComNumber without an entry in the ports folder.
QList<int> freeComNumbers(int maxComNumber);

// Links COM n to the adapter at `adapterPath` (a full path to a serial device).
void assignComNumber(int comNumber, const QString& adapterPath);
// Removes the link COM n.
void removeComAssignment(int comNumber);

}  // namespace pellix
