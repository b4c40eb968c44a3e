#pragma once
// A small known plant and a raw master on the simulator's pty, for the sim tests.
#include "GatewayModel.h"
#include "RtuServer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellix::gwsim::test {

// Line 1: A (0x28) in channel 1, B (0x10) waiting. Line 2: C (0x19) in channel 21,
// D (0x26) and E (0x01) waiting. Values do not move unless a test says so.
struct Plant {
  RomCode a = RomCode::make(0x28, 0xA1);
  RomCode b = RomCode::make(0x10, 0xB2);
  RomCode c = RomCode::make(0x19, 0xC3);
  RomCode d = RomCode::make(0x26, 0xD4);
  RomCode e = RomCode::make(0x01, 0xE5);
  GatewayModel model() const;
};

Device steadyDevice(const RomCode& rom, int line, double temperature = 21.5);

Frame request(std::uint8_t slave, std::uint8_t function, std::uint16_t address, std::uint16_t valueOrCount);
Frame writeMultiple(std::uint8_t slave, std::uint16_t address, const std::vector<std::uint16_t>& values);
std::vector<std::uint16_t> registersOf(const Frame& readReply);

// An image of `size` bytes that does not repeat every block.
std::vector<std::uint8_t> testImage(std::size_t size);
// The upgrade's program block: offset (low 16 bits), then 192 bytes, earlier byte high, 0xFF past the end.
Frame programBlock(const std::vector<std::uint8_t>& image, std::size_t offset);

// The master's side: opens a path raw, writes frames, collects what comes back.
class RawMaster {
 public:
  explicit RawMaster(const std::string& path, unsigned baudConstant = 0);  // 0: B19200
  ~RawMaster();
  bool isOpen() const { return fd_ >= 0; }
  void send(const Frame& bytes);
  // Bytes until `expected` have come or `ms` passed.
  Frame receive(std::size_t expected, int ms);
  // Bytes until `ms` of quiet.
  Frame receiveUntilQuiet(int quietMs, int maxMs = 2000);
  // True when the far side hung up (poll reports POLLHUP) within ms.
  bool hungUp(int ms);

 private:
  int fd_ = -1;
};

}  // namespace pellix::gwsim::test
