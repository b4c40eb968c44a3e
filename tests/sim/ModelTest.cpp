#include "GatewayModel.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace pellix::gwsim;
using pellix::gwsim::test::Plant;
using pellix::gwsim::test::steadyDevice;

namespace {

std::array<std::uint16_t, 4> romAt(const GatewayModel& m, std::uint16_t address) {
  return {m.registerAt(address), m.registerAt(address + 1), m.registerAt(address + 2),
          m.registerAt(address + 3)};
}

std::uint16_t indexOf(const GatewayModel& m, int line, const RomCode& rom) {
  for (const auto& r : m.lastSearch(line))
    if (r.rom == rom) return r.index;
  return 0xFF;
}

// ---- command words ---------------------------------------------------------------------------

struct CommandCase {
  const char* name;
  int line;
  std::function<void(GatewayModel&, const Plant&)> before;
  std::function<std::uint16_t(const GatewayModel&, const Plant&)> word;
  std::uint16_t status;
  std::function<void(const GatewayModel&, const Plant&)> check;
};

std::function<std::uint16_t(const GatewayModel&, const Plant&)> word(std::uint16_t w) {
  return [w](const GatewayModel&, const Plant&) { return w; };
}
auto nothing = [](GatewayModel&, const Plant&) {};
auto noCheck = [](const GatewayModel&, const Plant&) {};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class CommandWord : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandWord, SetsStatusAndEffect) {
  const CommandCase& c = GetParam();
  const Plant plant;
  GatewayModel m = plant.model();
  c.before(m, plant);
  const std::uint16_t w = c.word(m, plant);
  const std::uint16_t commandRegister = c.line == 0 ? 1010 : 1020;
  ASSERT_EQ(m.write(commandRegister, {w}), ModbusError::None);
  EXPECT_EQ(m.registerAt(commandRegister), w);
  EXPECT_EQ(m.registerAt(commandRegister + 1), c.status) << std::hex << m.registerAt(commandRegister + 1);
  // The other line's registers are not touched.
  const std::uint16_t other = c.line == 0 ? 1020 : 1010;
  EXPECT_EQ(m.registerAt(other + 1), 0);
  c.check(m, plant);
}

const CommandCase kCommandCases[] = {
    {"FindNewOneWaiting", 0, nothing, word(0x05FF), opstatus::kOk,
     [](const GatewayModel& m, const Plant& p) {
       EXPECT_EQ(romAt(m, 1012), p.b.words);
       EXPECT_EQ(m.foundNew(0), p.b);
     }},
    {"FindNewSeveralWaitingGiveCrcError", 1, nothing, word(0x05FF), opstatus::kRomCrcError,
     [](const GatewayModel& m, const Plant& p) {
       for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(m.registerAt(1022 + i), p.d.words[i] & p.e.words[i]);
       EXPECT_FALSE(m.foundNew(1));
     }},
    {"FindNewNoneWaiting", 0, [](GatewayModel& m, const Plant& p) { m.assign(5, p.b); }, word(0x05FF),
     opstatus::kRomReadError,
     [](const GatewayModel& m, const Plant&) {
       EXPECT_EQ(romAt(m, 1012), (std::array<std::uint16_t, 4>{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
     }},
    {"FindNewOnFaultyLine", 0, [](GatewayModel& m, const Plant&) { m.setLineFault(0, 2); }, word(0x05FF),
     opstatus::kRomReadError, noCheck},
    {"FindNewIgnoresAbsentDevice", 0,
     [](GatewayModel& m, const Plant& p) { m.findDevice(p.b)->present = false; }, word(0x05FF),
     opstatus::kRomReadError, noCheck},
    {"FindNewAllListsUnassignedOnly", 1, nothing, word(0x06FF), opstatus::kOk,
     [](const GatewayModel& m, const Plant& p) {
       ASSERT_EQ(m.lastSearch(1).size(), 2u);
       // Records in search order; each carries the device's place among all devices of the line.
       for (int k = 0; k < 2; ++k) {
         const RomCode rom{romAt(m, static_cast<std::uint16_t>(1200 + 5 * k))};
         EXPECT_TRUE(rom == p.d || rom == p.e) << rom.hex();
         EXPECT_EQ(m.registerAt(static_cast<std::uint16_t>(1204 + 5 * k)), indexOf(m, 1, rom));
       }
       EXPECT_NE(m.registerAt(1204), m.registerAt(1209));
       EXPECT_EQ(romAt(m, 1210), (std::array<std::uint16_t, 4>{}));
       EXPECT_EQ(m.registerAt(1100), 0);
     }},
    {"FindAllListsAssignedToo", 1, nothing, word(0x07FF), opstatus::kOk,
     [](const GatewayModel& m, const Plant& p) {
       ASSERT_EQ(m.lastSearch(1).size(), 3u);
       EXPECT_NE(indexOf(m, 1, p.c), 0xFF);
       std::set<std::uint16_t> indexes{m.registerAt(1204), m.registerAt(1209), m.registerAt(1214)};
       EXPECT_EQ(indexes, (std::set<std::uint16_t>{1, 2, 3}));
     }},
    {"FindAllOnFaultyLineClearsResults", 1,
     [](GatewayModel& m, const Plant&) {
       m.command(1, 0x07FF);
       m.setLineFault(1, 1);
     },
     word(0x07FF), opstatus::kRomReadError,
     [](const GatewayModel& m, const Plant&) {
       EXPECT_EQ(romAt(m, 1200), (std::array<std::uint16_t, 4>{}));
       EXPECT_TRUE(m.lastSearch(1).empty());
     }},
    {"SaveNewStoresFoundDevice", 0, [](GatewayModel& m, const Plant&) { m.command(0, 0x05FF); }, word(0x0903),
     opstatus::kOk,
     [](const GatewayModel& m, const Plant& p) {
       EXPECT_EQ(romAt(m, 30), p.b.words);
       EXPECT_EQ(m.registerAt(39), chstatus::kOk);
     }},
    {"SaveNewWithoutFindNew", 0, nothing, word(0x0903), opstatus::kRomReadError,
     [](const GatewayModel& m, const Plant&) { EXPECT_EQ(m.registerAt(39), chstatus::kFree); }},
    {"SaveNewAfterFailedFindNew", 1, [](GatewayModel& m, const Plant&) { m.command(1, 0x05FF); },
     word(0x0916), opstatus::kRomReadError, noCheck},
    {"SaveNewIntoOtherLinesChannel", 0, [](GatewayModel& m, const Plant&) { m.command(0, 0x05FF); },
     word(0x0914), opstatus::kChannelOutOfRange,
     [](const GatewayModel& m, const Plant& p) { EXPECT_EQ(m.assignment(20), p.c); }},
    {"SaveNewBeyondChannel40", 1, nothing, word(0x0928), opstatus::kChannelOutOfRange, noCheck},
    {"SaveNewLastChannel", 1,
     [](GatewayModel& m, const Plant& p) {
       m.findDevice(p.e)->present = false;
       m.command(1, 0x05FF);
     },
     word(0x0927), opstatus::kOk,
     [](const GatewayModel& m, const Plant& p) { EXPECT_EQ(romAt(m, 390), p.d.words); }},
    {"DeleteFreesChannel", 0, nothing, word(0x0F00), opstatus::kOk,
     [](const GatewayModel& m, const Plant&) {
       EXPECT_EQ(romAt(m, 0), (std::array<std::uint16_t, 4>{}));
       EXPECT_EQ(m.registerAt(9), chstatus::kFree);
       EXPECT_FALSE(m.assignment(0));
     }},
    {"DeleteFreeChannel", 1, nothing, word(0x0F27), opstatus::kOk, noCheck},
    {"DeleteOtherLinesChannel", 1, nothing, word(0x0F00), opstatus::kChannelOutOfRange,
     [](const GatewayModel& m, const Plant& p) { EXPECT_EQ(m.assignment(0), p.a); }},
    {"DeleteBeyondChannel40", 0, nothing, word(0x0F28), opstatus::kChannelOutOfRange, noCheck},
    {"SaveFoundStoresResult", 1, [](GatewayModel& m, const Plant&) { m.command(1, 0x06FF); },
     [](const GatewayModel& m, const Plant& p) {
       return static_cast<std::uint16_t>((0x80 + indexOf(m, 1, p.e)) << 8 | 0x16);
     },
     opstatus::kOk, [](const GatewayModel& m, const Plant& p) { EXPECT_EQ(romAt(m, 220), p.e.words); }},
    {"SaveFoundOfAssignedDeviceFromFindAll", 1, [](GatewayModel& m, const Plant&) { m.command(1, 0x07FF); },
     [](const GatewayModel& m, const Plant& p) {
       return static_cast<std::uint16_t>((0x80 + indexOf(m, 1, p.c)) << 8 | 0x27);
     },
     opstatus::kOk, [](const GatewayModel& m, const Plant& p) { EXPECT_EQ(romAt(m, 390), p.c.words); }},
    {"SaveFoundUnknownIndex", 1, [](GatewayModel& m, const Plant&) { m.command(1, 0x06FF); }, word(0x8F16),
     opstatus::kRomReadError, [](const GatewayModel& m, const Plant&) { EXPECT_FALSE(m.assignment(22)); }},
    {"SaveFoundWithoutSearch", 0, nothing, word(0x8101), opstatus::kRomReadError, noCheck},
    {"SaveFoundIntoOtherLinesChannel", 0, [](GatewayModel& m, const Plant&) { m.command(0, 0x06FF); },
     word(0x8116), opstatus::kChannelOutOfRange, noCheck},
    {"UnsupportedWord", 0, nothing, word(0x1234), opstatus::kUnsupported, noCheck},
    {"FindWithWrongLowByte", 1, nothing, word(0x05FE), opstatus::kUnsupported, noCheck},
    {"ZeroWord", 0, nothing, word(0x0000), opstatus::kUnsupported, noCheck},
};

INSTANTIATE_TEST_SUITE_P(Gateway, CommandWord, ::testing::ValuesIn(kCommandCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandWordTest, RestartKeepsAssignmentsAndClearsVolatileRegisters) {
  const Plant plant;
  GatewayModel m = plant.model();
  m.command(0, 0x05FF);
  m.command(1, 0x07FF);
  ASSERT_EQ(m.write(1055, {3}), ModbusError::None);
  ASSERT_EQ(m.write(1010, {0x11AA}), ModbusError::None);
  EXPECT_EQ(m.restarts(), 1);
  EXPECT_TRUE(m.silent());
  for (std::uint16_t r : {1010, 1011, 1012, 1020, 1021, 1200, 1204}) EXPECT_EQ(m.registerAt(r), 0) << r;
  EXPECT_FALSE(m.foundNew(0));
  EXPECT_EQ(m.registerAt(1055), 3);
  EXPECT_EQ(m.assignment(0), plant.a);
  EXPECT_EQ(m.registerAt(1000), 109) << "no upgrade, same version";
  m.advanceTo(m.config().restartSilenceMs);
  EXPECT_FALSE(m.silent());
}

TEST(CommandWordTest, RestartOnLine2RegisterRestartsToo) {
  GatewayModel m;
  m.command(1, 0x11AA);
  EXPECT_EQ(m.restarts(), 1);
}

TEST(CommandWordTest, SearchReportsAtMostTwentyRecords) {
  GatewayModel m;
  for (int i = 0; i < 25; ++i) m.addDevice(steadyDevice(RomCode::make(0x28, 0x100 + i), 0));
  m.command(0, 0x07FF);
  EXPECT_EQ(m.lastSearch(0).size(), 20u);
  EXPECT_NE(m.registerAt(1195), 0);
  EXPECT_EQ(m.registerAt(1199), m.lastSearch(0).back().index);
  // Search order: bit 0 of the family byte first, as a 1-Wire search walks the tree.
  for (std::size_t i = 1; i < m.lastSearch(0).size(); ++i)
    EXPECT_LT(m.lastSearch(0)[i - 1].rom.searchKey(), m.lastSearch(0)[i].rom.searchKey());
}

// ---- channel registers ----------------------------------------------------------------------

TEST(ChannelTest, FreeChannelReadsZeroRomAndStatus255) {
  const GatewayModel m = Plant{}.model();
  const auto r = m.channelRegisters(1);
  const std::array<std::uint16_t, 10> expected{0, 0, 0, 0, 0, 0, 0, 0, 0, 255};
  EXPECT_EQ(r, expected);
}

TEST(ChannelTest, AssignedDeviceServesRomValuesAndOk) {
  const Plant p;
  GatewayModel m = p.model();
  m.findDevice(p.a)->temperature = -18.5;
  const auto r = m.channelRegisters(0);
  EXPECT_EQ((RomCode{{r[0], r[1], r[2], r[3]}}), p.a);
  EXPECT_EQ(r[4], 0xFF47) << "-18.5 °C in signed tenths";
  EXPECT_EQ(r[9], chstatus::kOk);
  EXPECT_EQ(m.registerAt(399), chstatus::kFree) << "channel 40's status register";
}

TEST(ChannelTest, MissingDeviceReadsTimeout) {
  const Plant p;
  GatewayModel m = p.model();
  m.findDevice(p.a)->present = false;
  EXPECT_EQ(m.channelRegisters(0)[9], chstatus::kTimeout);
  EXPECT_EQ(m.channelRegisters(0)[0], p.a.words[0]);
}

TEST(ChannelTest, DeviceOfTheOtherLineReadsTimeout) {
  const Plant p;
  GatewayModel m = p.model();
  m.assign(1, p.c);
  EXPECT_EQ(m.channelRegisters(1)[9], chstatus::kTimeout);
}

TEST(ChannelTest, UnknownFamilyReadsNotSupportedUnlessOverridden) {
  GatewayModel m;
  Device d = steadyDevice(RomCode::make(0x3A, 7), 0);
  d.raw = {1, 2, 3, 4, 5};
  m.addDevice(d);
  m.assign(3, d.rom);
  EXPECT_EQ(m.channelRegisters(3)[9], chstatus::kUnsupportedFamily);
  EXPECT_EQ(m.channelRegisters(3)[8], 5);
  m.findDevice(d.rom)->status = 0;
  EXPECT_EQ(m.channelRegisters(3)[9], chstatus::kOk);
}

TEST(ChannelTest, LineFaultGivesAllOnesAndTheFaultOnAssignedChannelsOfThatLine) {
  GatewayModel m = Plant{}.model();
  m.setLineFault(1, 2);
  const auto faulty = m.channelRegisters(20);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(faulty[i], 0xFFFF);
  EXPECT_EQ(faulty[9], chstatus::kShortCircuit);
  EXPECT_EQ(m.channelRegisters(21)[9], chstatus::kFree);
  EXPECT_EQ(m.channelRegisters(0)[9], chstatus::kOk);
}

TEST(ChannelTest, ScheduledLineFaultComesAndGoes) {
  GatewayModel m = Plant{}.model();
  m.setLineFault(0, 1, 10000, 5000, 60000);
  EXPECT_EQ(m.lineFault(0), 0);
  m.advanceTo(12000);
  EXPECT_EQ(m.lineFault(0), 1);
  EXPECT_EQ(m.channelRegisters(0)[9], chstatus::kLineHigh);
  m.advanceTo(15000);
  EXPECT_EQ(m.lineFault(0), 0);
  m.advanceTo(71000);
  EXPECT_EQ(m.lineFault(0), 1);
}

TEST(DeviceValuesTest, TemperatureMovesWithinItsSwing) {
  Device d = steadyDevice(RomCode::make(0x28, 1), 0, 20.0);
  d.swing = 1.0;
  d.periodS = 60;
  std::set<std::uint16_t> seen;
  for (int t = 0; t < 60000; t += 5000) {
    const auto v = static_cast<std::int16_t>(d.valuesAt(t)[0]);
    EXPECT_GE(v, 190);
    EXPECT_LE(v, 210);
    seen.insert(static_cast<std::uint16_t>(v));
  }
  EXPECT_GT(seen.size(), 3u);
}

TEST(DeviceValuesTest, HumiditySensorServesTemperatureAndHumidityInTenths) {
  const Device d = steadyDevice(RomCode::make(0x19, 1), 0, 23.4);
  const auto v = d.valuesAt(0);
  EXPECT_EQ(v[0], 234);
  EXPECT_EQ(v[1], 450);
}

TEST(DeviceValuesTest, BatteryMonitorServesVoltagesInHundredthsAndFallingCapacity) {
  Device d = steadyDevice(RomCode::make(0x26, 1), 0);
  d.vdd = 5.02;
  d.capacity = 10;
  EXPECT_EQ(d.valuesAt(0)[1], 502);
  EXPECT_EQ(d.valuesAt(0)[4], 10);
  EXPECT_EQ(d.valuesAt(3 * 60000)[4], 7);
  EXPECT_EQ(d.valuesAt(60 * 60000)[4], 0);
}

TEST(DeviceValuesTest, IButtonCountsConnectionsAndKeepsTheIndicatorAfterRemoval) {
  Device d = steadyDevice(RomCode::make(0x01, 1), 0);
  d.connectedS = 10;
  d.removedS = 40;
  d.connections = 5;
  EXPECT_EQ(d.valuesAt(1000)[0], 1);
  EXPECT_EQ(d.valuesAt(1000)[1], 6);
  EXPECT_EQ(d.valuesAt(1000)[4], 1);
  EXPECT_EQ(d.valuesAt(15000)[0], 0) << "removed";
  EXPECT_EQ(d.valuesAt(15000)[4], 1) << "indicator lasts about 20 s";
  EXPECT_EQ(d.valuesAt(35000)[4], 0);
  EXPECT_EQ(d.valuesAt(51000)[0], 1);
  EXPECT_EQ(d.valuesAt(51000)[1], 7);
}

// ---- ROM code writes --------------------------------------------------------------------------

struct RomWriteCase {
  const char* name;
  std::uint16_t start;
  std::function<std::vector<std::uint16_t>(const Plant&)> values;
  ModbusError error;
  int channel;  // checked when error is None
  std::uint8_t status;
};

void PrintTo(const RomWriteCase& c, std::ostream* os) { *os << c.name; }

class RomWrite : public ::testing::TestWithParam<RomWriteCase> {};

TEST_P(RomWrite, AssignsByTheRule) {
  const auto& c = GetParam();
  const Plant p;
  GatewayModel m = p.model();
  const auto values = c.values(p);
  EXPECT_EQ(m.write(c.start, values), c.error);
  if (c.error != ModbusError::None) return;
  EXPECT_EQ(m.channelRegisters(c.channel)[9], c.status);
}

auto romOf(RomCode Plant::*member) {
  return [member](const Plant& p) {
    const auto& w = (p.*member).words;
    return std::vector<std::uint16_t>(w.begin(), w.end());
  };
}

const RomWriteCase kRomWrites[] = {
    {"DeviceOnTheLine", 30, romOf(&Plant::b), ModbusError::None, 3, chstatus::kOk},
    {"DeviceOfTheOtherLine", 30, romOf(&Plant::d), ModbusError::None, 3, chstatus::kTimeout},
    {"UnknownDevice", 390,
     [](const Plant&) {
       return std::vector<std::uint16_t>{0x2800, 1, 2, 0x0300};
     },
     ModbusError::None, 39, chstatus::kTimeout},
    {"ZeroFreesTheChannel", 0, [](const Plant&) { return std::vector<std::uint16_t>(4, 0); },
     ModbusError::None, 0, chstatus::kFree},
    {"AllOnesFreesTheChannel", 0, [](const Plant&) { return std::vector<std::uint16_t>(4, 0xFFFF); },
     ModbusError::None, 0, chstatus::kFree},
    {"ThreeRegisters", 30,
     [](const Plant&) {
       return std::vector<std::uint16_t>{1, 2, 3};
     },
     ModbusError::IllegalAddress, 0, 0},
    {"NotAtAChannelStart", 31, romOf(&Plant::b), ModbusError::IllegalAddress, 0, 0},
    {"TwoChannelsAtOnce", 30, [](const Plant&) { return std::vector<std::uint16_t>(14, 1); },
     ModbusError::IllegalAddress, 0, 0},
    {"SingleRegister", 30, [](const Plant&) { return std::vector<std::uint16_t>{0x2800}; },
     ModbusError::IllegalAddress, 0, 0},
    {"ValueRegisters", 34, romOf(&Plant::b), ModbusError::IllegalAddress, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Gateway, RomWrite, ::testing::ValuesIn(kRomWrites),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- service registers ------------------------------------------------------------------------

struct ServiceWriteCase {
  std::uint16_t address;
  std::uint16_t value;
  ModbusError error;
};

void PrintTo(const ServiceWriteCase& c, std::ostream* os) { *os << c.address << " = " << c.value; }

class ServiceWrite : public ::testing::TestWithParam<ServiceWriteCase> {};

TEST_P(ServiceWrite, AcceptsValidSettingsOnly) {
  const auto& c = GetParam();
  GatewayModel m;
  const std::uint16_t before = m.registerAt(c.address);
  EXPECT_EQ(m.write(c.address, {c.value}), c.error);
  EXPECT_EQ(m.registerAt(c.address), c.error == ModbusError::None ? c.value : before);
}

INSTANTIATE_TEST_SUITE_P(
    Gateway, ServiceWrite,
    ::testing::Values(
        ServiceWriteCase{1001, 247, ModbusError::None}, ServiceWriteCase{1001, 0, ModbusError::IllegalValue},
        ServiceWriteCase{1003, 248, ModbusError::IllegalValue},
        ServiceWriteCase{1002, 1152, ModbusError::None}, ServiceWriteCase{1004, 12, ModbusError::None},
        ServiceWriteCase{1002, 100, ModbusError::IllegalValue}, ServiceWriteCase{1005, 2, ModbusError::None},
        ServiceWriteCase{1007, 0, ModbusError::IllegalValue}, ServiceWriteCase{1006, 2, ModbusError::None},
        ServiceWriteCase{1008, 3, ModbusError::IllegalValue}, ServiceWriteCase{1053, 200, ModbusError::None},
        ServiceWriteCase{1054, 65531, ModbusError::IllegalValue},
        ServiceWriteCase{1055, 5, ModbusError::None}, ServiceWriteCase{1055, 6, ModbusError::IllegalValue},
        ServiceWriteCase{1000, 110, ModbusError::IllegalAddress},
        ServiceWriteCase{1009, 1, ModbusError::IllegalAddress},
        ServiceWriteCase{1011, 0xFFFF, ModbusError::IllegalAddress},
        ServiceWriteCase{1012, 1, ModbusError::IllegalAddress},
        ServiceWriteCase{1099, 1, ModbusError::IllegalAddress},
        ServiceWriteCase{1100, 1, ModbusError::IllegalAddress},
        ServiceWriteCase{500, 1, ModbusError::IllegalAddress}));

TEST(ServiceWriteTest, MultipleWriteIsAllOrNothing) {
  GatewayModel m;
  EXPECT_EQ(m.write(1005, {2, 1, 9}), ModbusError::IllegalValue);
  EXPECT_EQ(m.registerAt(1005), 1);
  EXPECT_EQ(m.write(1005, {2, 1, 2, 2}), ModbusError::None);
  EXPECT_EQ(m.registerAt(1008), 2);
}

TEST(ServiceWriteTest, SettingsSurviveARestart) {
  GatewayModel m;
  ASSERT_EQ(m.write(1002, {1152}), ModbusError::None);
  ASSERT_EQ(m.write(1053, {40}), ModbusError::None);
  m.command(0, 0x11AA);
  EXPECT_EQ(m.registerAt(1002), 1152);
  EXPECT_EQ(m.registerAt(1053), 40);
}

struct ReadCase {
  std::uint16_t start;
  std::uint16_t count;
  ModbusError error;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.count << " from " << c.start; }

class RegisterRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RegisterRead, ServesTheMappedRanges) {
  const auto& c = GetParam();
  const GatewayModel m;
  std::vector<std::uint16_t> out;
  EXPECT_EQ(m.read(c.start, c.count, out), c.error);
  if (c.error == ModbusError::None) {
    EXPECT_EQ(out.size(), c.count);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Gateway, RegisterRead,
    ::testing::Values(ReadCase{0, 100, ModbusError::None}, ReadCase{300, 100, ModbusError::None},
                      ReadCase{390, 10, ModbusError::None}, ReadCase{395, 10, ModbusError::IllegalAddress},
                      ReadCase{1000, 100, ModbusError::None}, ReadCase{1000, 120, ModbusError::None},
                      ReadCase{1200, 100, ModbusError::None},
                      ReadCase{1250, 100, ModbusError::IllegalAddress},
                      ReadCase{999, 2, ModbusError::IllegalAddress},
                      ReadCase{500, 1, ModbusError::IllegalAddress},
                      ReadCase{1375, 97, ModbusError::IllegalAddress}));

TEST(RomCodeTest, CrcMatchesTheOneWireExample) {
  // The ROM code of the 1-Wire application note's CRC example: 02 1C B8 01 00 00 00, CRC A2.
  const auto rom = RomCode::parse("021CB801000000");
  ASSERT_TRUE(rom);
  EXPECT_EQ(rom->byte(7), 0xA2);
  EXPECT_TRUE(rom->crcValid());
  EXPECT_FALSE(RomCode::parse("021CB801000000A3")->crcValid());
  EXPECT_EQ(RomCode::make(0x28, 0x0000071A2B3C).family(), 0x28);
  EXPECT_TRUE(RomCode::make(0x28, 0x0000071A2B3C).crcValid());
  EXPECT_EQ(RomCode::parse("28-FF-64-1E-0C-16-03-74")->hex(), "28FF641E0C160374");
  EXPECT_FALSE(RomCode::parse("28FF641E0C160"));
  EXPECT_FALSE(RomCode::parse("28FF641E0C16037G"));
}

}  // namespace
