#include "LibmodbusSlave.h"

#include "ModbusReplies.h"

#include <modbus/modbus.h>
#include <poll.h>

#include <stdexcept>

namespace pellix::test {

LibmodbusSlave::LibmodbusSlave(int fd, uint8_t slave) : fd_(fd) {
  // The device name is never opened: the pty master is handed over as the socket.
  ctx_ = modbus_new_rtu("/dev/null", 115200, 'N', 8, 1);
  map_ = modbus_mapping_new(0, 0, Registers, 0);
  if (!ctx_ || !map_) throw std::runtime_error("libmodbus setup failed");
  modbus_set_slave(ctx_, slave);
  modbus_set_socket(ctx_, fd);
  for (int a = 0; a < Registers; ++a) map_->tab_registers[a] = modelRegister(static_cast<uint16_t>(a));
  thread_ = std::thread([this] { run(); });
}

LibmodbusSlave::~LibmodbusSlave() {
  stop();
  modbus_mapping_free(map_);
  modbus_free(ctx_);  // does not close the fd: the pty belongs to the test
}

void LibmodbusSlave::stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

uint16_t LibmodbusSlave::reg(int address) const { return map_->tab_registers[address]; }

void LibmodbusSlave::run() {
  uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
    const int rc = modbus_receive(ctx_, query);
    if (rc > 0) {
      modbus_reply(ctx_, query, rc, map_);
      ++requests_;
    }
  }
}

}  // namespace pellix::test
