#include "GWYKomunikator.h"

#include "ChannelImport.h"
#include "ChannelsNumbering.h"
#include "Family.h"
#include "Prompts.h"
#include "RegisterMap.h"
#include "Wait.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {

bool validLine(int line) { return line == 0 || line == 1; }
bool validChannelIndex(int index) { return index >= 0 && index < RegisterMap::ChannelCount; }

uint16_t commandRegisterOfIndex(int channelIndex) {
  return RegisterMap::LineCommand(channelIndex / RegisterMap::ChannelsPerLine);
}

uint8_t blockIndexOfChannelIndex(int channelIndex) {
  return PollIndexOf(RegisterMap::BlockOfChannelIndex(channelIndex));
}

bool portKindKnown(TPortKind portKind) { return portKind >= pkRS485 && portKind <= pkUsb; }

// Puts the poll and the window back however the import ends, an exception from the port
// included. The poll runs again whether or not the port is still open: on a closed port it
// is what shows the operator the lost link.
class ImportScope {
 public:
  ImportScope(IImportHost* host, QTimer& timer) : host_(host), timer_(timer) {}
  ~ImportScope() {
    if (!pollResumed_) resumePoll();
    if (!finished_) restore();
  }
  void resumePoll() {
    pollResumed_ = true;
    timer_.start();
  }
  void restore() {
    finished_ = true;
    if (host_) {
      host_->ProgressDialog().Hide();
      host_->SetMainWindowEnabled(true);
    }
  }

 private:
  IImportHost* host_;
  QTimer& timer_;
  bool pollResumed_ = false;
  bool finished_ = false;
};

}  // namespace

TGWYKomunikator::TGWYKomunikator(TAfComPort& port) : TModbusKomunikator(port) {}

void TGWYKomunikator::LineCommand(int line, uint16_t command) {
  if (!validLine(line)) return;
  QueueWrite(command, RegisterMap::LineCommand(line));
  SetNextBlock(PollIndexOf(RegisterMap::ServiceBlock));
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
  if (pellix::ImportedAssignments(records).empty()) {
    pellix::prompts().information(pellix::ImportNothingText(fileName));
    return;
  }
  TDynamicLogArray toWrite = records;
  for (;;) {
    const pellix::ImportResult result = WriteAndCheck(toWrite, fileName);
    if (result.Confirmed()) {
      pellix::prompts().information(QStringLiteral("Channels has been overwritten."));
      return;
    }
    if (!IsActive()) {
      pellix::prompts().error(pellix::ImportUncheckedText(fileName));
      return;
    }
    if (!pellix::prompts().warning(pellix::ImportDifferText(result, fileName))) return;
    // Again only the channels that did not take, each with the ROM code the file leaves in it.
    const auto assignments = pellix::ImportedAssignments(toWrite);
    toWrite.clear();
    for (int channel : result.Unconfirmed()) {
      TChannelData record{};
      record.ChannelNumber = static_cast<uint8_t>(channel);
      record.RomCode = assignments.at(channel);
      toWrite.push_back(record);
    }
  }
}

pellix::ImportResult TGWYKomunikator::WriteAndCheck(const TDynamicLogArray& records,
                                                    const QString& fileName) {
  IProgressSink* progress = ImportHost ? &ImportHost->ProgressDialog() : nullptr;
  if (progress) progress->SetCaption(QStringLiteral("Pellix Tool - Import from file"));

  ImportScope scope(ImportHost, Timer);
  if (ImportHost) ImportHost->SetMainWindowEnabled(false);
  if (progress) progress->Show();
  Timer.stop();
  if (progress) {
    progress->SetMaximum(static_cast<int>(records.size()));
    progress->SetPosition(0);
    progress->SetText(QString());
    progress->Repaint();
  }
  if (IsActive()) Port.PurgeInput();

  for (const TChannelData& record : records) {
    // A record of no channel writes nothing, and there is nothing to wait for.
    if (!IsValidChannelNumber(record.ChannelNumber)) {
      if (progress) progress->SetPosition(progress->Position() + 1);
      continue;
    }
    if (IsActive()) Port.PurgeInput();
    DeleteChannelNow(record.ChannelNumber);
    WaitWithMessages(static_cast<int>(PollInterval));
    WriteRomCode(record.RomCode, record.ChannelNumber);
    if (progress) {
      progress->SetPosition(progress->Position() + 1);
      progress->SetText(pellix::ImportProgressText(fileName, DisplayedNumber(record.ChannelNumber)));
      progress->Repaint();
    }
    WaitWithMessages(static_cast<int>(PollInterval));
  }

  if (ImportHost) ImportHost->SetConnectChecked();
  scope.resumePoll();
  SetNextBlock(PollIndexOf(RegisterMap::ChannelBlock0));
  // The writes expect no reply: only reading the channels back tells whether they took.
  pellix::ImportCheck check(pellix::ImportedAssignments(records));
  if (progress) {
    progress->SetText(QStringLiteral("Reading the channels back from the gateway..."));
    progress->Repaint();
  }
  importCheck_ = &check;
  struct CheckEnd {
    pellix::ImportCheck*& check;
    ~CheckEnd() { check = nullptr; }
  } checkEnd{importCheck_};
  WaitForReadBack(check);
  scope.restore();
  return check.Result();
}

void TGWYKomunikator::WaitForReadBack(const pellix::ImportCheck& check) {
  // Four blocks, and room for three lost replies (each costs a pause and two periods).
  const qint64 limit = 4 * qint64{PollInterval} + 3 * (2 * qint64{PollInterval} + PauseMs);
  QElapsedTimer clock;
  clock.start();
  while (!check.Complete() && IsActive()) {
    const qint64 remaining = limit - clock.elapsed();
    if (remaining <= 0) return;
    const int step = static_cast<int>(std::min<qint64>(remaining, 20));
    QElapsedTimer waited;
    waited.start();
    WaitWithMessages(step);
    // A wait that ends early means the application is quitting.
    if (waited.elapsed() < step) return;
  }
}

void TGWYKomunikator::RegistersArrived() {
  if (!importCheck_) return;
  TRegisterBlock registers{};
  GetRegisters(registers);
  importCheck_->TakeBlock(GetPolledAddress(), registers);
}

void TGWYKomunikator::SetBaudRateIndex(int index) {
  if (index < 0 || index >= static_cast<int>(BaudRates.size())) return;
  SetBaudRate(BaudRates[static_cast<size_t>(index)] * RegisterMap::BaudRateUnit);
}

void TGWYKomunikator::SetParityIndex(int index) {
  parityIndex_ = static_cast<uint8_t>(index);
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
  stopBitsIndex_ = static_cast<uint8_t>(index);
  if (index == 0) Port.SetStopbits(sbOne);
  if (index == 1) Port.SetStopbits(sbTwo);
}

void TGWYKomunikator::FillBaudRates(QStringList& items, TPortKind portKind) {
  if (!portKindKnown(portKind)) return;
  for (uint16_t rate : BaudRates) items << FormatFixedPoint(rate, 1) + QStringLiteral(" kBd");
}

void TGWYKomunikator::FillAddresses(QStringList& items, TPortKind portKind) {
  if (!portKindKnown(portKind)) return;
  const int last = portKind == pkUsb ? 1 : MaxSlaveAddress;  // the USB port answers at address 1 only
  for (int a = 1; a <= last; ++a) items << QString::number(a);
}

void TGWYKomunikator::FillParities(QStringList& items, TPortKind portKind) {
  if (!portKindKnown(portKind)) return;
  items << QStringLiteral("NONE") << QStringLiteral("ODD") << QStringLiteral("EVEN");
}

void TGWYKomunikator::FillStopBits(QStringList& items, TPortKind portKind) {
  if (!portKindKnown(portKind)) return;
  items << QStringLiteral("One") << QStringLiteral("Two");
}
