#include "ProgrammerTransfer.h"

#include "AfComPort.h"
#include "AppIdentificators.h"
#include "CheckFileName.h"
#include "FileIo.h"
#include "InOutError.h"
#include "Komunikator.h"
#include "ModbusFrames.h"
#include "RegisterMap.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace pellix {

namespace upgrade {
namespace {

constexpr qint64 MsPerDay = 24LL * 60 * 60 * 1000;

}  // namespace

TCommFrame BuildVersionPoll(uint8_t slave) {
  TCommFrame f;
  modbus::BuildReadHoldingRegisters(f, slave, RegisterMap::ServiceBlock,
                                    RegisterMap::UpgradeServiceReadCount);
  modbus::AppendCrc(f);
  return f;
}

TCommFrame BuildEraseRequest(uint8_t slave, int sector) {
  const uint16_t value = static_cast<uint16_t>(sector);
  TCommFrame f;
  modbus::BuildWriteMultipleRegisters(f, slave, RegisterMap::FirmwareEraseSector, {&value, 1});
  modbus::AppendCrc(f);
  return f;
}

TCommFrame BuildProgramBlock(uint8_t slave, std::span<const uint8_t> fileBuf, int blockPos, int imageOffset) {
  const auto byteAt = [&](int i) -> uint16_t {
    const long long index = static_cast<long long>(blockPos) + i;
    const bool inside = index >= 0 && index < static_cast<long long>(fileBuf.size());
    return inside ? fileBuf[static_cast<std::size_t>(index)] : 0xFF;
  };
  std::array<uint16_t, RegisterMap::FirmwareBlockRegisters> words{};
  words[0] = static_cast<uint16_t>(imageOffset);  // modulo 65536
  for (int i = 0; i < RegisterMap::FirmwareBlockBytes; i += 2)
    words[1 + i / 2] = static_cast<uint16_t>(byteAt(i) << 8 | byteAt(i + 1));
  TCommFrame f;
  modbus::BuildWriteMultipleRegisters(f, slave, RegisterMap::FirmwareBlockOffset, words);
  modbus::AppendCrc(f);
  return f;
}

TCommFrame BuildRestart(uint8_t slave) {
  TCommFrame f;
  modbus::BuildWriteSingleRegister(f, slave, RegisterMap::Line1Command, RegisterMap::CmdRestartGateway);
  modbus::AppendCrc(f);
  return f;
}

bool IsVersionReply(std::span<const uint8_t> rx, uint8_t slave) {
  return rx.size() == VersionReplyLength && rx[0] == slave && rx[1] == modbus::FnReadHoldingRegisters &&
         rx[2] == RegisterMap::UpgradeServiceReadCount * 2 && modbus::CheckCrc(rx);
}

int LinkTimerInterval(int baudRate, int current) {
  if (baudRate == 0) return current;
  return std::max(IdleIntervalMs, modbus::ExchangeTimeMs(baudRate));
}

QString ElapsedText(qint64 elapsedMs) {
  const qint64 withinDay = ((elapsedMs % MsPerDay) + MsPerDay) % MsPerDay;
  return QStringLiteral("%1 s").arg(std::llround(static_cast<double>(withinDay) / 1000.0));
}

}  // namespace upgrade

using namespace upgrade;

// ---- ComPortLink -----------------------------------------------------------

ComPortLink::ComPortLink(TAfComPort& port) : port_(port) {
  port_.OnSyncEvent = [this](TAfCustomSerialPort*, TAfCoreEvent kind, unsigned) {
    if (kind == TAfCoreEvent::ThreadException) threadFailed_ = true;
  };
}

bool ComPortLink::IsOpen() { return port_.IsOpen(); }

int ComPortLink::BytesWaiting() {
  if (threadFailed_ && port_.IsOpen()) throw port_.ReadError();
  return port_.BytesWaiting();
}

void ComPortLink::ReadBytes(void* buffer, int count) { port_.ReadBytes(buffer, count); }

void ComPortLink::WriteBytes(const void* buffer, int count) { port_.WriteBytes(buffer, count); }

void ComPortLink::ClosePort() { port_.ClosePort(); }

// ---- ProgrammerTransfer ----------------------------------------------------

ProgrammerTransfer::ProgrammerTransfer(ProgrammerPort& port, QTimer& timer)
    : FileBuf(FileBufSize, 0xFF), port_(port), timer_(timer) {
  OpenDialog1.title = QStringLiteral("Open File");
  OpenDialog1.filter = QStringLiteral("Binary files (*.bin)|*.BIN");
  Clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

void ProgrammerTransfer::changed() {
  if (OnDisplayChanged) OnDisplayChanged();
}

QString ProgrammerTransfer::Elapsed() const { return ElapsedText(Clock() - StartTime); }

void ProgrammerTransfer::ShowLinkState(int kind) { display_.LinkState = kind; }

// ---- Loading a file --------------------------------------------------------

bool ProgrammerTransfer::LoadingRefused() {
  // Until the restart is sent every block, a resent one included, comes from the loaded
  // image: a new one now would mix two images in the gateway.
  if (StepState == StepIdle) return false;
  prompts().information(
      QStringLiteral("The device memory is being programmed. Load a file when the run has ended or "
                     "has been cancelled."));
  return true;
}

void ProgrammerTransfer::Button_OpenFileClick() {
  if (LoadingRefused()) return;
  timer_.stop();
  struct Restart {
    QTimer& timer;
    ~Restart() { timer.start(); }
  } restart{timer_};
  QString fileName;
  for (;;) {
    fileName.clear();
    if (!prompts().openFile(OpenDialog1, fileName)) return;
    if (CheckFileName(fileName)) break;
  }
  LoadFile(fileName);
}

void ProgrammerTransfer::LoadFile(const QString& fileName) {
  if (LoadingRefused()) return;
  if (!QFileInfo::exists(fileName)) {
    prompts().information(QStringLiteral("File does not exist."));
    return;
  }
  // Opening a pipe or a device would wait for a writer that may never come.
  if (!QFileInfo(fileName).isFile()) {
    prompts().warningOk(NotARegularFile(fileName));
    return;
  }
  // The whole file is read before anything of the loaded image changes: a file that
  // cannot be read or is refused leaves the previous image as it was.
  QByteArray bytes;
  try {
    bytes = ReadFileBytes(fileName, FileBufSize + 1);
  } catch (const InOutError&) {
    prompts().warningOk(QStringLiteral("File access error."));
    return;
  }
  if (bytes.isEmpty()) {
    prompts().warningOk(QStringLiteral("%1 is empty.").arg(fileName));
    return;
  }
  if (bytes.size() > FileBufSize) {
    prompts().error(QStringLiteral("%1 is too large. A firmware image has at most %2 bytes.")
                        .arg(fileName)
                        .arg(FileBufSize));
    return;
  }
  if (fileName == LoadedFileName &&
      !prompts().confirmation(QStringLiteral("%1 is already open. Do you want to reload it?").arg(fileName),
                              ConfirmButtons::YesNo))
    return;

  std::fill(FileBuf.begin(), FileBuf.end(), uint8_t{0xFF});
  std::copy(bytes.begin(), bytes.end(), FileBuf.begin());
  FileLen = static_cast<int>(bytes.size());
  static constexpr char Hex[] = "0123456789ABCDEF";
  QString dump(FileLen * 3, Qt::Uninitialized);
  QChar* out = dump.data();
  for (int i = 0; i < FileLen; ++i) {
    *out++ = QLatin1Char(Hex[FileBuf[i] >> 4]);
    *out++ = QLatin1Char(Hex[FileBuf[i] & 0x0F]);
    *out++ = QLatin1Char(' ');
  }
  LoadedFileName = fileName;
  display_.PathText = QStringLiteral("Open file:\n") + fileName;
  display_.DumpText = std::move(dump);
  ++display_.ImageRevision;
  changed();
}

// ---- Starting, cancelling, closing ----------------------------------------

void ProgrammerTransfer::Button_DelProgMemClick(bool portChecked) {
  if (!portChecked) {
    ShowPortInactive();
    return;
  }
  if (FileLen < 1) {
    prompts().error(QStringLiteral("No file selected."));
    return;
  }
  if (!prompts().confirmation(QStringLiteral("Program the device memory?"), ConfirmButtons::YesNo)) return;
  display_.CancelEnabled = true;
  StartErase();
  Busy = true;
  timer_.setInterval(StepIntervalMs);
  changed();
}

void ProgrammerTransfer::StartErase() {
  StepState = StepErasing;
  // A run started again while the gateway restarts is a new run: the answer after the
  // restart must not report it completed.
  RestartSent = false;
  EraseSector = RegisterMap::FirmwareFirstErasedSector;
  display_.ProgressPosition = 0;
  // The erased sectors and one step more, then one per block sent (FileLen / block size + 1).
  display_.ProgressMaximum =
      FileLen / RegisterMap::FirmwareBlockBytes + RegisterMap::FirmwareErasedSectors + 2;
  display_.ProgressVisible = true;
  ProgressCount = 0;
  StartTime = Clock();
  display_.ProgressText = QStringLiteral("Clearing memory...");
  display_.OpenFileEnabled = false;
}

bool ProgrammerTransfer::Button_AbortClick() {
  if (!Busy) return false;
  changed();
  if (!prompts().confirmation(QStringLiteral("Cancel programming?"), ConfirmButtons::YesNo)) return false;
  ResetTransfer();
  changed();
  return true;
}

bool ProgrammerTransfer::CloseQuery() {
  if (Busy) {
    changed();
    if (!prompts().confirmation(QStringLiteral("Cancel programming?"), ConfirmButtons::YesNo)) return false;
  }
  ResetTransfer();
  changed();
  return true;
}

void ProgrammerTransfer::ResetTransfer() {
  StepState = StepIdle;
  display_.ProgressPosition = 0;
  display_.ProgressVisible = false;
  display_.ProgressText.clear();
  display_.OpenFileEnabled = true;
  display_.CancelEnabled = false;
  Busy = false;
  RestartSent = false;
}

void ProgrammerTransfer::PortOpened() {
  ErrorCount = 0;
  ReplyState = ReplyNone;
  StepState = StepIdle;
  display_.Connected = true;
  ShowLinkState(LinkCleared);
  display_.VersionText.clear();
  changed();
}

void ProgrammerTransfer::PortClosed() {
  display_.Connected = false;
  changed();
}

void ProgrammerTransfer::Shown() {
  display_.VersionText.clear();
  ShowLinkState(LinkCleared);
  changed();
}

// ---- The tick ----------------------------------------------------------------

void ProgrammerTransfer::StoreByte(uint8_t byte) {
  RxBuf.Data[RxCount] = byte;
  if (RxCount < RxCountLimit)
    ++RxCount;
  else
    rxOverflow_ = true;
}

void ProgrammerTransfer::ReadReception() {
  try {
    const int waiting = port_.BytesWaiting();
    for (int i = 0; i < waiting; ++i) {
      uint8_t byte = 0;
      port_.ReadBytes(&byte, 1);
      StoreByte(byte);
    }
  } catch (const EAfComPortReadError&) {
    port_.ClosePort();
    ErrorCount = ReadErrorCount;
  }
}

void ProgrammerTransfer::Timer1Timer() {
  if (!port_.IsOpen()) {
    display_.Connected = false;
    ShowLinkState(ErrorCount >= ReadErrorCount ? LinkLost : LinkDisconnected);
    changed();
    return;
  }
  display_.Connected = true;

  RxCount = 0;
  rxOverflow_ = false;
  ReadReception();
  if (FrameObserver) {
    if (RxCount > 0)
      FrameObserver->FrameReceived({RxBuf.Data, static_cast<std::size_t>(RxCount)});
    else if (ReplyState == ReplyPending)
      FrameObserver->ReplyMissed();
  }
  // More than the buffer holds is never a reply, whatever its last bytes are.
  RxBuf.Length = static_cast<uint8_t>(RxCount);
  if (!rxOverflow_ && modbus::CheckCrc(RxBuf)) {
    ReplyState = ReplyValid;
    Rec03();
  }
  RxCount = 0;
  RxBuf.Length = 0;

  if (ReplyState == ReplyValid) ShowLinkState(LinkOk);
  if (ReplyState == ReplyPending) {
    ShowLinkState(LinkTimeout);
    ErrorCount = std::min(ErrorCount + 1, MaxErrorCount);
  }

  if (StepState != StepIdle && ReplyState == ReplyValid) {
    timer_.setInterval(StepIntervalMs);
    switch (StepState) {
      case StepErasing:
        send16_maz();
        break;
      case StepErased:
        StartProgramming();
        break;
      case StepProgramming:
        send16();
        break;
      case StepRestart:
        SendReset();
        break;
      default:
        break;
    }
  } else {
    timer_.setInterval(IdleIntervalMs);
    ReplyState = ReplyNone;
    Send03();
    VersionRequested = true;
    ReplyState = ReplyPending;
    // The request that went unanswered goes again after the next valid reply. Never
    // before the image's first block or the first sector.
    if (StepState == StepProgramming) {
      StepBackOneBlock();
    } else if (StepState == StepErasing) {
      EraseSector = std::max<int>(RegisterMap::FirmwareFirstErasedSector, EraseSector - 1);
    } else if (StepState == StepRestart) {
      // The last block may not have arrived: send it again before the restart.
      StepState = StepProgramming;
      StepBackOneBlock();
      display_.CancelEnabled = true;
      display_.OpenFileEnabled = false;
      display_.ProgressText = LoadingText();
    } else if (StepState == StepErased) {
      // Likewise the last erase request.
      StepState = StepErasing;
      EraseSector = RegisterMap::FirmwareLastErasedSector;
      display_.ProgressText = QStringLiteral("Clearing memory...");
    }
  }
  changed();
}

void ProgrammerTransfer::StepBackOneBlock() {
  BlockPos = std::max(0, BlockPos - RegisterMap::FirmwareBlockBytes);
  ImageOffset = std::max(0, ImageOffset - RegisterMap::FirmwareBlockBytes);
}

void ProgrammerTransfer::Rec03() {
  for (int i = 0; i < RegisterMap::UpgradeServiceReadCount; ++i)
    Regs[i] = 4 + 2 * i < RxBuf.Length ? modbus::ReplyRegister(RxBuf, i) : 0;
  // Only the answer to the version poll carries the version: an echo of a write (or of
  // the restart command) is a valid reply too, but its bytes are no version.
  if (!IsVersionReply(RxBuf.bytes(), SlaveAddr)) return;
  if (VersionRequested) {
    VersionRequested = false;
    display_.VersionText = QStringLiteral("Gateway FW version: %1").arg(FormatVersionNumber(Regs[0]));
  }
  if (RestartSent) {
    RestartSent = false;
    Busy = false;
    display_.ProgressText = QStringLiteral("Firmware update completed. (%1)").arg(Elapsed());
    ShowLinkState(LinkOk);
    timer_.stop();
    changed();
    prompts().information(QStringLiteral("Firmware update completed. Actual firmware version is %1.")
                              .arg(FormatVersionNumber(Regs[0])));
    timer_.start();
  }
}

// ---- Requests ----------------------------------------------------------------

void ProgrammerTransfer::Send(const TCommFrame& frame) {
  TxBuf = frame;
  port_.WriteBytes(TxBuf.Data, TxBuf.Length);
  if (FrameObserver) FrameObserver->FrameSent(TxBuf.bytes());
}

void ProgrammerTransfer::PortInactiveDuringRun() {
  Button_AbortClick();
  ShowPortInactive();
}

void ProgrammerTransfer::Send03() {
  if (!port_.IsOpen()) return;
  Send(BuildVersionPoll(SlaveAddr));
}

void ProgrammerTransfer::send16_maz() {
  if (!port_.IsOpen()) {
    PortInactiveDuringRun();
    return;
  }
  Send(BuildEraseRequest(SlaveAddr, EraseSector));
  ++EraseSector;
  ReplyState = ReplyPending;
  display_.ProgressPosition = ProgressCount;
  if (ProgressCount < RegisterMap::FirmwareErasedSectors) ++ProgressCount;
  if (EraseSector > RegisterMap::FirmwareLastErasedSector) {
    StepState = StepErased;
    display_.ProgressPosition = RegisterMap::FirmwareErasedSectors + 1;
    display_.ProgressText = QStringLiteral("Memory erased. (%1)").arg(Elapsed());
  }
}

QString ProgrammerTransfer::LoadingText() const {
  // The name of the image that is being sent, not of whatever the dialog last chose.
  return QStringLiteral("Loading program \"%1\"...").arg(QFileInfo(LoadedFileName).fileName());
}

void ProgrammerTransfer::StartProgramming() {
  display_.ProgressText = LoadingText();
  BlockPos = 0;
  ImageOffset = 0;
  StepState = StepProgramming;
}

void ProgrammerTransfer::send16() {
  if (!port_.IsOpen()) {
    PortInactiveDuringRun();
    return;
  }
  Send(BuildProgramBlock(SlaveAddr, FileBuf, BlockPos, ImageOffset));
  BlockPos += RegisterMap::FirmwareBlockBytes;
  ImageOffset += RegisterMap::FirmwareBlockBytes;
  ReplyState = ReplyPending;
  display_.ProgressPosition = ProgressCount;
  if (ProgressCount < 1000) ++ProgressCount;
  if (ImageOffset > FileLen) {
    display_.ProgressPosition = display_.ProgressMaximum;
    display_.CancelEnabled = false;
    display_.ProgressText = QStringLiteral("Memory programming done. (%1)").arg(Elapsed());
    StepState = StepRestart;
    timer_.start();
  }
}

void ProgrammerTransfer::SendReset() {
  if (port_.IsOpen()) Send(BuildRestart(SlaveAddr));
  display_.ProgressText = QStringLiteral("Rebooting...");
  RestartSent = true;
  StepState = StepIdle;
  display_.OpenFileEnabled = true;
}

}  // namespace pellix
