#pragma once
// Watches for a lost port to come back: after a USB adapter has been pulled out, its
// COM number is probed as the port list probes it until it can be opened again, and
// then the owner is told. The owner reopens the port, or starts the watch again.
#include <QTimer>

#include <functional>

class PortReturnWatch {
 public:
  static constexpr int IntervalMs = 500;

  PortReturnWatch();
  PortReturnWatch(const PortReturnWatch&) = delete;
  PortReturnWatch& operator=(const PortReturnWatch&) = delete;

  // Watches comNumber (replacing any number watched before).
  void Start(int comNumber);
  void Stop();
  bool IsWatching() const { return timer_.isActive(); }
  int ComNumber() const { return comNumber_; }

  // Called once the device can be opened again; the watch has stopped by then.
  std::function<void(int comNumber)> OnBack;

 private:
  void Check();

  QTimer timer_;
  int comNumber_ = 0;
};
