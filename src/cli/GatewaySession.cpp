#include "GatewaySession.h"

#include "ComNumbers.h"
#include "ErrorReport.h"
#include "ModbusFrames.h"
#include "RegisterMap.h"
#include "Wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace pellix::cli {
namespace {

constexpr int FirstComNumber = 1;
constexpr int LastMappedComNumber = 96;

QString realPath(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

}  // namespace

int ComNumberFor(const LinkOptions& link) {
  if (link.Device.isEmpty()) return link.Com;
  const QString wanted = realPath(link.Device);
  if (wanted.isEmpty()) throw CliError(ExitPortError, QStringLiteral("%1 does not exist").arg(link.Device));
  for (int com = FirstComNumber; com <= LastMappedComNumber; ++com) {
    const QString path = comDevicePath(com);
    if (!path.isEmpty() && realPath(path) == wanted) return com;
  }
  // A device no COM number leads to: a ports folder of this process's own names it COM1.
  static std::unique_ptr<QTemporaryDir> folder;
  folder = std::make_unique<QTemporaryDir>();
  if (!folder->isValid() || !QFile::link(wanted, folder->filePath(QStringLiteral("COM1"))))
    throw CliError(ExitPortError, QStringLiteral("Can't open device %1").arg(link.Device));
  qputenv("PELLIX_PORTS_DIR", QFile::encodeName(folder->path()));
  return 1;
}

QString PortNameOf(const LinkOptions& link) {
  return link.Device.isEmpty() ? QStringLiteral("COM%1").arg(link.Com) : link.Device;
}

void OpenPortOf(const LinkOptions& link, int com, const std::function<void()>& open) {
  if (link.Device.isEmpty()) return open();
  const auto named = [&](const std::exception& e) {
    return CliError(
        ExitPortError,
        QString::fromUtf8(e.what()).replace(QStringLiteral("COM%1").arg(com), link.Device).trimmed());
  };
  try {
    open();
  } catch (const EAfComPortCoreError& e) {
    throw named(e);
  } catch (const EAfComPortError& e) {
    throw named(e);
  }
}

GatewaySession::GatewaySession(const LinkOptions& link) : link_(link) {
  client_.OnTxFrame = [this](const TCommFrame& frame) {
    ++sequence_;
    if (frame.Length < 6) return;
    const uint8_t function = frame.Data[1];
    const auto word = [&](int at) { return static_cast<uint16_t>(frame.Data[at] << 8 | frame.Data[at + 1]); };
    if (function == modbus::FnReadHoldingRegisters) lastReadRequest_ = sequence_;
    if (function == modbus::FnWriteSingleRegister && expectingWrite_ && word(2) == expectedRegister_ &&
        word(4) == expectedValue_)
      writeSeen_ = sequence_;
  };
  client_.OnRegisters = [this] {
    if (lastReadRequest_ <= mark_) return;
    Block regs{};
    client_.GetRegisters(regs);
    received_[client_.GetPolledAddress()] = regs;
    Steer();
  };
  client_.SetCountersHandler([this](const TPocitadloValues& v) {
    if (v.Rx != lastRx_) {
      lastRx_ = v.Rx;
      txAtLastRx_ = v.Tx;
    } else if (v.Tx - txAtLastRx_ > TriesInARow) {
      noReply_ = true;  // the request going out now is the fourth
    }
  });
  pellix::setErrorHandler([this](const std::exception& e) {
    if (portError_.isEmpty()) portError_ = QString::fromUtf8(e.what());
    client_.Disconnect();
  });
}

GatewaySession::~GatewaySession() {
  pellix::setErrorHandler({});
  client_.Disconnect();
}

void GatewaySession::Connect() {
  com_ = ComNumberFor(link_);
  client_.SetBaudRateIndex(link_.BaudRateIndex);
  client_.SetSlaveAddress(static_cast<uint8_t>(link_.Address));
  client_.SetParityIndex(link_.ParityIndex);
  client_.SetStopBitsIndex(link_.StopBitsIndex);
  lastRx_ = txAtLastRx_ = 0;
  noReply_ = false;
  OpenPortOf(link_, com_, [&] { client_.Connect(com_); });
}

// The next block read is the first one still wanted: a read costs one poll period, and
// the blocks nobody waits for are left out.
void GatewaySession::Steer() {
  if (wanted_.empty() || client_.QueuedWrites() != 0 || client_.GetPhase() != ppPolling) return;
  for (std::size_t i = 0; i < PollBlocks.size(); ++i)
    if (wanted_.count(PollBlocks[i]) && !received_.count(PollBlocks[i])) {
      client_.SetNextBlock(static_cast<uint8_t>(i));
      return;
    }
}

void GatewaySession::WaitFor(const std::function<bool()>& done) {
  while (!done()) {
    if (!portError_.isEmpty() || !client_.IsActive())
      throw CliError(
          ExitNoReply,
          QStringLiteral("%1: the port was lost%2")
              .arg(PortName(), portError_.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(portError_)));
    if (noReply_)
      throw CliError(ExitNoReply,
                     QStringLiteral("No reply from the gateway (address %1 on %2): three tries in a row "
                                    "went unanswered")
                         .arg(link_.Address)
                         .arg(PortName()));
    WaitWithMessages(10);
  }
}

Blocks GatewaySession::ReadAfter(int mark, const std::set<uint16_t>& wanted) {
  mark_ = mark;
  wanted_ = wanted;
  received_.clear();
  Steer();
  WaitFor([&] {
    for (uint16_t address : wanted)
      if (!received_.count(address)) return false;
    return true;
  });
  wanted_.clear();
  return received_;
}

Blocks GatewaySession::ReadBlocks(const std::set<uint16_t>& wanted) { return ReadAfter(sequence_, wanted); }

Blocks GatewaySession::Command(int line, uint16_t word, const std::function<void()>& queue,
                               std::set<uint16_t> thenRead) {
  thenRead.insert(RegisterMap::ServiceBlock);
  const uint16_t reg = RegisterMap::LineCommand(line);
  for (int attempt = 1;; ++attempt) {
    // A good reply first: while the counters show a timeout, no command word is sent.
    ReadBlocks({RegisterMap::ServiceBlock});
    expectingWrite_ = true;
    expectedRegister_ = reg;
    expectedValue_ = word;
    writeSeen_ = 0;
    queue();
    WaitFor([&] { return writeSeen_ != 0 || client_.QueuedWrites() == 0; });
    expectingWrite_ = false;
    if (writeSeen_ != 0) {
      Blocks blocks = ReadAfter(writeSeen_, thenRead);
      if (LineServiceFromBlock(blocks[RegisterMap::ServiceBlock], line).Command == word) return blocks;
    }
    // The write did not go out, or the gateway never got it.
    if (attempt >= TriesInARow)
      throw CliError(ExitNoReply,
                     QStringLiteral("The gateway did not take the command 0x%1 (address %2 on %3): "
                                    "three tries in a row")
                         .arg(QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper())
                         .arg(link_.Address)
                         .arg(PortName()));
  }
}

}  // namespace pellix::cli
