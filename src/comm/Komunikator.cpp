#include "Komunikator.h"

#include "Prompts.h"

#include <algorithm>

void pellix::ShowPortInactive() { prompts().information(QStringLiteral("Communication port is inactive.")); }

TKomunikator::TKomunikator(TAfComPort& port) : Port(port) {
  Timer.stop();
  Timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&Timer, &QTimer::timeout, &Timer, [this] { TimerTick(); });
  Port.OnDataRecived = [this](TAfCustomSerialPort* sender, int count) { DataReceived(sender, count); };
}

TKomunikator::~TKomunikator() {
  // The port may stay open and go on notifying after we are gone.
  Port.OnDataRecived = nullptr;
}

void TKomunikator::SendFrame() {
  if (!Port.IsOpen()) return;
  Port.WriteBytes(TxFrame.Data, TxFrame.Length);
  if (OnTxFrame) OnTxFrame(TxFrame);
  if (FrameObserver) FrameObserver->FrameSent({TxFrame.Data, TxFrame.Length});
}

bool TKomunikator::ReadFrame() {
  if (!Port.IsOpen()) return false;
  return ReadWaiting(Port.BytesWaiting());
}

bool TKomunikator::ReadWaiting(int waiting) {
  if (waiting <= 0) return false;
  // Never more than the buffer holds; the rest is left to the next read or drain.
  const int n = std::min(waiting, TCommFrame::Capacity);
  Port.ReadBytes(RxFrame.Data, n);
  RxFrame.Length = static_cast<uint8_t>(n);
  if (OnRxFrame) OnRxFrame(RxFrame);
  if (FrameObserver) FrameObserver->FrameReceived({RxFrame.Data, RxFrame.Length});
  return true;
}

void TKomunikator::Connect(int comNumber) {
  Pocitadlo.Reset();
  Port.SetComNumber(comNumber);
  if (!Port.IsOpen()) Port.OpenPort();
}

void TKomunikator::Disconnect() { Port.ClosePort(); }

void TKomunikator::SetCountersHandler(std::function<void(const TPocitadloValues&)> handler) {
  Pocitadlo.OnChange = std::move(handler);
}
