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
    : name_(name), core_(std::make_unique<TAfComPortCore>(this)) {
  UpdateLineSettings();
}

TAfCustomSerialPort::~TAfCustomSerialPort() {
  // The derived class closed with events; this only makes sure no thread survives.
  core_->DisableNotifications();
  core_->Close();
}

bool TAfCustomSerialPort::IsOpen() const { return core_->IsOpen(); }

EAfComPortError TAfCustomSerialPort::PortError(const QString& text) const {
  return EAfComPortError((text + QStringLiteral(" - ") + name_ + QStringLiteral(" ")).toStdString());
}

void TAfCustomSerialPort::OpenPort() {
  if (IsOpen()) return;
  core_->EnableNotifications();
  TAfComPortCore::OpenParams params;
  params.comNumber = DeviceComNumber();
  params.settings = lineSettings_;
  params.inBufSize = inBufSize_;
  params.outBufSize = outBufSize_;
  params.eventPriority = eventThreadPriority_;
  params.writePriority = writeThreadPriority_;
  params.readErrorMessage = ReadError().what();
  params.nonSyncHandler = OnNonSyncEvent;
  closing_ = false;
  try {
    pellix::BusyCursor busy;
    core_->Open(params);
  } catch (...) {
    core_->DisableNotifications();
    throw;
  }
  pellix::fire(OnPortOpen, this);
}

void TAfCustomSerialPort::ClosePort() {
  closing_ = true;
  core_->DisableNotifications();
  const bool wasOpen = core_->IsOpen();
  core_->Close();
  struct ClearClosing {
    bool& flag;
    ~ClearClosing() { flag = false; }
  } clear{closing_};
  if (wasOpen) pellix::fire(OnPortClose, this);
}

void TAfCustomSerialPort::UpdateLineSettings() {
  pellix::LineSettings s;
  s.baudRate = baudRate_ == brUser ? userBaudRate_ : pellix::baudRateValue(baudRate_);
  s.byteSize = 4 + static_cast<int>(databits_);
  s.parity = static_cast<int>(parity_);
  s.stopBits = static_cast<int>(stopbits_);
  s.binary = true;
  s.outX = s.inX = flowControl_ == fwXOnXOff;
  s.outxCtsFlow = s.rtsHandshake = flowControl_ == fwRtsCts;
  s.outxDsrFlow = s.dtrHandshake = flowControl_ == fwDtrDsr;
  s.parityCheck = (options_ & coParityCheck) != 0;
  s.dsrSensitivity = (options_ & coDsrSensitivity) != 0;
  s.txContinueOnXoff = (options_ & coIgnoreXOff) != 0;
  s.errorChar = (options_ & coErrorChar) != 0;
  s.nullStrip = (options_ & coStripNull) != 0;
  s.dtrEnable = dtr_ && flowControl_ != fwDtrDsr;
  s.rtsEnable = rts_ && flowControl_ != fwRtsCts;
  s.xonChar = xOnChar_;
  s.xoffChar = xOffChar_;
  s.xonLim = xOnLim_;
  s.xoffLim = xOffLim_;
  lineSettings_ = s;
}

QString PortErrorReport(const std::exception& e, int comNumber) {
  if (!dynamic_cast<const EAfComPortSettingsError*>(&e)) return QString::fromUtf8(e.what());
  return QStringLiteral(
             "Error setting parameters from DCB. COM %1 probably does not suport the selected baudrate.")
      .arg(comNumber);
}

void TAfCustomSerialPort::ApplyLineSettings() {
  UpdateLineSettings();
  if (!core_->IsOpen()) return;
  pellix::LineSettings current;
  if (!core_->ApplySettings(lineSettings_, current)) {
    lineSettings_ = current;
    throw EAfComPortSettingsError();
  }
}

void TAfCustomSerialPort::UpdateFlowLimits() {
  const bool flow = flowControl_ != fwNone;
  xOnLim_ = flow ? pellix::clampLimit(inBufSize_ / 4) : 0;
  xOffLim_ = flow ? pellix::clampLimit(inBufSize_ - inBufSize_ / 4) : 0;
}

void TAfCustomSerialPort::SetBaudRate(TAfBaudrate value) {
  if (value == baudRate_) return;
  baudRate_ = value;
  if (value != brUser) userBaudRate_ = 0;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetUserBaudRate(int value) {
  if (value == userBaudRate_) return;
  userBaudRate_ = value;
  baudRate_ = brUser;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetDatabits(TAfDatabits value) {
  if (value == databits_) return;
  databits_ = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetParity(TAfParity value) {
  if (value == parity_) return;
  parity_ = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetStopbits(TAfStopbits value) {
  if (value == stopbits_) return;
  stopbits_ = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetFlowControl(TAfFlowControl value) {
  if (value == flowControl_) return;
  flowControl_ = value;
  UpdateFlowLimits();
  ApplyLineSettings();
  SetModemLines();
}

void TAfCustomSerialPort::SetOptions(TAfComOptions value) {
  if (value == options_) return;
  options_ = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetXOnChar(uint8_t value) {
  if (value == xOnChar_) return;
  xOnChar_ = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetXOffChar(uint8_t value) {
  if (value == xOffChar_) return;
  xOffChar_ = value;
  ApplyLineSettings();
}

void TAfCustomSerialPort::SetXOnLim(uint16_t value) {
  xOnLim_ = value;
  xOffLim_ = pellix::clampLimit(inBufSize_ - value);
  UpdateLineSettings();
}

void TAfCustomSerialPort::SetXOffLim(uint16_t value) {
  xOffLim_ = value;
  xOnLim_ = pellix::clampLimit(inBufSize_ - value);
  UpdateLineSettings();
}

void TAfCustomSerialPort::SetModemLines() {
  if (!core_->IsOpen()) return;
  if (!lineSettings_.dtrHandshake) core_->SetModemLine(TIOCM_DTR, lineSettings_.dtrEnable);
  if (!lineSettings_.rtsHandshake) core_->SetModemLine(TIOCM_RTS, lineSettings_.rtsEnable);
}

void TAfCustomSerialPort::SetDTR(bool value) {
  dtr_ = value;
  UpdateLineSettings();
  SetModemLines();
}

void TAfCustomSerialPort::SetRTS(bool value) {
  rts_ = value;
  UpdateLineSettings();
  SetModemLines();
}

void TAfCustomSerialPort::SetInBufSize(int value) {
  if (IsOpen()) throw PortError(QStringLiteral("Port is not closed"));
  inBufSize_ = value;
  UpdateFlowLimits();
  UpdateLineSettings();
}

void TAfCustomSerialPort::SetOutBufSize(int value) {
  if (IsOpen()) throw PortError(QStringLiteral("Port is not closed"));
  outBufSize_ = value;
}

unsigned TAfCustomSerialPort::LineErrors() const { return core_->LineErrors(); }

void TAfCustomSerialPort::ThrowWriteError(int count, int free) const {
  throw PortError(QString::asprintf("Write data error [requested: %d, free: %d]", count, free));
}

void TAfCustomSerialPort::WriteBytes(const void* buffer, int count) {
  if (closing_) return;
  int free = 0;
  if (!core_->Write(buffer, count, free)) ThrowWriteError(count, free);
}

int TAfCustomSerialPort::BytesWaiting() { return core_->InputWaiting(); }

void TAfCustomSerialPort::ReadBytes(void* buffer, int count) {
  if (closing_ || count <= 0) return;
  if (core_->Read(buffer, count) < count) throw ReadError();
}

EAfComPortReadError TAfCustomSerialPort::ReadError() const {
  return EAfComPortReadError(PortError(QStringLiteral("Read data error")).what());
}

void TAfCustomSerialPort::PurgeInput() {
  if (closing_) return;
  core_->PurgeInput();
}

int TAfCustomSerialPort::OutputFree() { return core_->OutputFree(); }

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
  if (closing_) return;
  try {
    pellix::fire(OnSyncEvent, this, kind, data);
    switch (kind) {
      case TAfCoreEvent::DeviceEvent: {
        if (data & evRxChar) pellix::fire(OnDataRecived, this, BytesWaiting());
        // Every device event starts a new error collection.
        const unsigned errors = core_->TakeLineErrors();
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
    core_->DataHandled(OnDataRecived.IsSet());
}

// ---- TAfCustomComPort, TAfComPort -----------------------------------------

void TAfCustomComPort::SetComNumber(int value) {
  if (value == comNumber_) return;
  if (!IsOpen()) {
    comNumber_ = value;
    return;
  }
  ClosePort();
  comNumber_ = value;
  OpenPort();
}

TAfComPort::TAfComPort(const QString& name) : TAfCustomComPort(name) {}

TAfComPort::~TAfComPort() {
  if (IsOpen()) ClosePort();
}

void TAfComPort::Loaded() {
  if (autoOpen_ && !IsOpen()) OpenPort();
}
