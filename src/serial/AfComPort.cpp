#include "AfComPort.h"

#include "AfComPortCore.h"
#include "ErrorReport.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <utility>

namespace pellix {
namespace {

BusyCursorHook& busyCursorHook() {
  static BusyCursorHook hook;
  return hook;
}

class BusyCursor {
 public:
  BusyCursor() {
    if (busyCursorHook()) busyCursorHook()(true);
  }
  ~BusyCursor() {
    if (busyCursorHook()) busyCursorHook()(false);
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// A copy runs, so a handler may replace itself.
template <class Handler, class... Args>
void fire(const Handler& handler, Args&&... args) {
  if (Handler h = handler) h(std::forward<Args>(args)...);
}
template <class Function, class... Args>
void fire(const PortEvent<Function>& event, Args&&... args) {
  fire(event.Handler(), std::forward<Args>(args)...);
}

uint16_t clampLimit(int value) { return static_cast<uint16_t>(std::clamp(value, 0, 0xFFFF)); }

}  // namespace

void setBusyCursorHook(BusyCursorHook hook) { busyCursorHook() = std::move(hook); }

int baudRateValue(TAfBaudrate rate) {
  static constexpr int kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                   19200, 38400, 56000, 57600, 115200, 128000, 256000};
  const int index = static_cast<int>(rate);
  return (index >= 0 && index < static_cast<int>(std::size(kRates))) ? kRates[index] : 0;
}

}  // namespace pellix

// ---- TAfCustomSerialPort --------------------------------------------------

TAfCustomSerialPort::TAfCustomSerialPort(const QString& name)
    : FName(name), FCore(std::make_unique<TAfComPortCore>(this)) {
  UpdateLineSettings();
}

TAfCustomSerialPort::~TAfCustomSerialPort() {
  // The derived class closed with events; this only makes sure no thread survives.
  FCore->DisableNotifications();
  FCore->Close();
}

bool TAfCustomSerialPort::IsOpen() const { return FCore->IsOpen(); }

EAfComPortError TAfCustomSerialPort::PortError(const QString& text) const {
  return EAfComPortError((text + QStringLiteral(" - ") + FName + QStringLiteral(" ")).toStdString());
}

void TAfCustomSerialPort::OpenPort() {
  if (IsOpen()) return;
  FCore->EnableNotifications();
  TAfComPortCore::OpenParams params;
  params.comNumber = DeviceComNumber();
  params.settings = FLineSettings;
  params.inBufSize = FInBufSize;
  params.outBufSize = FOutBufSize;
  params.eventPriority = FEventThreadPriority;
  params.writePriority = FWriteThreadPriority;
  params.readErrorMessage = ReadError().what();
  params.nonSyncHandler = OnNonSyncEvent;
  FClosing = false;
  try {
    pellix::BusyCursor busy;
    FCore->Open(params);
  } catch (...) {
    FCore->DisableNotifications();
    throw;
  }
  pellix::fire(OnPortOpen, this);
}

void TAfCustomSerialPort::ClosePort() {
  FClosing = true;
  FCore->DisableNotifications();
  const bool wasOpen = FCore->IsOpen();
  FCore->Close();
  struct ClearClosing {
    bool& flag;
    ~ClearClosing() { flag = false; }
  } clear{FClosing};
  if (wasOpen) pellix::fire(OnPortClose, this);
}

void TAfCustomSerialPort::UpdateLineSettings() {
  pellix::LineSettings s;
  s.baudRate = FBaudRate == brUser ? FUserBaudRate : pellix::baudRateValue(FBaudRate);
  s.byteSize = 4 + static_cast<int>(FDatabits);
  s.parity = static_cast<int>(FParity);
  s.stopBits = static_cast<int>(FStopbits);
  s.binary = true;
  s.outX = s.inX = FFlowControl == fwXOnXOff;
  s.outxCtsFlow = s.rtsHandshake = FFlowControl == fwRtsCts;
  s.outxDsrFlow = s.dtrHandshake = FFlowControl == fwDtrDsr;
  s.parityCheck = (FOptions & coParityCheck) != 0;
  s.dsrSensitivity = (FOptions & coDsrSensitivity) != 0;
  s.txContinueOnXoff = (FOptions & coIgnoreXOff) != 0;
  s.errorChar = (FOptions & coErrorChar) != 0;
  s.nullStrip = (FOptions & coStripNull) != 0;
  s.dtrEnable = FDTR && FFlowControl != fwDtrDsr;
  s.rtsEnable = FRTS && FFlowControl != fwRtsCts;
  s.xonChar = FXOnChar;
  s.xoffChar = FXOffChar;
  s.xonLim = FXOnLim;
  s.xoffLim = FXOffLim;
  FLineSettings = s;
}

QString PortErrorReport(const std::exception& e, int comNumber) {
  if (!dynamic_cast<const EAfComPortSettingsError*>(&e)) return QString::fromUtf8(e.what());
  return QStringLiteral(
             "Error setting parameters from DCB. COM %1 probably does not suport the selected baudrate.")
      .arg(comNumber);
}

void TAfCustomSerialPort::ApplyLineSettings() {
  UpdateLineSettings();
  if (!FCore->IsOpen()) return;
  pellix::LineSettings current;
  if (!FCore->ApplySettings(FLineSettings, current)) {
    FLineSettings = current;
    throw EAfComPortSettingsError();
  }
}

void TAfCustomSerialPort::UpdateFlowLimits() {
  const bool flow = FFlowControl != fwNone;
  FXOnLim = flow ? pellix::clampLimit(FInBufSize / 4) : 0;
  FXOffLim = flow ? pellix::clampLimit(FInBufSize - FInBufSize / 4) : 0;
}

void TAfCustomSerialPort::SetBaudRate(TAfBaudrate value) {
  if (value == FBaudRate) return;
  FBaudRate = value;
  if (value != brUser) FUserBaudRate = 0;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetUserBaudRate(int value) {
  if (value == FUserBaudRate) return;
  FUserBaudRate = value;
  FBaudRate = brUser;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetDatabits(TAfDatabits value) {
  if (value == FDatabits) return;
  FDatabits = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetParity(TAfParity value) {
  if (value == FParity) return;
  FParity = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetStopbits(TAfStopbits value) {
  if (value == FStopbits) return;
  FStopbits = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetFlowControl(TAfFlowControl value) {
  if (value == FFlowControl) return;
  FFlowControl = value;
  UpdateFlowLimits();
  ApplyLineSettings();
  SetModemLines();
}

void TAfCustomSerialPort::SetOptions(TAfComOptions value) {
  if (value == FOptions) return;
  FOptions = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetXOnChar(uint8_t value) {
  if (value == FXOnChar) return;
  FXOnChar = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetXOffChar(uint8_t value) {
  if (value == FXOffChar) return;
  FXOffChar = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetXOnLim(uint16_t value) {
  FXOnLim = value;
  FXOffLim = pellix::clampLimit(FInBufSize - value);
  UpdateLineSettings();
}

void TAfCustomSerialPort::SetXOffLim(uint16_t value) {
  FXOffLim = value;
  FXOnLim = pellix::clampLimit(FInBufSize - value);
  UpdateLineSettings();
}

void TAfCustomSerialPort::SetModemLines() {
  if (!FCore->IsOpen()) return;
  if (!FLineSettings.dtrHandshake) FCore->SetModemLine(TIOCM_DTR, FLineSettings.dtrEnable);
  if (!FLineSettings.rtsHandshake) FCore->SetModemLine(TIOCM_RTS, FLineSettings.rtsEnable);
}

void TAfCustomSerialPort::SetDTR(bool value) {
  FDTR = value;
  UpdateLineSettings();
  SetModemLines();
}

void TAfCustomSerialPort::SetRTS(bool value) {
  FRTS = value;
  UpdateLineSettings();
  SetModemLines();
}

void TAfCustomSerialPort::SetInBufSize(int value) {
  if (IsOpen()) throw PortError(QStringLiteral("Port is not closed"));
  FInBufSize = value;
  UpdateFlowLimits();
  UpdateLineSettings();
}

void TAfCustomSerialPort::SetOutBufSize(int value) {
  if (IsOpen()) throw PortError(QStringLiteral("Port is not closed"));
  FOutBufSize = value;
}

unsigned TAfCustomSerialPort::LineErrors() const { return FCore->LineErrors(); }

void TAfCustomSerialPort::ThrowWriteError(int count, int free) const {
  throw PortError(QString::asprintf("Write data error [requested: %d, free: %d]", count, free));
}

void TAfCustomSerialPort::WriteBytes(const void* buffer, int count) {
  if (FClosing) return;
  int free = 0;
  if (!FCore->Write(buffer, count, free)) ThrowWriteError(count, free);
}

int TAfCustomSerialPort::BytesWaiting() { return FCore->InputWaiting(); }

void TAfCustomSerialPort::ReadBytes(void* buffer, int count) {
  if (FClosing || count <= 0) return;
  if (FCore->Read(buffer, count) < count) throw ReadError();
}

EAfComPortReadError TAfCustomSerialPort::ReadError() const {
  return EAfComPortReadError(PortError(QStringLiteral("Read data error")).what());
}

void TAfCustomSerialPort::PurgeInput() {
  if (FClosing) return;
  FCore->PurgeInput();
}

int TAfCustomSerialPort::OutputFree() { return FCore->OutputFree(); }

bool TAfCustomSerialPort::HandlesNotification(TAfCoreEvent kind, unsigned data) const {
  if (kind == TAfCoreEvent::ThreadException || OnSyncEvent.IsSet()) return true;
  switch (kind) {
    case TAfCoreEvent::DeviceEvent:
      return ((data & evRxChar) && OnDataRecived.IsSet()) || ((data & evError) && OnLineError.IsSet()) ||
             ((data & evCts) && OnCTSChanged.IsSet()) || ((data & evDsr) && OnDSRChanged.IsSet()) ||
             ((data & evRing) && OnRINGDetected.IsSet()) || ((data & evRlsd) && OnRLSDChanged.IsSet());
    case TAfCoreEvent::DataWaiting:
      return OnDataRecived.IsSet();
    case TAfCoreEvent::OutputFree:
      return OnOutBufFree.IsSet();
    case TAfCoreEvent::ThreadException:
      break;
  }
  return true;
}

bool TAfCustomSerialPort::HandlesLineEvents() const {
  return OnSyncEvent.IsSet() || OnLineError.IsSet() || OnCTSChanged.IsSet() || OnDSRChanged.IsSet() ||
         OnRINGDetected.IsSet() || OnRLSDChanged.IsSet();
}

void TAfCustomSerialPort::DispatchNotification(TAfCoreEvent kind, unsigned data,
                                               const std::exception_ptr& error) {
  if (FClosing) return;
  try {
    pellix::fire(OnSyncEvent, this, kind, data);
    switch (kind) {
      case TAfCoreEvent::DeviceEvent: {
        if (data & evRxChar) pellix::fire(OnDataRecived, this, BytesWaiting());
        // Every device event starts a new error collection.
        const unsigned errors = FCore->TakeLineErrors();
        if (data & evError) pellix::fire(OnLineError, this, errors);
        if (data & evCts) pellix::fire(OnCTSChanged, this);
        if (data & evDsr) pellix::fire(OnDSRChanged, this);
        if (data & evRing) pellix::fire(OnRINGDetected, this);
        if (data & evRlsd) pellix::fire(OnRLSDChanged, this);
        break;
      }
      case TAfCoreEvent::DataWaiting:
        pellix::fire(OnDataRecived, this, static_cast<int>(data));
        break;
      case TAfCoreEvent::OutputFree:
        pellix::fire(OnOutBufFree, this);
        break;
      case TAfCoreEvent::ThreadException:
        if (error) std::rethrow_exception(error);
        break;
    }
  } catch (...) {
    pellix::reportException(std::current_exception());
  }
  // What the reader left unread is announced again after a while; drained input is not.
  if (kind == TAfCoreEvent::DataWaiting || (kind == TAfCoreEvent::DeviceEvent && (data & evRxChar)))
    FCore->DataHandled(OnDataRecived.IsSet());
}

// ---- TAfCustomComPort, TAfComPort -----------------------------------------

void TAfCustomComPort::SetComNumber(int value) {
  if (value == FComNumber) return;
  if (!IsOpen()) {
    FComNumber = value;
    return;
  }
  ClosePort();
  FComNumber = value;
  OpenPort();
}

TAfComPort::TAfComPort(const QString& name) : TAfCustomComPort(name) {}

TAfComPort::~TAfComPort() {
  if (IsOpen()) ClosePort();
}

void TAfComPort::Loaded() {
  if (FAutoOpen && !IsOpen()) OpenPort();
}
