#include "ModbusKomunikator.h"

#include "Prompts.h"

#include <algorithm>
#include <stdexcept>
#include <string>

TModbusKomunikator::TModbusKomunikator(TAfComPort& port) : TKomunikator(port) {
  Timer.setInterval(static_cast<int>(PollInterval));
}

bool TModbusKomunikator::PortInactive() {
  if (IsActive()) return false;
  pellix::ShowPortInactive();
  return true;
}

void TModbusKomunikator::Transmit(bool expectReply) {
  // The counters are about to take the pending request as unanswered (unless the ceiling
  // clears them first); the monitor shows it before the request that finds it out.
  if (FrameObserver && expectReply && Pocitadlo.IsPending() && Pocitadlo.GetTx() < TPocitadlo::Ceiling)
    FrameObserver->ReplyMissed();
  SendFrame();
  if (expectReply) Pocitadlo.RequestSent();
  // A write cancels the pending state of an earlier read.
  Pocitadlo.SetPending(expectReply);
}

void TModbusKomunikator::ReadHoldingRegisters(uint16_t address) {
  // Nothing older than this request may be taken for its reply.
  Port.PurgeInput();
  pellix::modbus::BuildReadHoldingRegisters(TxFrame, SlaveAddress, address, RegisterCount);
  AppendCrc();
  Transmit(true);
}

void TModbusKomunikator::WriteSingleRegister(uint16_t value, uint16_t address) {
  if (Pocitadlo.IsTimeout()) return;
  pellix::modbus::BuildWriteSingleRegister(TxFrame, SlaveAddress, address, value);
  AppendCrc();
  Transmit(false);
}

void TModbusKomunikator::WriteMultipleRegisters(std::span<const uint16_t> values, uint16_t address) {
  if (PortInactive()) return;
  pellix::modbus::BuildWriteMultipleRegisters(TxFrame, SlaveAddress, address, values);
  AppendCrc();
  Transmit(false);
}

void TModbusKomunikator::DataReceived(TAfCustomSerialPort*, int count) {
  AwaitingReply = false;
  if (count < ReplyLength) return;
  // The count may be out of date: the bytes it saw can have been read or purged since.
  // Only bytes actually read now are a reply; an old frame is never checked twice.
  const int waiting = Port.BytesWaiting();
  if (waiting < ReplyLength || !ReadWaiting(waiting)) return;
  const bool ok = CheckCrc();
  Pocitadlo.ReplyReceived(ok);
  if (!ok) return;
  RegistersArrived();
  if (OnRegisters) OnRegisters();
}

uint16_t TModbusKomunikator::GetRegister(int i) const {
  if (i < 0 || i >= RegisterMap::BlockSize) throw std::out_of_range("Register index " + std::to_string(i));
  return pellix::modbus::ReplyRegister(RxFrame, i);
}

void TModbusKomunikator::GetRegisters(TRegisterBlock& values) const {
  for (int i = 0; i < RegisterMap::BlockSize; ++i) values[i] = pellix::modbus::ReplyRegister(RxFrame, i);
}

void TModbusKomunikator::TimerTick() {
  if (WriteCount > 0) {
    Phase = ppWriting;
    Timer.setInterval(WriteSpacingMs);
  }
  switch (Phase) {
    case ppWriting:
      TickWriting();
      break;
    case ppPause:
      Phase = ppPolling;
      Timer.setInterval(static_cast<int>(PollInterval));
      break;
    case ppPolling:
      TickPolling();
      break;
  }
}

void TModbusKomunikator::TickWriting() {
  if (WriteCount == 0) {  // nothing left: behave as after the last entry
    Phase = ppPause;
    Timer.setInterval(PauseMs);
    return;
  }
  const TRegisterWrite w = WriteQueue[WriteIndex];
  WriteSingleRegister(w.Value, w.Address);
  ++WriteIndex;
  if (WriteIndex >= WriteCount) {
    Phase = ppPause;
    Timer.setInterval(PauseMs);
    WriteIndex = 0;
    WriteCount = 0;
  }
}

void TModbusKomunikator::TickPolling() {
  int waiting = Port.BytesWaiting();
  if (waiting >= ReplyLength) {
    // A whole reply whose notification has not come yet (a busy machine): take it as
    // the notification would have, rather than purge it with the next request.
    DataReceived(&Port, waiting);
    waiting = Port.BytesWaiting();
  }
  if (AwaitingReply && waiting == 0) {
    // Not a byte since the last request: give the slave a rest.
    Phase = ppPause;
    Timer.setInterval(PauseMs);
    AwaitingReply = false;
    return;
  }
  if (waiting >= 1 && waiting < ReplyLength) {
    // A short reply (an exception, an echo of a write, a broken frame) is dropped uncounted.
    ReadWaiting(waiting);
    Pocitadlo.SetPending(false);
  }
  // After a timeout the same block is asked for again.
  if (!Pocitadlo.IsTimeout()) PollIndex = static_cast<uint8_t>((PollIndex + 1) % PollBlocks.size());
  ReadHoldingRegisters(PollBlocks[PollIndex]);
  LastPollIndex = PollIndex;
  AwaitingReply = true;
}

void TModbusKomunikator::Connect(int comNumber) {
  TKomunikator::Connect(comNumber);
  PollIndex = ConnectPollIndex;
  Timer.start();
}

void TModbusKomunikator::Disconnect() {
  TKomunikator::Disconnect();
  Timer.stop();
}

void TModbusKomunikator::SetBaudRate(int baud) {
  Port.SetUserBaudRate(baud);
  if (baud != 0)
    SetPollInterval(std::max(MinPollIntervalMs, static_cast<uint32_t>(pellix::modbus::ExchangeTimeMs(baud))));
}

void TModbusKomunikator::SetPollInterval(uint32_t ms) {
  PollInterval = ms;
  Timer.setInterval(static_cast<int>(ms));
}

void TModbusKomunikator::SetNextBlock(uint8_t index) {
  if (index >= PollBlocks.size()) throw std::out_of_range("Poll block index " + std::to_string(index));
  PollIndex = index == 0 ? static_cast<uint8_t>(PollBlocks.size() - 1) : static_cast<uint8_t>(index - 1);
}

bool TModbusKomunikator::QueueWrites(std::span<const TRegisterWrite> items) {
  if (PortInactive()) return false;
  if (WriteCount != 0) return false;
  // All or nothing: a partial list of settings must never go out.
  if (items.size() > static_cast<std::size_t>(MaxQueuedWrites)) return false;
  std::copy(items.begin(), items.end(), WriteQueue.begin());
  WriteCount = static_cast<uint8_t>(items.size());
  WriteIndex = 0;
  return true;
}

void TModbusKomunikator::QueueWrite(uint16_t value, uint16_t address) {
  const TRegisterWrite item{value, address};
  QueueWrites(std::span(&item, 1));
}
