#include "GatewayModel.h"

#include <algorithm>
#include <cstdlib>

namespace pellix::gwsim {
namespace {

constexpr std::uint16_t kBaudCodes[] = {12,  18,  24,  48,  72,  96,   144,  192,
                                        288, 384, 560, 576, 768, 1152, 1280, 2304};

std::uint16_t commandRegister(int line) { return line == 0 ? reg::kLine1Command : reg::kLine2Command; }
std::uint16_t resultsStart(int line) { return line == 0 ? reg::kLine1Results : reg::kLine2Results; }

void putRom(std::uint16_t* at, const RomCode& rom) { std::copy(rom.words.begin(), rom.words.end(), at); }

RomCode allOnes() { return RomCode{{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}}; }

}  // namespace

GatewayModel::GatewayModel(const GatewayConfig& config) : config_(config), flash_(kFlashSize, 0xFF) {
  resetVolatile();
}

void GatewayModel::resetVolatile() {
  // What a boot loads from the gateway's settings; commands, results and search state start empty.
  service_.fill(0);
  service_[reg::kFirmwareVersion - reg::kService] = config_.firmwareVersion;
  service_[reg::kHardwareVersion - reg::kService] = config_.hardwareVersion;
  serviceRegister(reg::kRs485Address) = config_.rs485.address;
  serviceRegister(reg::kRs485Baud) = config_.rs485.baud;
  serviceRegister(reg::kRs485StopBits) = config_.rs485.stopBits;
  serviceRegister(reg::kRs485Parity) = config_.rs485.parity;
  serviceRegister(reg::kRs485Delay) = config_.rs485.delayMs;
  serviceRegister(reg::kRs232Address) = config_.rs232.address;
  serviceRegister(reg::kRs232Baud) = config_.rs232.baud;
  serviceRegister(reg::kRs232StopBits) = config_.rs232.stopBits;
  serviceRegister(reg::kRs232Parity) = config_.rs232.parity;
  serviceRegister(reg::kRs232Delay) = config_.rs232.delayMs;
  serviceRegister(reg::kPowerControl) = config_.powerControl;
  for (auto& r : results_) r.fill(0);
  foundNew_ = {};
  lastSearch_ = {};
  flashSession_ = false;
  nextBlock_ = 0;
}

Device& GatewayModel::addDevice(const Device& device) {
  devices_.push_back(device);
  return devices_.back();
}

Device* GatewayModel::findDevice(const RomCode& rom) {
  for (auto& d : devices_)
    if (d.rom == rom) return &d;
  return nullptr;
}

void GatewayModel::assign(int channelIndex, const RomCode& rom) {
  if (channelIndex < 0 || channelIndex >= kChannels) return;
  // A blank code (all zero or all ones) frees the channel: there is no such device.
  if (rom.isZero() || rom.isAllOnes())
    assigned_[static_cast<std::size_t>(channelIndex)].reset();
  else
    assigned_[static_cast<std::size_t>(channelIndex)] = rom;
}

void GatewayModel::freeChannel(int channelIndex) {
  if (channelIndex >= 0 && channelIndex < kChannels)
    assigned_[static_cast<std::size_t>(channelIndex)].reset();
}

std::optional<RomCode> GatewayModel::assignment(int channelIndex) const {
  if (channelIndex < 0 || channelIndex >= kChannels) return std::nullopt;
  return assigned_[static_cast<std::size_t>(channelIndex)];
}

void GatewayModel::setLineFault(int line, std::uint8_t fault, std::int64_t atMs, std::int64_t forMs,
                                std::int64_t everyMs) {
  lineFault_[static_cast<std::size_t>(line & 1)] = {fault, atMs, forMs, everyMs};
}

std::uint8_t GatewayModel::lineFault(int line) const {
  const LineFault& f = lineFault_[static_cast<std::size_t>(line & 1)];
  if (f.code == 0 || now_ < f.atMs) return 0;
  std::int64_t t = now_ - f.atMs;
  if (f.everyMs > 0) t %= f.everyMs;
  return f.forMs <= 0 || t < f.forMs ? f.code : 0;
}

void GatewayModel::advanceTo(std::int64_t ms) { now_ = std::max(now_, ms); }

bool GatewayModel::assignedAnywhere(const RomCode& rom) const {
  return std::any_of(assigned_.begin(), assigned_.end(), [&](const auto& a) { return a && *a == rom; });
}

const Device* GatewayModel::deviceOnLine(const RomCode& rom, int line) const {
  for (const auto& d : devices_)
    if (d.present && d.line == line && d.rom == rom) return &d;
  return nullptr;
}

std::vector<const Device*> GatewayModel::presentOnLine(int line) const {
  std::vector<const Device*> found;
  for (const auto& d : devices_)
    if (d.present && d.line == line) found.push_back(&d);
  std::sort(found.begin(), found.end(),
            [](auto* a, auto* b) { return a->rom.searchKey() < b->rom.searchKey(); });
  return found;
}

std::array<std::uint16_t, 10> GatewayModel::channelRegisters(int channelIndex) const {
  std::array<std::uint16_t, 10> r{};
  const auto& rom = assigned_[static_cast<std::size_t>(channelIndex)];
  if (!rom) {
    r[9] = chstatus::kFree;
    return r;
  }
  const int line = lineOfChannel(channelIndex);
  if (const std::uint8_t fault = lineFault(line); fault != 0) {
    // Nothing can be read from a faulty line: the bus gives all ones.
    r.fill(0xFFFF);
    r[9] = fault;
    return r;
  }
  putRom(r.data(), *rom);
  if (const Device* d = deviceOnLine(*rom, line)) {
    const auto v = d->valuesAt(now_);
    std::copy(v.begin(), v.end(), r.begin() + 4);
    r[9] = d->channelStatus();
  } else {
    r[9] = chstatus::kTimeout;
  }
  return r;
}

std::uint16_t GatewayModel::registerAt(std::uint16_t address) const {
  if (address < reg::kChannelTableEnd) return channelRegisters(address / 10)[address % 10];
  if (address >= reg::kService && address < reg::kLine1Results) return service_[address - reg::kService];
  if (address >= reg::kLine1Results && address < reg::kReadableEnd) {
    const int line = address >= reg::kLine2Results ? 1 : 0;
    return results_[static_cast<std::size_t>(line)][address - resultsStart(line)];
  }
  return 0;
}

ModbusError GatewayModel::read(std::uint16_t start, std::uint16_t count,
                               std::vector<std::uint16_t>& out) const {
  const int end = start + count;
  const bool inTable = end <= reg::kChannelTableEnd;
  const bool inService = start >= reg::kService && end <= reg::kReadableEnd;
  if (count == 0 || !(inTable || inService)) return ModbusError::IllegalAddress;
  out.clear();
  for (int a = start; a < end; ++a) out.push_back(registerAt(static_cast<std::uint16_t>(a)));
  return ModbusError::None;
}

ModbusError GatewayModel::checkServiceWrite(std::uint16_t address, std::uint16_t value) const {
  auto within = [&](int lo, int hi) {
    return value >= lo && value <= hi ? ModbusError::None : ModbusError::IllegalValue;
  };
  switch (address) {
    case reg::kRs485Address:
    case reg::kRs232Address:
      return within(1, 247);
    case reg::kRs485Baud:
    case reg::kRs232Baud:
      return std::find(std::begin(kBaudCodes), std::end(kBaudCodes), value) != std::end(kBaudCodes)
                 ? ModbusError::None
                 : ModbusError::IllegalValue;
    case reg::kRs485StopBits:
    case reg::kRs232StopBits:
      return within(1, 2);
    case reg::kRs485Parity:
    case reg::kRs232Parity:
      return within(0, 2);
    case reg::kRs485Delay:
    case reg::kRs232Delay:
      return within(0, 1000);
    case reg::kPowerControl:
      return within(0, 5);
    case reg::kLine1Command:
    case reg::kLine2Command:
      return ModbusError::None;  // refusals show in the status register
    default:
      return ModbusError::IllegalAddress;
  }
}

ModbusError GatewayModel::write(std::uint16_t start, const std::vector<std::uint16_t>& values) {
  if (values.empty()) return ModbusError::IllegalValue;
  const int end = start + static_cast<int>(values.size());
  if (end <= reg::kChannelTableEnd) {
    // ROM codes are written whole: the four registers of one channel in one request.
    if (start % 10 != 0 || values.size() != 4) return ModbusError::IllegalAddress;
    assign(start / 10, RomCode{{values[0], values[1], values[2], values[3]}});
    return ModbusError::None;
  }
  if (start >= reg::kService && end <= reg::kLine1Results) {
    for (std::size_t i = 0; i < values.size(); ++i)
      if (auto e = checkServiceWrite(static_cast<std::uint16_t>(start + i), values[i]);
          e != ModbusError::None)
        return e;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const auto address = static_cast<std::uint16_t>(start + i);
      if (address == reg::kLine1Command || address == reg::kLine2Command)
        command(address == reg::kLine1Command ? 0 : 1, values[i]);
      else
        serviceRegister(address) = values[i];
    }
    return ModbusError::None;
  }
  if (start >= reg::kFlashOffset && end <= reg::kFlashEnd + 1) return writeFlash(start, values);
  return ModbusError::IllegalAddress;
}

ModbusError GatewayModel::writeFlash(std::uint16_t start, const std::vector<std::uint16_t>& values) {
  if (start == reg::kFlashData && values.size() == 1) {
    const int sector = values[0];
    if (sector < kFirstSector || sector > kLastSector) return ModbusError::IllegalValue;
    if (!flashSession_) {
      // First erase of an upgrade: a new image begins.
      flashSession_ = true;
      extent_ = 0;
      nextBlock_ = 0;
    }
    const auto from = static_cast<std::size_t>(sector - kFirstSector) * kSectorSize;
    std::fill_n(flash_.begin() + static_cast<std::ptrdiff_t>(from), kSectorSize, 0xFF);
    erased_.insert(sector);
    ++eraseRequests_;
    return ModbusError::None;
  }
  if (start != reg::kFlashOffset || values.size() < 2) return ModbusError::IllegalAddress;
  // The offset travels as its low 16 bits; take the candidate nearest to where the next block should go.
  const std::int64_t low = values[0];
  const std::int64_t base = (nextBlock_ & ~std::int64_t{0xFFFF}) + low;
  std::int64_t offset = base;
  for (std::int64_t c : {base - 0x10000, base + 0x10000})
    if (c >= 0 && std::llabs(c - nextBlock_) < std::llabs(offset - nextBlock_)) offset = c;
  const std::size_t size = 2 * (values.size() - 1);
  if (offset < 0 || static_cast<std::size_t>(offset) + size > kFlashSize) return ModbusError::IllegalValue;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint16_t w = values[1 + i / 2];
    const auto byte = static_cast<std::uint8_t>(i % 2 == 0 ? w >> 8 : w & 0xFF);
    std::uint8_t& cell = flash_[static_cast<std::size_t>(offset) + i];
    // Flash programming only clears bits.
    if ((cell & byte) != byte) ++programFaults_;
    cell &= byte;
  }
  nextBlock_ = offset + static_cast<std::int64_t>(size);
  extent_ = std::max(extent_, static_cast<std::size_t>(nextBlock_));
  ++programmedBlocks_;
  programmedSinceRestart_ = true;
  return ModbusError::None;
}

std::vector<std::uint8_t> GatewayModel::image() const {
  return {flash_.begin(), flash_.begin() + static_cast<std::ptrdiff_t>(extent_)};
}

void GatewayModel::command(int line, std::uint16_t word) {
  line &= 1;
  if (word == cmd::kRestart) {
    restart();
    return;
  }
  serviceRegister(commandRegister(line)) = word;
  const std::uint16_t status = execute(line, word);
  serviceRegister(static_cast<std::uint16_t>(commandRegister(line) + 1)) = status;
}

std::uint16_t GatewayModel::execute(int line, std::uint16_t word) {
  if (word == cmd::kFindNew) return findNew(line);
  if (word == cmd::kFindNewAll) return search(line, false);
  if (word == cmd::kFindAll) return search(line, true);
  const std::uint8_t high = word >> 8;
  const int nn = word & 0xFF;
  const bool isSaveFound = (high & cmd::kSaveFound) != 0;
  if (!isSaveFound && high != cmd::kSaveNew && high != cmd::kDelete) return opstatus::kUnsupported;
  if (nn >= kChannels || lineOfChannel(nn) != line) return opstatus::kChannelOutOfRange;
  if (high == cmd::kDelete) {
    freeChannel(nn);
    return opstatus::kOk;
  }
  if (high == cmd::kSaveNew) {
    if (!foundNew_[static_cast<std::size_t>(line)]) return opstatus::kRomReadError;
    assign(nn, *foundNew_[static_cast<std::size_t>(line)]);
    return opstatus::kOk;
  }
  const int index = high & 0x7F;
  for (const auto& record : lastSearch_[static_cast<std::size_t>(line)])
    if (record.index == index) {
      assign(nn, record.rom);
      return opstatus::kOk;
    }
  return opstatus::kRomReadError;
}

std::uint16_t GatewayModel::findNew(int line) {
  auto& found = foundNew_[static_cast<std::size_t>(line)];
  found.reset();
  std::uint16_t* romRegisters = &serviceRegister(static_cast<std::uint16_t>(commandRegister(line) + 2));
  std::vector<const Device*> waiting;
  for (const Device* d : presentOnLine(line))
    if (!assignedAnywhere(d->rom)) waiting.push_back(d);
  if (lineFault(line) != 0 || waiting.empty()) {
    // No presence pulse: the bus reads all ones.
    putRom(romRegisters, allOnes());
    return opstatus::kRomReadError;
  }
  if (waiting.size() > 1) {
    // Several devices answer a Read ROM at once: the bus gives the AND of their codes.
    RomCode mix = allOnes();
    for (const Device* d : waiting)
      for (std::size_t i = 0; i < 4; ++i) mix.words[i] &= d->rom.words[i];
    putRom(romRegisters, mix);
    return opstatus::kRomCrcError;
  }
  found = waiting.front()->rom;
  putRom(romRegisters, *found);
  return opstatus::kOk;
}

std::uint16_t GatewayModel::search(int line, bool includeAssigned) {
  auto& results = results_[static_cast<std::size_t>(line)];
  auto& records = lastSearch_[static_cast<std::size_t>(line)];
  results.fill(0);
  records.clear();
  if (lineFault(line) != 0) return opstatus::kRomReadError;
  // The index is the device's place in the line's search order, counted from 1.
  std::uint16_t index = 0;
  for (const Device* d : presentOnLine(line)) {
    ++index;
    if (!includeAssigned && assignedAnywhere(d->rom)) continue;
    if (records.size() == kRecords) break;
    const std::size_t at = records.size() * 5;
    putRom(&results[at], d->rom);
    results[at + 4] = index;
    records.push_back({d->rom, index});
  }
  return opstatus::kOk;
}

void GatewayModel::restart() {
  ++restarts_;
  silentUntil_ = now_ + config_.restartSilenceMs;
  const bool upgraded = programmedSinceRestart_;
  if (upgraded) {
    config_.firmwareVersion = config_.firmwareAfterUpgrade != 0
                                  ? config_.firmwareAfterUpgrade
                                  : static_cast<std::uint16_t>(firmwareVersion() + 1);
    programmedSinceRestart_ = false;
  }
  // Settings written over Modbus survive a restart, as the gateway stores them.
  config_.rs485 = {serviceRegister(reg::kRs485Address), serviceRegister(reg::kRs485Baud),
                   serviceRegister(reg::kRs485StopBits), serviceRegister(reg::kRs485Parity),
                   serviceRegister(reg::kRs485Delay)};
  config_.rs232 = {serviceRegister(reg::kRs232Address), serviceRegister(reg::kRs232Baud),
                   serviceRegister(reg::kRs232StopBits), serviceRegister(reg::kRs232Parity),
                   serviceRegister(reg::kRs232Delay)};
  config_.powerControl = serviceRegister(reg::kPowerControl);
  resetVolatile();
  erased_.clear();
  if (upgraded && upgradeHandler_) upgradeHandler_(*this);
}

}  // namespace pellix::gwsim
