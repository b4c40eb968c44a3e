#pragma once
// The protocol-neutral base of the communication engine: one borrowed serial port,
// the message counters, the poll timer and the two frame buffers. A descendant
// decides what a timer tick and received bytes mean.
#include "AfComPort.h"
#include "CommFrame.h"
#include "FrameObserver.h"
#include "Pocitadlo.h"

#include <QTimer>

#include <functional>

namespace pellix {
// "Communication port is inactive.": a command that needs the open link was asked for.
void ShowPortInactive();
}  // namespace pellix

class TKomunikator {
 public:
  // Binds the port's data-received notification to DataReceived, replacing any handler.
  explicit TKomunikator(TAfComPort& port);
  // Unbinds that notification: the port outlives the communicator.
  virtual ~TKomunikator();
  TKomunikator(const TKomunikator&) = delete;
  TKomunikator& operator=(const TKomunikator&) = delete;

  virtual void TimerTick() = 0;
  virtual void DataReceived(TAfCustomSerialPort* sender, int count) = 0;
  // Writes TxFrame to an open port, then calls OnTxFrame; nothing on a closed port.
  virtual void SendFrame();
  // Zeroes the counters (without notifying), selects the COM number and opens the port.
  virtual void Connect(int comNumber);
  virtual void Disconnect();

  // Reads the waiting bytes (at most one frame's worth) into RxFrame and calls OnRxFrame.
  // False when the port is closed or nothing waits; bytes beyond the frame stay waiting.
  bool ReadFrame();

  void SetCountersHandler(std::function<void(const TPocitadloValues&)> handler);
  bool IsActive() const { return Port.IsOpen(); }
  int GetBaudRate() const { return Port.UserBaudRate(); }

  const TPocitadlo& GetPocitadlo() const { return Pocitadlo; }
  const QTimer& GetTimer() const { return Timer; }
  const TCommFrame& GetTxFrame() const { return TxFrame; }
  const TCommFrame& GetRxFrame() const { return RxFrame; }

  // Diagnostic hooks: every frame written, every run of bytes read.
  std::function<void(const TCommFrame&)> OnTxFrame;
  std::function<void(const TCommFrame&)> OnRxFrame;

  // The traffic monitor, while it is open; not owned. Null: no extra work at all.
  void SetFrameObserver(IFrameObserver* observer) { FrameObserver = observer; }
  IFrameObserver* GetFrameObserver() const { return FrameObserver; }

 protected:
  // ReadFrame with the count just measured, so that a caller that measured it need not ask again.
  bool ReadWaiting(int waiting);

  TAfComPort& Port;
  TPocitadlo Pocitadlo;
  QTimer Timer;
  TCommFrame TxFrame;
  TCommFrame RxFrame;
  IFrameObserver* FrameObserver = nullptr;
};
