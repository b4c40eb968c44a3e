#include "PortsFolder.h"
#include "Scenario.h"
#include "SimTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <set>
#include <sstream>

#include <csignal>

using namespace pellix::gwsim;
using namespace pellix::gwsim::test;

namespace {

const QString kBinary = QStringLiteral(GWSIM_BINARY);
const std::string kScenarios = GWSIM_SCENARIOS;

TEST(ProgramTest, PrintsTheLinkFirstServesAndRemovesTheLinkOnSigterm) {
  const QString log = pellix::test::sandboxDir() + "/gwsim.log";
  QProcess sim;
  sim.start(kBinary, {"--com", "12", "--scenario", QString::fromStdString(kScenarios + "/small-plant.ini"),
                      "--log", log});
  ASSERT_TRUE(sim.waitForStarted(3000));
  ASSERT_TRUE(pellix::test::waitUntil([&] { return sim.canReadLine(); }, 5000))
      << sim.readAllStandardError().data();
  const QString link = QString::fromLocal8Bit(sim.readLine()).trimmed();
  EXPECT_EQ(link, pellix::portsFolderEntry(12));
  EXPECT_TRUE(QFileInfo(link).isSymLink());

  {
    RawMaster master(link.toStdString());
    ASSERT_TRUE(master.isOpen());
    master.send(request(1, 3, 1000, 100));
    const Frame reply = master.receive(205, 2000);
    ASSERT_EQ(reply.size(), 205u);
    EXPECT_EQ(registersOf(reply)[0], 109) << "the scenario's firmware version";
    EXPECT_EQ(registersOf(reply)[9], 102) << "the scenario's hardware version";
  }

  sim.terminate();  // SIGTERM
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(sim.exitCode(), 0);
  EXPECT_FALSE(QFileInfo(link).isSymLink());
  EXPECT_FALSE(QFileInfo::exists(link));

  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromLatin1(file.readAll());
  EXPECT_TRUE(text.contains("RX 01 03 03 E8 00 64 C4 51 | slave 1 read 100 registers from 1000"))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(" TX 01 03 C8 00 6D .*\\| 100 registers, first 0x006D")))
      << text.toStdString();
}

TEST(ProgramTest, FaultOptionsAndTheUpgradedImageFile) {
  const QString imagePath = pellix::test::sandboxDir() + "/image.bin";
  QProcess sim;
  sim.start(kBinary, {"--com", "13", "--no-reply", "1", "--silence", "300", "--firmware-after", "120",
                      "--image-out", imagePath});
  ASSERT_TRUE(sim.waitForStarted(3000));
  ASSERT_TRUE(pellix::test::waitUntil([&] { return sim.canReadLine(); }, 5000))
      << sim.readAllStandardError().data();
  RawMaster master(QString::fromLocal8Bit(sim.readLine()).trimmed().toStdString());
  ASSERT_TRUE(master.isOpen());
  const Frame versionPoll = request(1, 3, 1000, 120);
  master.send(versionPoll);
  EXPECT_TRUE(master.receive(245, 200).empty()) << "--no-reply 1";

  const auto image = testImage(500);
  for (std::uint16_t sector = 32; sector <= 62; ++sector) {
    master.send(writeMultiple(1, 1376, {sector}));
    ASSERT_EQ(master.receive(8, 1000).size(), 8u) << sector;
  }
  for (std::size_t offset = 0; offset <= image.size(); offset += 192) {
    master.send(programBlock(image, offset));
    ASSERT_EQ(master.receive(8, 1000).size(), 8u) << offset;
  }
  master.send(request(1, 6, 1010, 0x11AA));
  EXPECT_TRUE(master.receive(8, 150).empty()) << "restarting";
  master.send(versionPoll);
  EXPECT_TRUE(master.receive(245, 50).empty()) << "silent";
  Frame reply;
  ASSERT_TRUE(pellix::test::waitUntil(
      [&] {
        master.send(versionPoll);
        reply = master.receive(245, 100);
        return !reply.empty();
      },
      3000));
  ASSERT_EQ(reply.size(), 245u);
  EXPECT_EQ(registersOf(reply)[0], 120);

  QFile file(imagePath);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray written = file.readAll();
  auto expected = image;
  expected.resize(576, 0xFF);
  EXPECT_EQ(written,
            QByteArray(reinterpret_cast<const char*>(expected.data()), static_cast<int>(expected.size())));
  sim.terminate();
  EXPECT_TRUE(sim.waitForFinished(5000));
}

TEST(ProgramTest, Usr1UnplugsAndUsr2PlugsInAgain) {
  QProcess sim;
  sim.start(kBinary, {"--com", "14"});
  ASSERT_TRUE(sim.waitForStarted(3000));
  ASSERT_TRUE(pellix::test::waitUntil([&] { return sim.canReadLine(); }, 5000));
  const std::string link = QString::fromLocal8Bit(sim.readLine()).trimmed().toStdString();
  {
    RawMaster master(link);
    ASSERT_TRUE(master.isOpen());
    ::kill(static_cast<pid_t>(sim.processId()), SIGUSR1);
    EXPECT_TRUE(master.hungUp(2000));
  }
  ::kill(static_cast<pid_t>(sim.processId()), SIGUSR2);
  Frame reply;
  ASSERT_TRUE(pellix::test::waitUntil(
      [&] {
        RawMaster master(link);
        if (!master.isOpen()) return false;
        master.send(request(1, 3, 1000, 1));
        reply = master.receive(7, 200);
        return reply.size() == 7;
      },
      3000));
  sim.terminate();
  EXPECT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 0);
}

TEST(ProgramTest, RefusesBadArgumentsWithUsage) {
  for (const QStringList& args :
       {QStringList{}, QStringList{"--com", "0"}, QStringList{"--com", "3", "--no-reply", "x"},
        QStringList{"--com", "3", "--bogus", "1"}}) {
    QProcess sim;
    sim.start(kBinary, args);
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
    EXPECT_TRUE(sim.readAllStandardError().contains("pellix-gwsim: "));
    EXPECT_TRUE(sim.readAllStandardOutput().isEmpty());
  }
  QProcess help;
  help.start(kBinary, {"--help"});
  ASSERT_TRUE(help.waitForFinished(5000));
  EXPECT_EQ(help.exitCode(), 0);
  EXPECT_TRUE(help.readAllStandardOutput().startsWith("Usage: pellix-gwsim --com N"));
}

TEST(ProgramTest, ReportsAScenarioErrorWithItsLine) {
  const QString path = pellix::test::sandboxDir() + "/broken.ini";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[gateway]\nfirmware = 109\n[device]\nline = 3\n");
  file.close();
  QProcess sim;
  sim.start(kBinary, {"--com", "5", "--scenario", path});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 1);
  EXPECT_TRUE(sim.readAllStandardError().contains("broken.ini:4: "));
  EXPECT_FALSE(QFileInfo::exists(pellix::portsFolderEntry(5)));
}

// ---- scenarios --------------------------------------------------------------------------------

TEST(ScenarioTest, SmallPlantHasMixedFamiliesTwoWaitingAndALineFault) {
  std::string error;
  auto s = loadScenario(kScenarios + "/small-plant.ini", &error);
  ASSERT_TRUE(s) << error;
  GatewayModel& m = s->model;
  EXPECT_GE(m.devices().size(), 12u);
  std::set<std::uint8_t> families;
  int waiting = 0;
  for (const auto& d : m.devices()) {
    families.insert(d.rom.family());
    EXPECT_TRUE(d.rom.crcValid()) << d.rom.hex();
    bool assigned = false;
    for (int c = 0; c < 40; ++c) assigned = assigned || m.assignment(c) == d.rom;
    waiting += !assigned && d.present;
  }
  EXPECT_EQ(waiting, 2);
  for (std::uint8_t f : {0x01, 0x10, 0x19, 0x26, 0x28}) EXPECT_TRUE(families.count(f)) << int(f);
  EXPECT_EQ(families.size(), 6u) << "one family the gateway does not know";
  // Each line's waiting device can be found by itself.
  m.command(0, 0x05FF);
  EXPECT_EQ(m.registerAt(1011), opstatus::kOk);
  m.command(1, 0x05FF);
  EXPECT_EQ(m.registerAt(1021), opstatus::kOk);
  bool faultSeen = false;
  for (std::int64_t t = 0; t < 200000; t += 5000) {
    m.advanceTo(t);
    faultSeen = faultSeen || m.lineFault(0) != 0 || m.lineFault(1) != 0;
  }
  EXPECT_TRUE(faultSeen);
}

TEST(ScenarioTest, FullHouseFillsEveryChannel) {
  std::string error;
  auto s = loadScenario(kScenarios + "/full-house.ini", &error);
  ASSERT_TRUE(s) << error;
  for (int c = 0; c < 40; ++c) {
    ASSERT_TRUE(s->model.assignment(c)) << c;
    EXPECT_EQ(s->model.channelRegisters(c)[9], chstatus::kOk) << c;
  }
}

struct BadScenario {
  const char* name;
  const char* text;
  const char* error;
};

void PrintTo(const BadScenario& c, std::ostream* os) { *os << c.name; }

class ScenarioError : public ::testing::TestWithParam<BadScenario> {};

TEST_P(ScenarioError, NamesTheLineAndTheProblem) {
  std::istringstream in(GetParam().text);
  std::string error;
  EXPECT_FALSE(parseScenario(in, "s.ini", &error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ScenarioError,
    ::testing::Values(
        BadScenario{"LineOutOfRange", "[device]\nline = 3\n",
                    "s.ini:2: '3' is not a whole number from 1 to 2"},
        BadScenario{"WrongRomCrc", "[device]\nline = 1\nrom = 28FF641E0C160342\n",
                    "s.ini:3: ROM code 28FF641E0C160342 has a wrong CRC (it would be 28FF641E0C160374)"},
        BadScenario{"ChannelOfTheOtherLine", "[device]\nline = 1\nfamily = 0x28\nserial = 5\nchannel = 21\n",
                    "s.ini:1: channel 21 is not on line 1"},
        BadScenario{"ChannelTwice",
                    "[device]\nline = 1\nfamily = 0x28\nserial = 5\nchannel = 2\n"
                    "[device]\nline = 1\nfamily = 0x28\nserial = 6\nchannel = 2\n",
                    "s.ini:6: channel 2 already holds the device at line 1"},
        BadScenario{
            "RomTwice",
            "[device]\nline = 1\nfamily = 0x28\nserial = 5\n[device]\nline = 2\nfamily = 0x28\nserial = 5\n",
            "s.ini:5: ROM code 2800000000000521 appears twice"},
        BadScenario{"NoRom", "[device]\nline = 1\n",
                    "s.ini:1: a device needs rom = ..., or family = and serial = (48 bits)"},
        BadScenario{"UnknownKey", "[gateway]\ncolour = red\n", "s.ini:2: unknown key colour"},
        BadScenario{"UnknownSection", "[lines]\n", "s.ini:1: unknown section [lines]"},
        BadScenario{"NoEquals", "[gateway]\nfirmware 109\n", "s.ini:2: expected key = value"},
        BadScenario{"BadFault", "[line 2]\nfault = sometimes\n", "s.ini:2: fault is none, high or short"},
        BadScenario{"BadPort", "[gateway]\nrs485 = 1 96 1\n",
                    "s.ini:2: a port takes five numbers: address baud stopbits parity delay"},
        // Numbers that would overflow on their way into a register or a time in ms.
        BadScenario{"HugeSerial", "[device]\nline = 1\nfamily = 0x28\nserial = 1e125\n",
                    "s.ini:4: '1e125' is not a whole number from 0 to 281474976710655"},
        BadScenario{"HugePeriod", "[line 2]\nfault = short\nfault_every = 1e60\n",
                    "s.ini:3: '1e60' is not a number from 0 to 1e+09"},
        BadScenario{"NotFinite", "[device]\nline = 1\ntemperature = nan\n",
                    "s.ini:3: 'nan' is not a number from -1000 to 1000"},
        BadScenario{"Negative", "[device]\nline = 1\nconnected = -20\n",
                    "s.ini:3: '-20' is not a number from 0 to 1e+09"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScenarioTest, CommentsBlankLinesAndAbsentDevices) {
  std::istringstream in(
      "# plant\n\n[gateway]\nslave = 17   # address\nfirmware = 120\n[line 1]\nfault = high\n"
      "[device]\nline = 2\nfamily = 0x28\nserial = 9\nchannel = 40\npresent = no\n");
  std::string error;
  auto s = parseScenario(in, "s.ini", &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->slaveAddress, 17);
  EXPECT_EQ(s->model.registerAt(1000), 120);
  EXPECT_EQ(s->model.lineFault(0), chstatus::kLineHigh);
  EXPECT_EQ(s->model.registerAt(399), chstatus::kTimeout);
}

}  // namespace
