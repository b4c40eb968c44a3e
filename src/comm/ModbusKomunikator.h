#pragma once
// The Modbus RTU master: request builders for functions 3, 6 and 16, the CRC, the
// cyclic poll of seven register blocks and a queue of single-register writes that
// interrupts it. Nothing here blocks waiting for a reply.
#include "Komunikator.h"
#include "ModbusFrames.h"
#include "RegisterMap.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

struct TRegisterWrite {
  uint16_t Value = 0;
  uint16_t Address = 0;
};

enum TPollPhase : uint8_t { ppPolling = 0, ppWriting = 1, ppPause = 2 };

// Start addresses of the polled blocks, read in this order and then again.
inline constexpr std::array<uint16_t, 7> PollBlocks = {
    RegisterMap::ChannelBlock0,     RegisterMap::ChannelBlock1, RegisterMap::ChannelBlock2,
    RegisterMap::ChannelBlock3,     RegisterMap::ServiceBlock,  RegisterMap::SearchResultsLine1,
    RegisterMap::SearchResultsLine2};

// Position of a block in PollBlocks (the list's size when it is not polled).
constexpr uint8_t PollIndexOf(uint16_t blockAddress) {
  uint8_t i = 0;
  while (i < PollBlocks.size() && PollBlocks[i] != blockAddress) ++i;
  return i;
}
static_assert(PollIndexOf(RegisterMap::ServiceBlock) > 0,
              "a connection starts just before the service block");

class TModbusKomunikator : public TKomunikator {
 public:
  static constexpr int MaxQueuedWrites = 255;
  static constexpr int WriteSpacingMs = 60;
  static constexpr int PauseMs = 1000;
  static constexpr uint32_t MinPollIntervalMs = 300;

  explicit TModbusKomunikator(TAfComPort& port);

  // The poll timer's handler: one write or one read request per tick.
  void TimerTick() override;
  // The port's data-received handler: takes a complete reply.
  void DataReceived(TAfCustomSerialPort* sender, int count) override;
  // Opens the port, restarts the poll at block 1000 and starts the timer.
  void Connect(int comNumber) override;
  // Closes the port and stops the timer; the poll's state stays as it is.
  void Disconnect() override;

  uint8_t GetSlaveAddress() const { return SlaveAddress; }
  void SetSlaveAddress(uint8_t address) { SlaveAddress = address; }
  // Sets the port's user baud rate and, unless 0, the poll period from it.
  void SetBaudRate(int baud);
  void SetPollInterval(uint32_t ms);
  uint32_t GetPollInterval() const { return PollInterval; }
  // The next poll tick reads PollBlocks[index] (std::out_of_range past the list).
  void SetNextBlock(uint8_t index);

  // Start address of the block the last read request asked for.
  uint16_t GetPolledAddress() const { return PollBlocks[LastPollIndex]; }
  // Register i (0..99) of the last reply.
  uint16_t GetRegister(int i) const;
  void GetRegisters(TRegisterBlock& values) const;

  void ReadHoldingRegisters(uint16_t address);
  // Not sent while the counters show a timeout.
  void WriteSingleRegister(uint16_t value, uint16_t address);
  // 1..121 values; shows "Communication port is inactive." on a closed port.
  void WriteMultipleRegisters(std::span<const uint16_t> values, uint16_t address);

  // False (nothing queued) when the port is closed, a queue is still being sent, or the
  // list is longer than MaxQueuedWrites.
  bool QueueWrites(std::span<const TRegisterWrite> items);
  bool QueueWrites(const std::vector<TRegisterWrite>& items) { return QueueWrites(std::span(items)); }
  // A write made while the queue is busy is lost.
  void QueueWrite(uint16_t value, uint16_t address);

  void AppendCrc() { pellix::modbus::AppendCrc(TxFrame); }
  bool CheckCrc() const { return pellix::modbus::CheckCrc(RxFrame); }
  // Sends TxFrame; a request that expects a reply is counted and left pending.
  void Transmit(bool expectReply);

  // Called when a complete reply with a good CRC has arrived.
  std::function<void()> OnRegisters;

  // The poll's state, for the owner's diagnostics and for tests that tick it by hand.
  TPollPhase GetPhase() const { return Phase; }
  bool IsAwaitingReply() const { return AwaitingReply; }
  int QueuedWrites() const { return WriteCount; }

 protected:
  // A complete reply with a good CRC, before the owner's OnRegisters hears of it.
  virtual void RegistersArrived() {}

  uint8_t SlaveAddress = 1;
  uint16_t RegisterCount = RegisterMap::BlockSize;
  uint8_t PollIndex = ConnectPollIndex;
  uint8_t LastPollIndex = 0;
  // A whole read reply: address, function, byte count, the block, CRC.
  uint8_t ReplyLength = 3 + 2 * RegisterMap::BlockSize + 2;
  std::array<TRegisterWrite, MaxQueuedWrites> WriteQueue{};
  uint8_t WriteCount = 0;
  uint8_t WriteIndex = 0;
  TPollPhase Phase = ppPolling;
  uint32_t PollInterval = 500;
  bool AwaitingReply = false;

 private:
  // So that the first read after connecting is of the service block.
  static constexpr uint8_t ConnectPollIndex = PollIndexOf(RegisterMap::ServiceBlock) - 1;
  void TickWriting();
  void TickPolling();
  bool PortInactive();
};
