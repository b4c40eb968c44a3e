#include "PortReturnWatch.h"

#include "ComNumbers.h"

PortReturnWatch::PortReturnWatch() {
  timer_.setInterval(IntervalMs);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Check(); });
}

void PortReturnWatch::Start(int comNumber) {
  comNumber_ = comNumber;
  timer_.start();
}

void PortReturnWatch::Stop() { timer_.stop(); }

void PortReturnWatch::Check() {
  // Absent while unplugged; busy while another program holds it: wait for free.
  if (pellix::probeComPort(comNumber_) != pellix::PortState::Free) return;
  timer_.stop();
  if (OnBack) OnBack(comNumber_);
}
