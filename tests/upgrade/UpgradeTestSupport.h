#pragma once
// A gateway behind the transfer's port interface (the simulator's register model, no
// pty), and helpers to write images into the sandbox.
#include "GatewayModel.h"
#include "ProgrammerTransfer.h"
#include "RtuServer.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <vector>

namespace pellix::test {

using Bytes = std::vector<uint8_t>;

// An image that does not repeat every block.
Bytes makeImage(std::size_t size);
// The image as the gateway should hold it: padded with 0xFF to whole blocks, plus a
// block of 0xFF after an image of whole blocks.
Bytes paddedImage(const Bytes& image);
// Writes bytes into a new file of the sandbox and returns its full name.
QString writeImageFile(const QString& name, const Bytes& bytes);

class GatewayPort final : public ProgrammerPort {
 public:
  gwsim::GatewayModel model;
  uint8_t slave = 1;
  bool open = true;
  Bytes input;                         // what the tick will find waiting
  std::vector<gwsim::Frame> requests;  // every frame written
  int loseRequests = 0;                // the next n requests: not carried out, not answered
  bool echoRestart = false;            // a gateway that echoes the restart write
  bool failRead = false;               // the next read raises the port's read error

  bool IsOpen() override { return open; }
  int BytesWaiting() override { return open ? static_cast<int>(input.size()) : 0; }
  void ReadBytes(void* buffer, int count) override;
  void WriteBytes(const void* buffer, int count) override;
  void ClosePort() override { open = false; }

  // Byte offsets of the program blocks written, in order.
  std::vector<int> blockOffsets() const;
  int eraseRequestsSent() const;
};

// The transfer on a GatewayPort with a clock and a timer of its own.
struct TransferRig {
  GatewayPort port;
  QTimer timer;
  qint64 clockMs = 1'000'000;
  ProgrammerTransfer transfer{port, timer};

  TransferRig();
  // One tick; the gateway's time and the clock move by the timer's interval first.
  void tick();
  void load(const Bytes& image, const QString& name = QStringLiteral("image.bin"));
  // "Program Memory..." confirmed.
  void startRun();
  // Ticks until the run is over (not Busy); returns the ticks taken, -1 after maxTicks.
  int runToEnd(int maxTicks = 2000);
};

}  // namespace pellix::test
