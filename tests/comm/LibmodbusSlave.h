#pragma once
// libmodbus as the far side: an RTU slave written by others, serving the model registers
// on the master end of a pty, so our frames and CRC meet an independent implementation.
#include <atomic>
#include <cstdint>
#include <thread>

struct _modbus;
struct _modbus_mapping_t;

namespace pellix::test {

class LibmodbusSlave {
 public:
  static constexpr int Registers = 1300;  // every block the poll reads

  LibmodbusSlave(int fd, uint8_t slave = 1);
  ~LibmodbusSlave();
  LibmodbusSlave(const LibmodbusSlave&) = delete;
  LibmodbusSlave& operator=(const LibmodbusSlave&) = delete;

  // Stops serving; the registers can then be read from any thread.
  void stop();
  uint16_t reg(int address) const;
  int requests() const { return requests_.load(); }

 private:
  void run();

  _modbus* ctx_ = nullptr;
  _modbus_mapping_t* map_ = nullptr;
  int fd_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

}  // namespace pellix::test
