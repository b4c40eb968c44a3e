#include "Scenario.h"

#include "Crc.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace pellix::gwsim {
namespace {

// Bounds that keep every derived value inside its register (tenths of a degree in 16
// bits, hundredths of a volt) and every time well inside 64-bit milliseconds.
constexpr double kMaxDegrees = 1000;
constexpr double kMaxVolts = 600;
constexpr double kMaxSeconds = 1e9;  // about 31 years

struct ParseError {
  std::string what;
};

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::string lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

long integer(const std::string& v, long lo, long hi) {
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 0);
  if (v.empty() || *end != '\0' || n < lo || n > hi)
    throw ParseError{"'" + v + "' is not a whole number from " + std::to_string(lo) + " to " +
                     std::to_string(hi)};
  return n;
}

std::string shortest(double d) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", d);
  return text;
}

// Every number ends up in a register or a time in ms: a NaN, an infinity or a value
// beyond the range would turn into garbage (or undefined behaviour) on the way.
double number(const std::string& v, double lo, double hi) {
  char* end = nullptr;
  const double d = std::strtod(v.c_str(), &end);
  if (v.empty() || *end != '\0') throw ParseError{"'" + v + "' is not a number"};
  if (!std::isfinite(d) || d < lo || d > hi)
    throw ParseError{"'" + v + "' is not a number from " + shortest(lo) + " to " + shortest(hi)};
  return d;
}

bool yesNo(const std::string& v) {
  const std::string l = lower(v);
  if (l == "yes" || l == "true" || l == "1") return true;
  if (l == "no" || l == "false" || l == "0") return false;
  throw ParseError{"'" + v + "' is not yes or no"};
}

std::vector<std::string> words(const std::string& v) {
  std::istringstream in(v);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

PortSettings port(const std::string& v) {
  const auto w = words(v);
  if (w.size() != 5) throw ParseError{"a port takes five numbers: address baud stopbits parity delay"};
  return {static_cast<std::uint16_t>(integer(w[0], 1, 247)),
          static_cast<std::uint16_t>(integer(w[1], 12, 2304)),
          static_cast<std::uint16_t>(integer(w[2], 1, 2)), static_cast<std::uint16_t>(integer(w[3], 0, 2)),
          static_cast<std::uint16_t>(integer(w[4], 0, 1000))};
}

std::uint8_t fault(const std::string& v) {
  const std::string l = lower(v);
  if (l == "none" || l == "0") return 0;
  if (l == "high" || l == "1") return chstatus::kLineHigh;
  if (l == "short" || l == "2") return chstatus::kShortCircuit;
  throw ParseError{"fault is none, high or short"};
}

struct PendingDevice {
  Device device;
  int channel = 0;  // 1..40, 0: waiting to be found
  int line = 0;     // 1 or 2 as written
  bool haveRom = false;
  long family = -1;
  long long serial = -1;
  int at = 0;
};

class Parser {
 public:
  void line(const std::string& raw) {
    std::string text = raw;
    if (auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    text = trim(text);
    if (text.empty()) return;
    if (text.front() == '[') {
      if (text.back() != ']') throw ParseError{"a section header ends with ]"};
      section(lower(trim(text.substr(1, text.size() - 2))));
      return;
    }
    const auto eq = text.find('=');
    if (eq == std::string::npos) throw ParseError{"expected key = value"};
    const std::string key = lower(trim(text.substr(0, eq)));
    const std::string value = trim(text.substr(eq + 1));
    if (section_ == "gateway")
      gatewayKey(key, value);
    else if (section_ == "line 1" || section_ == "line 2")
      lineKey(section_ == "line 1" ? 0 : 1, key, value);
    else if (section_ == "device")
      deviceKey(key, value);
    else
      throw ParseError{"key outside a section"};
  }

  Scenario finish() {
    closeDevice();
    Scenario s{GatewayModel(config_), slave_};
    for (int line = 0; line < 2; ++line) {
      const LineSpec& f = lines_[line];
      s.model.setLineFault(line, f.code, f.atMs, f.forMs, f.everyMs);
    }
    std::map<int, int> channelAt;
    for (const auto& p : devices_) {
      current_ = p.at;
      for (const auto& d : s.model.devices())
        if (d.rom == p.device.rom) throw ParseError{"ROM code " + d.rom.hex() + " appears twice"};
      s.model.addDevice(p.device);
      if (p.channel == 0) continue;
      if (channelAt.count(p.channel))
        throw ParseError{"channel " + std::to_string(p.channel) + " already holds the device at line " +
                         std::to_string(channelAt[p.channel])};
      channelAt[p.channel] = p.at;
      s.model.assign(p.channel - 1, p.device.rom);
    }
    return s;
  }

  int current_ = 0;
  int lineNo_ = 0;

 private:
  void section(const std::string& name) {
    closeDevice();
    if (name != "gateway" && name != "line 1" && name != "line 2" && name != "device")
      throw ParseError{"unknown section [" + name + "]"};
    section_ = name;
    if (name == "device") {
      open_ = PendingDevice{};
      open_->at = lineNo_;
    }
  }

  void lineKey(int line, const std::string& key, const std::string& v) {
    LineSpec& f = lines_[line];
    auto ms = [&] { return static_cast<std::int64_t>(std::llround(number(v, 0, kMaxSeconds) * 1000)); };
    if (key == "fault")
      f.code = fault(v);
    else if (key == "fault_at")
      f.atMs = ms();
    else if (key == "fault_for")
      f.forMs = ms();
    else if (key == "fault_every")
      f.everyMs = ms();
    else
      throw ParseError{"unknown key " + key};
  }

  void gatewayKey(const std::string& key, const std::string& v) {
    if (key == "slave")
      slave_ = static_cast<std::uint8_t>(integer(v, 1, 247));
    else if (key == "firmware")
      config_.firmwareVersion = static_cast<std::uint16_t>(integer(v, 0, 65535));
    else if (key == "hardware")
      config_.hardwareVersion = static_cast<std::uint16_t>(integer(v, 0, 65535));
    else if (key == "firmware_after_upgrade")
      config_.firmwareAfterUpgrade = static_cast<std::uint16_t>(integer(v, 0, 65535));
    else if (key == "restart_silence_ms")
      config_.restartSilenceMs = integer(v, 0, 600000);
    else if (key == "rs485")
      config_.rs485 = port(v);
    else if (key == "rs232")
      config_.rs232 = port(v);
    else if (key == "power")
      config_.powerControl = static_cast<std::uint16_t>(integer(v, 0, 5));
    else
      throw ParseError{"unknown key " + key};
  }

  void deviceKey(const std::string& key, const std::string& v) {
    PendingDevice& p = *open_;
    Device& d = p.device;
    if (key == "line")
      p.line = static_cast<int>(integer(v, 1, 2));
    else if (key == "rom") {
      const auto rom = RomCode::parse(v);
      if (!rom) throw ParseError{"rom takes 14 hex digits (CRC added) or 16 with a valid CRC"};
      if (!rom->crcValid()) {
        std::array<std::uint8_t, 8> bytes{};
        for (int i = 0; i < 8; ++i) bytes[static_cast<std::size_t>(i)] = rom->byte(i);
        bytes[7] = oneWireCrc(bytes.data(), 7);
        const RomCode fixed = RomCode::fromBytes(bytes);
        throw ParseError{"ROM code " + rom->hex() + " has a wrong CRC (it would be " + fixed.hex() + ")"};
      }
      d.rom = *rom;
      p.haveRom = true;
    } else if (key == "family")
      p.family = integer(v, 0, 255);
    else if (key == "serial")
      p.serial = integer(v, 0, 0xFFFFFFFFFFFFL);
    else if (key == "channel")
      p.channel = static_cast<int>(integer(v, 1, 40));
    else if (key == "present")
      d.present = yesNo(v);
    else if (key == "status")
      d.status = static_cast<std::uint8_t>(integer(v, 0, 255));
    else if (key == "temperature")
      d.temperature = number(v, -kMaxDegrees, kMaxDegrees);
    else if (key == "swing")
      d.swing = number(v, 0, kMaxDegrees);
    else if (key == "period")
      d.periodS = number(v, 0.001, kMaxSeconds);
    else if (key == "humidity")
      d.humidity = number(v, 0, 100);
    else if (key == "humidity_swing")
      d.humiditySwing = number(v, 0, 100);
    else if (key == "vdd")
      d.vdd = number(v, 0, kMaxVolts);
    else if (key == "vad")
      d.vad = number(v, 0, kMaxVolts);
    else if (key == "current")
      d.current = static_cast<int>(integer(v, 0, 65535));
    else if (key == "capacity")
      d.capacity = static_cast<int>(integer(v, 0, 65535));
    else if (key == "connected")
      d.connectedS = number(v, 0, kMaxSeconds);
    else if (key == "removed")
      d.removedS = number(v, 0, kMaxSeconds);
    else if (key == "connections")
      d.connections = static_cast<int>(integer(v, 0, 65535));
    else if (key == "values") {
      const auto w = words(v);
      if (w.size() != 5) throw ParseError{"values takes five numbers"};
      for (std::size_t i = 0; i < 5; ++i) d.raw[i] = static_cast<std::uint16_t>(integer(w[i], 0, 65535));
    } else
      throw ParseError{"unknown key " + key};
  }

  void closeDevice() {
    if (!open_) return;
    PendingDevice p = *open_;
    open_.reset();
    current_ = p.at;
    if (p.line == 0) throw ParseError{"a device needs line = 1 or 2"};
    if (!p.haveRom) {
      if (p.family < 0 || p.serial < 0 || p.serial > 0xFFFFFFFFFFFFLL)
        throw ParseError{"a device needs rom = ..., or family = and serial = (48 bits)"};
      p.device.rom = RomCode::make(static_cast<std::uint8_t>(p.family), static_cast<std::uint64_t>(p.serial));
    }
    p.device.line = p.line - 1;
    if (p.channel != 0 && (p.channel - 1) / GatewayModel::kChannelsPerLine != p.device.line)
      throw ParseError{"channel " + std::to_string(p.channel) + " is not on line " + std::to_string(p.line)};
    devices_.push_back(p);
  }

  std::string section_;
  GatewayConfig config_;
  std::uint8_t slave_ = 1;
  struct LineSpec {
    std::uint8_t code = 0;
    std::int64_t atMs = 0, forMs = 0, everyMs = 0;
  };
  LineSpec lines_[2];
  std::optional<PendingDevice> open_;
  std::vector<PendingDevice> devices_;
};

}  // namespace

std::optional<Scenario> parseScenario(std::istream& in, const std::string& name, std::string* error) {
  Parser parser;
  try {
    for (std::string line; std::getline(in, line);) {
      ++parser.lineNo_;
      parser.current_ = parser.lineNo_;
      parser.line(line);
    }
    return parser.finish();
  } catch (const ParseError& e) {
    if (error) *error = name + ":" + std::to_string(parser.current_) + ": " + e.what;
    return std::nullopt;
  }
}

std::optional<Scenario> loadScenario(const std::string& path, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    if (error) *error = path + ": cannot be read";
    return std::nullopt;
  }
  return parseScenario(in, path, error);
}

}  // namespace pellix::gwsim
