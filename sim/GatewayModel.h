#pragma once
// The register model of the gateway: 40 channels, the service block, the search
// results, the command words of the two lines and the firmware flash. Not thread
// safe; the simulator guards it with its own lock.
#include "Device.h"
#include "RomCode.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace pellix::gwsim {

namespace reg {
constexpr std::uint16_t kChannelTableEnd = 400;  // 40 channels x 10 registers from 0
constexpr std::uint16_t kService = 1000;
constexpr std::uint16_t kFirmwareVersion = 1000;
constexpr std::uint16_t kRs485Address = 1001;
constexpr std::uint16_t kRs485Baud = 1002;
constexpr std::uint16_t kRs232Address = 1003;
constexpr std::uint16_t kRs232Baud = 1004;
constexpr std::uint16_t kRs485StopBits = 1005;
constexpr std::uint16_t kRs485Parity = 1006;
constexpr std::uint16_t kRs232StopBits = 1007;
constexpr std::uint16_t kRs232Parity = 1008;
constexpr std::uint16_t kHardwareVersion = 1009;
constexpr std::uint16_t kLine1Command = 1010;  // +1 status, +2..+5 ROM found by "find new"
constexpr std::uint16_t kLine2Command = 1020;
constexpr std::uint16_t kRs485Delay = 1053;
constexpr std::uint16_t kRs232Delay = 1054;
constexpr std::uint16_t kPowerControl = 1055;
constexpr std::uint16_t kLine1Results = 1100;  // 20 records: ROM code (4), device index (1)
constexpr std::uint16_t kLine2Results = 1200;
constexpr std::uint16_t kReadableEnd = 1300;
constexpr std::uint16_t kFlashOffset = 1375;  // program block: offset, then 96 registers of image bytes
constexpr std::uint16_t kFlashData = 1376;    // erase request: the sector number alone
constexpr std::uint16_t kFlashEnd = 1471;
}  // namespace reg

namespace cmd {
constexpr std::uint16_t kFindNew = 0x05FF;
constexpr std::uint16_t kFindNewAll = 0x06FF;
constexpr std::uint16_t kFindAll = 0x07FF;
constexpr std::uint8_t kSaveNew = 0x09;  // high byte; low byte = channel index
constexpr std::uint8_t kDelete = 0x0F;
constexpr std::uint8_t kSaveFound = 0x80;  // high byte = 0x80 + device index
constexpr std::uint16_t kRestart = 0x11AA;
}  // namespace cmd

namespace opstatus {
constexpr std::uint16_t kNone = 0x0000;
constexpr std::uint16_t kOk = 0xFFFF;
constexpr std::uint16_t kChannelOutOfRange = 0xEEE1;
constexpr std::uint16_t kUnsupported = 0xEEE2;
constexpr std::uint16_t kRomReadError = 0xEEE3;
constexpr std::uint16_t kRomCrcError = 0xEEE4;
}  // namespace opstatus

// Channel status codes the gateway serves in a channel's last register.
namespace chstatus {
constexpr std::uint8_t kOk = 0;
constexpr std::uint8_t kLineHigh = 1;
constexpr std::uint8_t kShortCircuit = 2;
constexpr std::uint8_t kUnsupportedFamily = 3;
constexpr std::uint8_t kCrcError = 4;
constexpr std::uint8_t kTimeout = 5;
constexpr std::uint8_t kFree = 255;
}  // namespace chstatus

// Modbus exception codes (0: no exception).
enum class ModbusError : std::uint8_t {
  None = 0,
  IllegalFunction = 1,
  IllegalAddress = 2,
  IllegalValue = 3,
};

struct PortSettings {
  std::uint16_t address = 1;
  std::uint16_t baud = 96;  // hundreds of Bd
  std::uint16_t stopBits = 1;
  std::uint16_t parity = 0;
  std::uint16_t delayMs = 0;
};

struct GatewayConfig {
  std::uint16_t firmwareVersion = 109;
  std::uint16_t hardwareVersion = 100;
  std::uint16_t firmwareAfterUpgrade = 0;  // 0: one above the version that ran before
  std::int64_t restartSilenceMs = 3000;
  PortSettings rs485;
  PortSettings rs232{1, 1152, 1, 0, 0};
  std::uint16_t powerControl = 1;
};

struct SearchRecord {
  RomCode rom;
  std::uint16_t index = 0;
};

class GatewayModel {
 public:
  static constexpr int kChannels = 40;
  static constexpr int kChannelsPerLine = 20;
  static constexpr int kRecords = 20;
  static constexpr int kFirstSector = 32;
  static constexpr int kLastSector = 62;
  static constexpr std::size_t kSectorSize = 8192;
  static constexpr std::size_t kFlashSize = (kLastSector - kFirstSector + 1) * kSectorSize;
  static constexpr std::int64_t kMaxRegistersPerWrite = 123;

  explicit GatewayModel(const GatewayConfig& config = {});

  // Devices and channel assignments.
  Device& addDevice(const Device& device);
  std::vector<Device>& devices() { return devices_; }
  const std::vector<Device>& devices() const { return devices_; }
  Device* findDevice(const RomCode& rom);
  void assign(int channelIndex, const RomCode& rom);
  void freeChannel(int channelIndex);
  std::optional<RomCode> assignment(int channelIndex) const;
  // 0 none, 1 line in high, 2 short circuit; from `atMs` on, for `forMs` (0: for good), again every
  // `everyMs`.
  void setLineFault(int line, std::uint8_t fault, std::int64_t atMs = 0, std::int64_t forMs = 0,
                    std::int64_t everyMs = 0);
  std::uint8_t lineFault(int line) const;  // the fault in force now

  // Time in ms since the gateway started; values follow it.
  void advanceTo(std::int64_t ms);
  std::int64_t now() const { return now_; }
  // The gateway restarts and answers nothing for a while.
  bool silent() const { return now_ < silentUntil_; }

  // Register access as Modbus sees it. read() covers 0..399 and 1000..1299.
  ModbusError read(std::uint16_t start, std::uint16_t count, std::vector<std::uint16_t>& out) const;
  ModbusError write(std::uint16_t start, const std::vector<std::uint16_t>& values);
  std::uint16_t registerAt(std::uint16_t address) const;  // 0 where nothing is served
  std::array<std::uint16_t, 10> channelRegisters(int channelIndex) const;

  // A command word written to line 0 (register 1010) or line 1 (1020).
  void command(int line, std::uint16_t word);
  std::optional<RomCode> foundNew(int line) const { return foundNew_[line & 1]; }
  const std::vector<SearchRecord>& lastSearch(int line) const { return lastSearch_[line & 1]; }

  // Firmware.
  const GatewayConfig& config() const { return config_; }
  GatewayConfig& config() { return config_; }
  std::uint16_t firmwareVersion() const { return service_[0]; }
  std::vector<std::uint8_t> image() const;  // bytes 0 .. end of the furthest programmed block
  const std::set<int>& erasedSectors() const { return erased_; }
  int eraseRequests() const { return eraseRequests_; }
  int programmedBlocks() const { return programmedBlocks_; }
  int programFaults() const { return programFaults_; }  // bits that had to go from 0 to 1
  int restarts() const { return restarts_; }
  // Called after a restart that followed programming, with the model (for saving the image).
  void setUpgradeHandler(std::function<void(const GatewayModel&)> handler) {
    upgradeHandler_ = std::move(handler);
  }

 private:
  std::uint16_t& serviceRegister(std::uint16_t address) { return service_[address - reg::kService]; }
  static int lineOfChannel(int channelIndex) { return channelIndex / kChannelsPerLine; }
  bool assignedAnywhere(const RomCode& rom) const;
  const Device* deviceOnLine(const RomCode& rom, int line) const;
  std::vector<const Device*> presentOnLine(int line) const;
  ModbusError checkServiceWrite(std::uint16_t address, std::uint16_t value) const;
  ModbusError writeFlash(std::uint16_t start, const std::vector<std::uint16_t>& values);
  std::uint16_t execute(int line, std::uint16_t word);
  std::uint16_t findNew(int line);
  std::uint16_t search(int line, bool includeAssigned);
  void restart();
  void resetVolatile();

  GatewayConfig config_;
  std::vector<Device> devices_;
  std::array<std::optional<RomCode>, kChannels> assigned_{};
  struct LineFault {
    std::uint8_t code = 0;
    std::int64_t atMs = 0, forMs = 0, everyMs = 0;
  };
  std::array<LineFault, 2> lineFault_{};
  std::array<std::uint16_t, 100> service_{};
  std::array<std::array<std::uint16_t, 100>, 2> results_{};
  std::array<std::optional<RomCode>, 2> foundNew_{};
  std::array<std::vector<SearchRecord>, 2> lastSearch_{};
  std::int64_t now_ = 0;
  std::int64_t silentUntil_ = 0;

  std::vector<std::uint8_t> flash_;
  std::set<int> erased_;
  bool flashSession_ = false;
  bool programmedSinceRestart_ = false;
  std::int64_t nextBlock_ = 0;
  std::size_t extent_ = 0;
  int eraseRequests_ = 0;
  int programmedBlocks_ = 0;
  int programFaults_ = 0;
  int restarts_ = 0;
  std::function<void(const GatewayModel&)> upgradeHandler_;
};

}  // namespace pellix::gwsim
