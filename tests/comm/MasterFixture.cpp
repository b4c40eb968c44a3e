#include "MasterFixture.h"

namespace pellix::test {

Bytes readRequest(uint16_t start, uint8_t slave) {
  return withCrc(
      {slave, 0x03, static_cast<uint8_t>(start >> 8), static_cast<uint8_t>(start & 0xFF), 0x00, 100});
}

Bytes writeRequest(uint16_t value, uint16_t address, uint8_t slave) {
  return withCrc({slave, 0x06, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF),
                  static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)});
}

std::array<uint16_t, 100> modelBlock(uint16_t start) {
  std::array<uint16_t, 100> r{};
  for (int i = 0; i < 100; ++i) r[i] = modelRegister(static_cast<uint16_t>(start + i));
  return r;
}

void MasterOnPty::SetUp() {
  master.OnRegisters = [this] {
    Block b;
    b.first = master.GetPolledAddress();
    master.GetRegisters(b.second);
    blocks.push_back(b);
  };
  master.Connect(Com);
  master.HoldTimer();
  ASSERT_TRUE(master.IsActive());
}

void MasterOnPty::TearDown() { master.Disconnect(); }

Bytes MasterOnPty::tick(std::size_t n, int timeoutMs) {
  master.TimerTick();
  return link.read(n, timeoutMs);
}

void MasterOnPty::answer(uint16_t start) {
  const std::size_t before = blocks.size();
  link.write(readReply(1, start));
  ASSERT_TRUE(waitUntil([&] { return blocks.size() > before; }, 3000)) << "no OnRegisters for " << start;
}

void MasterOnPty::settle(int n) {
  ASSERT_TRUE(waitUntil([&] { return port.BytesWaiting() == n; }, 3000)) << port.BytesWaiting();
  processEventsFor(30);
}

}  // namespace pellix::test
