#include "PortReturnWatch.h"

#include "ComNumbers.h"

PortReturnWatch::PortReturnWatch() {
  FTimer.setInterval(IntervalMs);
  QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this] { Check(); });
}

void PortReturnWatch::Start(int comNumber) {
  FComNumber = comNumber;
  FTimer.start();
}

void PortReturnWatch::Stop() { FTimer.stop(); }

void PortReturnWatch::Check() {
  // Absent while unplugged; busy while another program holds it: wait for free.
  if (pellix::probeComPort(FComNumber) != pellix::PortState::Free) return;
  FTimer.stop();
  if (OnBack) OnBack(FComNumber);
}
