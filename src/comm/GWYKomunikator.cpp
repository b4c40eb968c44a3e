#include "GWYKomunikator.h"

#include "ChannelsNumbering.h"
#include "Family.h"
#include "Prompts.h"
#include "RegisterMap.h"
#include "Wait.h"

namespace {

constexpr uint8_t ServiceBlockIndex = 4;  // PollBlocks[4] == 1000

bool validLine(int line) { return line == 0 || line == 1; }
bool validChannelIndex(int index) { return index >= 0 && index < RegisterMap::ChannelCount; }

uint16_t commandRegisterOfIndex(int channelIndex) {
  return RegisterMap::LineCommand(channelIndex / RegisterMap::ChannelsPerLine);
}

uint8_t blockIndexOfChannelIndex(int channelIndex) {
  return static_cast<uint8_t>(channelIndex / RegisterMap::ChannelsPerBlock);
}

bool portKindKnown(int portKind) { return portKind >= 0 && portKind <= 2; }

// Puts the window back however the import ends, an exception from the port included.
class ImportScope {
 public:
  ImportScope(IImportHost* host, QTimer& timer, std::function<bool()> portOpen)
      : host_(host), timer_(timer), portOpen_(std::move(portOpen)) {}
  ~ImportScope() {
    if (!finished_) restore();
  }
  void restore() {
    finished_ = true;
    if (portOpen_()) timer_.start();
    if (host_) {
      host_->ProgressDialog().Hide();
      host_->SetMainWindowEnabled(true);
    }
  }

 private:
  IImportHost* host_;
  QTimer& timer_;
  std::function<bool()> portOpen_;
  bool finished_ = false;
};

}  // namespace

TGWYKomunikator::TGWYKomunikator(TAfComPort& port) : TModbusKomunikator(port) {}

void TGWYKomunikator::LineCommand(int line, uint16_t command) {
  if (!validLine(line)) return;
  QueueWrite(command, RegisterMap::LineCommand(line));
  SetNextBlock(ServiceBlockIndex);
}

void TGWYKomunikator::ChannelCommand(int channelIndex, uint16_t command) {
  QueueWrite(command, commandRegisterOfIndex(channelIndex));
  SetNextBlock(blockIndexOfChannelIndex(channelIndex));
}

void TGWYKomunikator::FindNew(int line) { LineCommand(line, RegisterMap::CmdFindNew); }
void TGWYKomunikator::FindNewAll(int line) { LineCommand(line, RegisterMap::CmdFindNewAll); }
void TGWYKomunikator::FindAll(int line) { LineCommand(line, RegisterMap::CmdFindAll); }

void TGWYKomunikator::SaveNewDevice(int channel) {
  if (!IsValidChannelNumber(channel)) return;
  ChannelCommand(ChannelIndex(channel), RegisterMap::CmdSaveNew(ChannelIndex(channel)));
}

void TGWYKomunikator::DeleteChannel(int channel) {
  if (!IsValidChannelNumber(channel)) return;
  ChannelCommand(ChannelIndex(channel), RegisterMap::CmdDelete(ChannelIndex(channel)));
}

void TGWYKomunikator::SaveFoundDevice(int deviceIndex, int channelIndex) {
  if (!validChannelIndex(channelIndex)) return;
  ChannelCommand(channelIndex, RegisterMap::CmdSaveFound(deviceIndex, channelIndex));
}

void TGWYKomunikator::DeleteChannelNow(int channel) {
  if (!IsValidChannelNumber(channel)) return;
  const int index = ChannelIndex(channel);
  WriteSingleRegister(RegisterMap::CmdDelete(index), commandRegisterOfIndex(index));
}

void TGWYKomunikator::WriteRomCode(const TRomCode& words, int channel) {
  // A channel outside the table would overwrite registers that are not a ROM code.
  if (!IsValidChannelNumber(channel)) return;
  WriteMultipleRegisters(std::span<const uint16_t>(words), RegisterMap::ChannelBase(channel));
  SetNextBlock(blockIndexOfChannelIndex(ChannelIndex(channel)));
}

void TGWYKomunikator::WriteChannelsFromFile(const TDynamicLogArray& records, const QString& fileName) {
  IProgressSink* progress = ImportHost ? &ImportHost->ProgressDialog() : nullptr;
  if (progress) progress->SetCaption(QStringLiteral("Pellix Tool - Import from file"));

  ImportScope scope(ImportHost, Timer, [this] { return IsActive(); });
  if (ImportHost) ImportHost->SetMainWindowEnabled(false);
  if (progress) progress->Show();
  Timer.stop();
  if (progress) {
    progress->SetMaximum(RegisterMap::ChannelCount);
    progress->SetPosition(0);
    progress->SetText(QString());
    progress->Repaint();
  }
  if (IsActive()) Port.PurgeInput();

  for (const TChannelData& record : records) {
    if (IsActive()) Port.PurgeInput();
    DeleteChannelNow(record.ChannelNumber);
    WaitWithMessages(static_cast<int>(PollInterval));
    WriteRomCode(record.RomCode, record.ChannelNumber);
    if (progress) {
      progress->SetPosition(progress->Position() + 1);
      progress->SetText(QStringLiteral("Writing channels from file %1... (Channel %2)")
                            .arg(fileName)
                            .arg(DisplayedNumber(record.ChannelNumber)));
      progress->Repaint();
    }
    WaitWithMessages(static_cast<int>(PollInterval));
  }

  if (ImportHost) ImportHost->SetConnectChecked();
  SetNextBlock(0);
  scope.restore();
  pellix::prompts().information(QStringLiteral("Channels has been overwritten."));
}

void TGWYKomunikator::SetBaudRateIndex(int index) {
  if (index < 0 || index >= static_cast<int>(BaudRates.size())) return;
  SetBaudRate(BaudRates[static_cast<size_t>(index)] * 100);
}

void TGWYKomunikator::SetParityIndex(int index) {
  FParityIndex = static_cast<uint8_t>(index);
  switch (index) {
    case 0:
      Port.SetParity(paNone);
      break;
    case 1:
      Port.SetParity(paOdd);
      break;
    case 2:
      Port.SetParity(paEven);
      break;
    default:
      break;
  }
}

void TGWYKomunikator::SetStopBitsIndex(int index) {
  FStopBitsIndex = static_cast<uint8_t>(index);
  if (index == 0) Port.SetStopbits(sbOne);
  if (index == 1) Port.SetStopbits(sbTwo);
}

void TGWYKomunikator::FillBaudRates(QStringList& items, int portKind) {
  if (!portKindKnown(portKind)) return;
  for (uint16_t rate : BaudRates) items << FormatFixedPoint(rate, 1) + QStringLiteral(" kBd");
}

void TGWYKomunikator::FillAddresses(QStringList& items, int portKind) {
  if (!portKindKnown(portKind)) return;
  const int last = portKind == 2 ? 1 : MaxSlaveAddress;  // the USB port answers at address 1 only
  for (int a = 1; a <= last; ++a) items << QString::number(a);
}

void TGWYKomunikator::FillParities(QStringList& items, int portKind) {
  if (!portKindKnown(portKind)) return;
  items << QStringLiteral("NONE") << QStringLiteral("ODD") << QStringLiteral("EVEN");
}

void TGWYKomunikator::FillStopBits(QStringList& items, int portKind) {
  if (!portKindKnown(portKind)) return;
  items << QStringLiteral("One") << QStringLiteral("Two");
}
