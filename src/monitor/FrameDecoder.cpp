#include "FrameDecoder.h"

#include "ChannelsNumbering.h"
#include "ModbusFrames.h"
#include "RegisterMap.h"

namespace pellix::monitor {
namespace {

namespace mb = pellix::modbus;

uint16_t WordAt(std::span<const uint8_t> f, std::size_t i) {
  return static_cast<uint16_t>(f[i] << 8 | f[i + 1]);
}

bool CrcGood(std::span<const uint8_t> f) {
  if (f.size() < 4) return false;
  const uint16_t crc = mb::Crc16(f.data(), f.size() - 2);
  return f[f.size() - 2] == (crc & 0xFF) && f[f.size() - 1] == (crc >> 8);
}

QString Hex4(uint16_t w) {
  return QStringLiteral("0x") + QString::number(w, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

QString ChannelText(int channelIndex) {
  return QStringLiteral("channel %1").arg(DisplayedNumber(channelIndex + 1));
}

// What a range of registers holds, as the register map names it.
QString RegisterRange(uint16_t start, int count) {
  namespace rm = RegisterMap;
  const int end = start + count - 1;
  if (end < rm::ChannelTable + rm::ChannelCount * rm::ChannelRegisters) {
    const int first = start / rm::ChannelRegisters + 1;
    const int last = end / rm::ChannelRegisters + 1;
    if (count == rm::RomCodeWords && start % rm::ChannelRegisters == rm::RomCodeOffset)
      return QStringLiteral("ROM code of ") + ChannelText(first - 1);
    return first == last
               ? ChannelText(first - 1)
               : QStringLiteral("channels %1..%2").arg(DisplayedNumber(first)).arg(DisplayedNumber(last));
  }
  if (start >= rm::ServiceBlock && end < rm::SearchResultsLine1) return QStringLiteral("service block");
  if (start >= rm::SearchResultsLine1 && end < rm::SearchResultsLine2)
    return QStringLiteral("search results of line 1");
  if (start >= rm::SearchResultsLine2 && end < rm::SearchResultsLine2 + rm::BlockSize)
    return QStringLiteral("search results of line 2");
  return {};
}

QString WithRange(QString text, uint16_t start, int count) {
  const QString range = RegisterRange(start, count);
  if (!range.isEmpty()) text += QStringLiteral(" (") + range + QLatin1Char(')');
  return text;
}

QString WriteText(uint16_t address, uint16_t value) {
  QString text = QStringLiteral("Write register %1 = %2").arg(address).arg(Hex4(value));
  const QString command = CommandWordText(value, address);
  if (!command.isEmpty()) return text + QStringLiteral(": ") + command;
  return text;
}

}  // namespace

QString ExceptionText(uint8_t code) {
  switch (code) {
    case 1:
      return QStringLiteral("Illegal function");
    case 2:
      return QStringLiteral("Illegal data address");
    case 3:
      return QStringLiteral("Illegal data value");
    case 4:
      return QStringLiteral("Slave device failure");
    case 5:
      return QStringLiteral("Acknowledge");
    case 6:
      return QStringLiteral("Slave device busy");
    case 8:
      return QStringLiteral("Memory parity error");
    case 10:
      return QStringLiteral("Gateway path unavailable");
    case 11:
      return QStringLiteral("Gateway target device failed to respond");
    default:
      return QStringLiteral("Unknown exception");
  }
}

QString CommandWordText(uint16_t word, uint16_t registerAddress) {
  namespace rm = RegisterMap;
  if (registerAddress != rm::Line1Command && registerAddress != rm::Line2Command) return {};
  const QString hex = Hex4(word);
  const QString line = QStringLiteral(" on line %1").arg(registerAddress == rm::Line1Command ? 1 : 2);
  const int nn = word & 0xFF;
  switch (word) {
    case rm::CmdFindNew:
      return QStringLiteral("Find new (%1)").arg(hex) + line;
    case rm::CmdFindNewAll:
      return QStringLiteral("Find new all (%1)").arg(hex) + line;
    case rm::CmdFindAll:
      return QStringLiteral("Find all (%1)").arg(hex) + line;
    case rm::CmdRestartGateway:
      if (registerAddress == rm::Line1Command) return QStringLiteral("Restart (%1)").arg(hex);
      break;
    default:
      break;
  }
  if (nn < rm::ChannelCount) {
    if ((word & 0xFF00) == rm::CmdSaveNewBase)
      return QStringLiteral("Save new (%1) into ").arg(hex) + ChannelText(nn);
    if ((word & 0xFF00) == rm::CmdDeleteBase)
      return QStringLiteral("Delete (%1) ").arg(hex) + ChannelText(nn);
    if (word & rm::CmdSaveFoundBase)
      return QStringLiteral("Save (%1) search result %2 into ").arg(hex).arg((word >> 8) - 0x80) +
             ChannelText(nn);
  }
  return {};
}

int ExpectedReplyLength(std::span<const uint8_t> request) {
  if (request.size() < 6) return 0;
  switch (request[1]) {
    case mb::FnReadHoldingRegisters:
      return 5 + 2 * request[5];
    case mb::FnWriteSingleRegister:
    case mb::FnWriteMultipleRegisters:
      return 8;
    default:
      return 0;
  }
}

Decoded DecodeRequest(std::span<const uint8_t> f) {
  if (f.size() < 8 || !CrcGood(f)) return {QStringLiteral("CRC error"), true};
  const uint16_t address = WordAt(f, 2);
  switch (f[1]) {
    case mb::FnReadHoldingRegisters:
      return {WithRange(QStringLiteral("Read %1 registers from %2").arg(f[5]).arg(address), address, f[5]),
              false};
    case mb::FnWriteSingleRegister:
      return {WriteText(address, WordAt(f, 4)), false};
    case mb::FnWriteMultipleRegisters: {
      const int n = f[5];
      const QString text = QStringLiteral("Write %1 registers from %2").arg(n).arg(address);
      if (address == RegisterMap::FirmwareBlockOffset && n == RegisterMap::FirmwareBlockRegisters)
        return {text + QStringLiteral(" (firmware block at offset %1)").arg(WordAt(f, 7)), false};
      if (address == RegisterMap::FirmwareEraseSector && n == 1)
        return {text + QStringLiteral(" (erase sector %1)").arg(WordAt(f, 7)), false};
      return {WithRange(text, address, n), false};
    }
    default:
      return {QStringLiteral("Function %1").arg(f[1]), false};
  }
}

Decoded DecodeReply(std::span<const uint8_t> f, std::span<const uint8_t> request) {
  const int n = static_cast<int>(f.size());
  if (n >= 5 && (f[1] & 0x80) && CrcGood(f.first(5))) {
    const uint8_t code = f[2];
    return {
        QStringLiteral("Exception %1: %2 (function %3)").arg(code).arg(ExceptionText(code)).arg(f[1] & 0x7F),
        true};
  }
  const int expected = ExpectedReplyLength(request);
  if (expected > 0 && n < expected)
    return {QStringLiteral("short reply (%1 of %2 bytes)").arg(n).arg(expected), true};
  if (!CrcGood(f)) return {QStringLiteral("CRC error"), true};
  switch (f[1]) {
    case mb::FnReadHoldingRegisters: {
      QString text = QStringLiteral("Reply: %1 registers").arg(f[2] / 2);
      if (request.size() >= 6 && request[1] == mb::FnReadHoldingRegisters) {
        const uint16_t start = WordAt(request, 2);
        text = WithRange(text + QStringLiteral(" from %1").arg(start), start, f[2] / 2);
      }
      return {text, false};
    }
    case mb::FnWriteSingleRegister:
      if (n >= 8) return {QStringLiteral("Echo: ") + WriteText(WordAt(f, 2), WordAt(f, 4)), false};
      break;
    case mb::FnWriteMultipleRegisters:
      if (n >= 8)
        return {QStringLiteral("Echo: %1 registers written from %2").arg(WordAt(f, 4)).arg(WordAt(f, 2)),
                false};
      break;
    default:
      break;
  }
  return {QStringLiteral("Function %1").arg(f[1]), false};
}

Decoded NoReply() { return {QStringLiteral("no reply (timeout)"), true}; }

}  // namespace pellix::monitor
