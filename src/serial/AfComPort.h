#pragma once
// The serial port component: TAfCustomSerialPort (line settings, buffers, threads,
// events) <- TAfCustomComPort (addressing by COM number) <- TAfComPort.
// All members are used on the GUI thread; the core's two threads hand their
// notifications over to it.
#include <QString>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

enum TAfBaudrate {
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000,
  brUser
};
enum TAfDatabits { db4, db5, db6, db7, db8 };
enum TAfParity { paNone, paOdd, paEven, paMark, paSpace };
enum TAfStopbits { sbOne, sbOneAndHalf, sbTwo };
enum TAfFlowControl { fwNone, fwXOnXOff, fwRtsCts, fwDtrDsr };
enum TAfComOption : unsigned {
  coParityCheck = 1u << 0,
  coDsrSensitivity = 1u << 1,
  coIgnoreXOff = 1u << 2,
  coErrorChar = 1u << 3,
  coStripNull = 1u << 4,
};
using TAfComOptions = unsigned;  // set of TAfComOption
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Bits of a device event.
enum TAfComEvent : unsigned {
  evRxChar = 0x0001,
  evCts = 0x0008,
  evDsr = 0x0010,
  evRlsd = 0x0020,
  evError = 0x0080,
  evRing = 0x0100,
};
// Line errors, accumulated until the next device event.
enum TAfLineError : unsigned {
  leRxOver = 0x0001,
  leOverrun = 0x0002,
  leParity = 0x0004,
  leFrame = 0x0008,
  leBreak = 0x0010,
};
// What a port thread hands over to the GUI thread.
enum class TAfCoreEvent {
  DeviceEvent,      // data = event mask (TAfComEvent bits)
  OutputFree,       // the ring buffer ran empty
  DataWaiting,      // data = unread input bytes after 200 ms without an event
  ThreadException,  // a port thread failed; raised again on the GUI thread
};

// Raised by the port itself; the message is "<text> - <component name> ".
class EAfComPortError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// Raised by the core ("Invalid port number (COM%d)", "Can't open device COM%d", ...).
class EAfComPortCoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The port can no longer be read (short read, hang-up): "Read data error - <name> ".
// Its owner closes the port; caught by type, so the port's name does not matter.
class EAfComPortReadError : public EAfComPortError {
 public:
  using EAfComPortError::EAfComPortError;
};
// The device refused the line settings (or read back another rate).
class EAfComPortSettingsError : public EAfComPortCoreError {
 public:
  EAfComPortSettingsError() : EAfComPortCoreError("Error setting parameters from DCB") {}
};

// What the operator is told of a port error: refused line settings name the port and
// the likely cause; any other error says what it says.
QString PortErrorReport(const std::exception& e, int comNumber);

class TAfCustomSerialPort;
class TAfComPortCore;
using TAfNotifyEvent = std::function<void(TAfCustomSerialPort* sender)>;
using TAfDataReceivedEvent = std::function<void(TAfCustomSerialPort* sender, int count)>;
using TAfLineErrorEvent = std::function<void(TAfCustomSerialPort* sender, unsigned errors)>;
// OnSyncEvent runs on the GUI thread before the specific handler; OnNonSyncEvent runs
// on the event thread and, while set, receives every notification instead of the GUI.
using TAfSyncEvent = std::function<void(TAfCustomSerialPort* sender, TAfCoreEvent kind, unsigned data)>;

namespace pellix {

// The line-settings record, built from the port's properties.
struct LineSettings {
  int baudRate = 115200;
  int byteSize = 8;  // 4..8
  int parity = 0;    // 0..4: none, odd, even, mark, space
  int stopBits = 0;  // 0: one, 1: one and a half, 2: two
  bool binary = true;
  bool outX = false, inX = false;  // XON/XOFF for output / input
  bool outxCtsFlow = false;        // CTS monitored for output
  bool rtsHandshake = false;       // RTS in handshake mode
  bool outxDsrFlow = false;        // DSR monitored for output
  bool dtrHandshake = false;       // DTR in handshake mode
  bool parityCheck = false, dsrSensitivity = false, txContinueOnXoff = false;
  bool errorChar = false, nullStrip = false;
  bool dtrEnable = true, rtsEnable = true;  // line held on (outside handshake)
  uint8_t xonChar = 0x11, xoffChar = 0x13;
  uint16_t xonLim = 0, xoffLim = 0;

  bool operator==(const LineSettings&) const = default;
};

// The handler of one port event: assigned and called on the GUI thread like the
// std::function it holds. The port's own threads only ask whether one is set, so that no
// thread is woken for an event nobody handles.
template <class Function>
class PortEvent {
 public:
  PortEvent() = default;
  PortEvent(const PortEvent&) = delete;
  PortEvent& operator=(const PortEvent&) = delete;

  template <class F>
  PortEvent& operator=(F&& handler) {
    handler_ = std::forward<F>(handler);
    set_.store(static_cast<bool>(handler_), std::memory_order_release);
    return *this;
  }
  explicit operator bool() const { return static_cast<bool>(handler_); }
  bool IsSet() const { return set_.load(std::memory_order_acquire); }  // from any thread
  const Function& Handler() const { return handler_; }

 private:
  Function handler_;
  std::atomic<bool> set_{false};
};

// Shows the busy cursor while a port opens (busy = true, then false, also on failure).
// The core library has no GUI; the widget layer installs the hook.
using BusyCursorHook = std::function<void(bool busy)>;
void setBusyCursorHook(BusyCursorHook hook);

// Rate in bit/s of a TAfBaudrate other than brUser.
int baudRateValue(TAfBaudrate rate);

}  // namespace pellix

class TAfCustomSerialPort {
 public:
  explicit TAfCustomSerialPort(const QString& name);
  virtual ~TAfCustomSerialPort();
  TAfCustomSerialPort(const TAfCustomSerialPort&) = delete;
  TAfCustomSerialPort& operator=(const TAfCustomSerialPort&) = delete;

  QString Name() const { return name_; }

  void OpenPort();
  void ClosePort();
  bool IsOpen() const;
  bool IsClosing() const { return closing_; }

  // Line properties: each rebuilds the record and applies it to an open port
  // (EAfComPortSettingsError when refused).
  TAfBaudrate BaudRate() const { return baudRate_; }
  void SetBaudRate(TAfBaudrate value);
  int UserBaudRate() const { return userBaudRate_; }
  void SetUserBaudRate(int value);  // a new value also sets BaudRate := brUser
  TAfDatabits Databits() const { return databits_; }
  void SetDatabits(TAfDatabits value);
  TAfParity Parity() const { return parity_; }
  void SetParity(TAfParity value);
  TAfStopbits Stopbits() const { return stopbits_; }
  void SetStopbits(TAfStopbits value);
  TAfFlowControl FlowControl() const { return flowControl_; }
  void SetFlowControl(TAfFlowControl value);
  TAfComOptions Options() const { return options_; }
  void SetOptions(TAfComOptions value);
  uint8_t XOnChar() const { return xOnChar_; }
  void SetXOnChar(uint8_t value);
  uint8_t XOffChar() const { return xOffChar_; }
  void SetXOffChar(uint8_t value);
  uint16_t XOnLim() const { return xOnLim_; }
  void SetXOnLim(uint16_t value);  // also XOffLim := InBufSize - value
  uint16_t XOffLim() const { return xOffLim_; }
  void SetXOffLim(uint16_t value);  // also XOnLim := InBufSize - value

  // Modem lines: set at once on an open port.
  bool DTR() const { return dtr_; }
  void SetDTR(bool value);
  bool RTS() const { return rts_; }
  void SetRTS(bool value);

  // Buffer sizes: only while closed (EAfComPortError "Port is not closed - <name> ").
  int InBufSize() const { return inBufSize_; }
  void SetInBufSize(int value);
  int OutBufSize() const { return outBufSize_; }
  void SetOutBufSize(int value);

  // Take effect at the next open.
  TThreadPriority EventThreadPriority() const { return eventThreadPriority_; }
  void SetEventThreadPriority(TThreadPriority value) { eventThreadPriority_ = value; }
  TThreadPriority WriteThreadPriority() const { return writeThreadPriority_; }
  void SetWriteThreadPriority(TThreadPriority value) { writeThreadPriority_ = value; }

  // The record last built from the properties (or read back after a refusal).
  const pellix::LineSettings& LineSettings() const { return lineSettings_; }
  // Line errors accumulated since the last device event.
  unsigned LineErrors() const;

  // Queues count bytes for the write thread; EAfComPortError
  // "Write data error [requested: %d, free: %d] - <name> " when they do not fit.
  void WriteBytes(const void* buffer, int count);
  int BytesWaiting();  // 0 when not open
  // Reads exactly count waiting bytes; ReadError() when they are not there.
  void ReadBytes(void* buffer, int count);
  EAfComPortReadError ReadError() const;
  void PurgeInput();
  int OutputFree();  // free bytes in the ring buffer; 0 when not open

  pellix::PortEvent<TAfDataReceivedEvent> OnDataRecived;
  pellix::PortEvent<TAfLineErrorEvent> OnLineError;
  pellix::PortEvent<TAfNotifyEvent> OnCTSChanged, OnDSRChanged, OnRINGDetected, OnRLSDChanged;
  TAfNotifyEvent OnPortOpen, OnPortClose;
  pellix::PortEvent<TAfNotifyEvent> OnOutBufFree;
  pellix::PortEvent<TAfSyncEvent> OnSyncEvent;
  TAfSyncEvent OnNonSyncEvent;

 protected:
  // COM number of the device to open; the message texts name it.
  virtual int DeviceComNumber() const { return 0; }
  EAfComPortError PortError(const QString& text) const;

 private:
  friend class TAfComPortCore;
  void UpdateLineSettings();
  void ApplyLineSettings();
  void UpdateFlowLimits();
  void SetModemLines();
  // Runs on the GUI thread for every notification handed over by the core.
  void DispatchNotification(TAfCoreEvent kind, unsigned data, const std::exception_ptr& error);
  // Whether a notification would reach a handler (asked on the port's threads).
  bool HandlesNotification(TAfCoreEvent kind, unsigned data) const;
  // Whether anyone listens for modem line changes or line errors (asked on the port's threads).
  bool HandlesLineEvents() const;
  void ThrowWriteError(int count, int free) const;

  QString name_;
  std::unique_ptr<TAfComPortCore> core_;
  bool closing_ = false;
  pellix::LineSettings lineSettings_;

  TAfBaudrate baudRate_ = br115200;
  int userBaudRate_ = 0;
  TAfDatabits databits_ = db8;
  TAfParity parity_ = paNone;
  TAfStopbits stopbits_ = sbOne;
  TAfFlowControl flowControl_ = fwNone;
  TAfComOptions options_ = 0;
  bool dtr_ = true;
  bool rts_ = true;
  int inBufSize_ = 4096;
  int outBufSize_ = 2048;
  uint8_t xOnChar_ = 0x11;
  uint8_t xOffChar_ = 0x13;
  uint16_t xOnLim_ = 0;
  uint16_t xOffLim_ = 0;
  TThreadPriority eventThreadPriority_ = tpNormal;
  TThreadPriority writeThreadPriority_ = tpHighest;
};

class TAfCustomComPort : public TAfCustomSerialPort {
 public:
  using TAfCustomSerialPort::TAfCustomSerialPort;

  int ComNumber() const { return comNumber_; }
  // On an open port: close, store, open again.
  void SetComNumber(int value);

 protected:
  int DeviceComNumber() const override { return comNumber_; }

 private:
  int comNumber_ = 0;
};

class TAfComPort : public TAfCustomComPort {
 public:
  explicit TAfComPort(const QString& name = QStringLiteral("AfComPort1"));
  ~TAfComPort() override;  // closes an open port

  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool value) { autoOpen_ = value; }
  // Called by the owner once its window is loaded: opens the port when AutoOpen is set.
  void Loaded();

 private:
  bool autoOpen_ = false;
};
