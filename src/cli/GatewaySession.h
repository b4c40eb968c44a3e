#pragma once
// The gateway client on a port of its own, run by the poll as in the window: pellix-cli
// waits for the blocks a command needs and gives up after three unanswered tries.
#include "AfComPort.h"
#include "CliOptions.h"
#include "GWYKomunikator.h"
#include "GatewayBlocks.h"
#include "RegisterMap.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>

namespace pellix::cli {

using Block = TRegisterBlock;
using Blocks = std::map<uint16_t, Block>;

// The COM number to open: --com, or the number a --device path is reached by (a link in
// a ports folder of the process's own when no number leads to it).
int ComNumberFor(const LinkOptions& link);
// Runs open (of the port reached by com); with --device, a port error names the device
// rather than the number it was reached by.
// "COM3" or the --device path, for messages.
QString PortNameOf(const LinkOptions& link);
void OpenPortOf(const LinkOptions& link, int com, const std::function<void()>& open);

class GatewaySession {
 public:
  static constexpr int TriesInARow = 3;

  explicit GatewaySession(const LinkOptions& link);
  ~GatewaySession();
  GatewaySession(const GatewaySession&) = delete;
  GatewaySession& operator=(const GatewaySession&) = delete;

  // Opens the port and starts the poll; the port's own error when it cannot open.
  void Connect();
  // Polls until every block of `wanted` has arrived in reply to a request made after
  // this call. CliError(ExitNoReply) after three unanswered tries in a row.
  Blocks ReadBlocks(const std::set<uint16_t>& wanted);
  // Queues a line's command word with `queue`, makes sure it went out and that the
  // gateway took it (the line's command register shows it), then reads `thenRead`
  // and the service block.
  Blocks Command(int line, uint16_t word, const std::function<void()>& queue, std::set<uint16_t> thenRead);

  TGWYKomunikator& Client() { return client_; }
  QString PortName() const { return PortNameOf(link_); }

 private:
  Blocks ReadAfter(int mark, const std::set<uint16_t>& wanted);
  void WaitFor(const std::function<bool()>& done);
  void Steer();

  LinkOptions link_;
  int com_ = 0;
  TAfComPort port_{QStringLiteral("AfComPort1")};
  TGWYKomunikator client_{port_};
  // Requests on the wire, numbered: what a reply answers, and when a write went out.
  int sequence_ = 0;
  int lastReadRequest_ = 0;
  int writeSeen_ = 0;
  uint16_t expectedRegister_ = 0;
  uint16_t expectedValue_ = 0;
  bool expectingWrite_ = false;
  // The blocks read since the mark of the running wait.
  int mark_ = 0;
  std::set<uint16_t> wanted_;
  Blocks received_;
  // Three unanswered requests in a row.
  int32_t lastRx_ = 0;
  int32_t txAtLastRx_ = 0;
  bool noReply_ = false;
  QString portError_;  // what the error report got from the port
};

}  // namespace pellix::cli
