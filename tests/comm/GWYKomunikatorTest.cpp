// The gateway client against the simulated gateway on a pseudo-terminal.
#include "AfComPort.h"
#include "GWYKomunikator.h"
#include "Simulator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLocale>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using pellix::PromptKind;
using pellix::test::scriptedPrompts;
using pellix::test::waitUntil;

constexpr int kCom = 7;

struct SentFrame {
  std::vector<uint8_t> bytes;
  qint64 ms = 0;

  uint8_t function() const { return bytes.size() > 1 ? bytes[1] : 0; }
  uint16_t word(int at) const { return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]); }
  uint16_t address() const { return word(2); }
  uint16_t value() const { return word(4); }  // function 6
  // Function 16: the values written.
  std::vector<uint16_t> values() const {
    std::vector<uint16_t> out;
    for (int i = 0; i < word(4); ++i) out.push_back(word(7 + 2 * i));
    return out;
  }
};

// Exposes the poll timer, which the tests tick by hand.
class TestClient : public TGWYKomunikator {
 public:
  using TGWYKomunikator::TGWYKomunikator;
  using TGWYKomunikator::Timer;
};

class GwyClient : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    ASSERT_FALSE(sim.linkAsCom(kCom, &error).empty()) << error;
    clock.start();
    client.OnTxFrame = [this](const TCommFrame& f) {
      frames.push_back({std::vector<uint8_t>(f.Data, f.Data + f.Length), clock.elapsed()});
    };
    client.Connect(kCom);
    ASSERT_TRUE(client.IsActive());
    client.Timer.stop();
    client.SetNextBlock(6);  // a block no command chooses
  }
  void TearDown() override {
    client.Disconnect();
    sim.stop();
  }

  std::vector<SentFrame> framesOf(uint8_t function) const {
    std::vector<SentFrame> out;
    for (const auto& f : frames)
      if (f.function() == function) out.push_back(f);
    return out;
  }
  // Ticks the poll until it sends a read; returns the block it asked for.
  uint16_t nextReadAddress() {
    for (int i = 0; i < 4; ++i) {
      const size_t before = frames.size();
      client.TimerTick();
      if (frames.size() > before && frames.back().function() == 3) return frames.back().address();
    }
    ADD_FAILURE() << "no read request";
    return 0xFFFF;
  }

  pellix::gwsim::Simulator sim;
  TAfComPort port;
  TestClient client{port};
  QElapsedTimer clock;
  std::vector<SentFrame> frames;
};

struct CommandRow {
  const char* name;
  std::function<void(TGWYKomunikator&)> action;
  uint16_t value;
  uint16_t reg;
  uint16_t nextBlock;
};

void PrintTo(const CommandRow& r, std::ostream* os) { *os << r.name; }

class GwyCommands : public GwyClient, public ::testing::WithParamInterface<CommandRow> {};

TEST_P(GwyCommands, QueuedWordRegisterAndNextBlock) {
  const CommandRow& r = GetParam();
  r.action(client);
  EXPECT_TRUE(framesOf(6).empty()) << "queued, not sent at once";
  client.TimerTick();
  const auto writes = framesOf(6);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].value(), r.value);
  EXPECT_EQ(writes[0].address(), r.reg);
  EXPECT_EQ(nextReadAddress(), r.nextBlock);
}

INSTANTIATE_TEST_SUITE_P(
    Words, GwyCommands,
    ::testing::Values(
        CommandRow{"FindNew_line1", [](auto& c) { c.FindNew(0); }, 0x05FF, 1010, 1000},
        CommandRow{"FindNew_line2", [](auto& c) { c.FindNew(1); }, 0x05FF, 1020, 1000},
        CommandRow{"FindNewAll_line1", [](auto& c) { c.FindNewAll(0); }, 0x06FF, 1010, 1000},
        CommandRow{"FindAll_line2", [](auto& c) { c.FindAll(1); }, 0x07FF, 1020, 1000},
        CommandRow{"SaveNew_1", [](auto& c) { c.SaveNewDevice(1); }, 0x0900, 1010, 0},
        CommandRow{"SaveNew_20", [](auto& c) { c.SaveNewDevice(20); }, 0x0913, 1010, 100},
        CommandRow{"SaveNew_21", [](auto& c) { c.SaveNewDevice(21); }, 0x0914, 1020, 200},
        CommandRow{"SaveNew_40", [](auto& c) { c.SaveNewDevice(40); }, 0x0927, 1020, 300},
        CommandRow{"Delete_1", [](auto& c) { c.DeleteChannel(1); }, 0x0F00, 1010, 0},
        CommandRow{"Delete_25", [](auto& c) { c.DeleteChannel(25); }, 0x0F18, 1020, 200},
        CommandRow{"Delete_40", [](auto& c) { c.DeleteChannel(40); }, 0x0F27, 1020, 300},
        CommandRow{"SaveFound_3_22", [](auto& c) { c.SaveFoundDevice(3, 22); }, 0x8316, 1020, 200},
        CommandRow{"SaveFound_0_19", [](auto& c) { c.SaveFoundDevice(0, 19); }, 0x8013, 1010, 100},
        CommandRow{"SaveFound_19_0", [](auto& c) { c.SaveFoundDevice(19, 0); }, 0x9300, 1010, 0}));

struct IgnoredRow {
  const char* name;
  std::function<void(TGWYKomunikator&)> action;
};

void PrintTo(const IgnoredRow& r, std::ostream* os) { *os << r.name; }

class GwyIgnored : public GwyClient, public ::testing::WithParamInterface<IgnoredRow> {};

TEST_P(GwyIgnored, SendsNothingAndKeepsTheBlock) {
  GetParam().action(client);
  EXPECT_EQ(nextReadAddress(), 1200);
  EXPECT_TRUE(framesOf(6).empty());
  EXPECT_TRUE(framesOf(16).empty());
}

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, GwyIgnored,
    ::testing::Values(IgnoredRow{"Delete_0", [](auto& c) { c.DeleteChannel(0); }},
                      IgnoredRow{"Delete_41", [](auto& c) { c.DeleteChannel(41); }},
                      IgnoredRow{"SaveNew_0", [](auto& c) { c.SaveNewDevice(0); }},
                      IgnoredRow{"SaveNew_41", [](auto& c) { c.SaveNewDevice(41); }},
                      IgnoredRow{"SaveFound_index40", [](auto& c) { c.SaveFoundDevice(1, 40); }},
                      IgnoredRow{"SaveFound_negative", [](auto& c) { c.SaveFoundDevice(1, -1); }},
                      IgnoredRow{"FindNew_line2index", [](auto& c) { c.FindNew(2); }},
                      IgnoredRow{"DeleteNow_0", [](auto& c) { c.DeleteChannelNow(0); }},
                      IgnoredRow{"DeleteNow_41", [](auto& c) { c.DeleteChannelNow(41); }},
                      IgnoredRow{"WriteRom_0",
                                 [](auto& c) {
                                   c.WriteRomCode({1, 2, 3, 4}, 0);
                                 }},
                      IgnoredRow{"WriteRom_41", [](auto& c) {
                                   c.WriteRomCode({1, 2, 3, 4}, 41);
                                 }}));

TEST_F(GwyClient, DeleteChannelNowGoesOutAtOnceWithoutChoosingABlock) {
  client.DeleteChannelNow(25);
  const auto writes = framesOf(6);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].value(), 0x0F18);
  EXPECT_EQ(writes[0].address(), 1020);
  EXPECT_EQ(nextReadAddress(), 1200);
}

TEST_F(GwyClient, WriteRomCodeWritesTheFourRomRegistersAndChoosesTheBlock) {
  client.WriteRomCode({0x28FF, 0x0A1B, 0x2C3D, 0x4E5F}, 25);
  const auto writes = framesOf(16);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].address(), 240);
  EXPECT_EQ(writes[0].values(), (std::vector<uint16_t>{0x28FF, 0x0A1B, 0x2C3D, 0x4E5F}));
  EXPECT_EQ(nextReadAddress(), 200);
}

// What the main window does during an import, as a log of calls.
class FakeHost : public IImportHost, public IProgressSink {
 public:
  void SetMainWindowEnabled(bool enabled) override {
    windowEnabled = enabled;
    log.push_back(enabled ? "enable" : "disable");
  }
  IProgressSink& ProgressDialog() override { return *this; }
  void SetConnectChecked() override {
    log.push_back("connect-checked");
    if (afterWrites) afterWrites();
  }

  void SetCaption(const QString& c) override { caption = c; }
  void Show() override {
    visible = true;
    log.push_back("show");
  }
  void Hide() override {
    visible = false;
    log.push_back("hide");
  }
  void SetMaximum(int m) override { maximum = m; }
  void SetPosition(int p) override { position = p; }
  int Position() const override { return position; }
  void SetText(const QString& t) override {
    text = t;
    texts.push_back(t);
    if (throwAtText && --throwAtText == 0) throw std::runtime_error("sink failed");
  }
  void Repaint() override {}

  bool windowEnabled = true;
  bool visible = false;
  QString caption;
  QString text;
  std::vector<QString> texts;
  int maximum = 0;
  int position = -1;
  int throwAtText = 0;
  std::vector<std::string> log;
  std::function<void()> afterWrites;
};

TDynamicLogArray importRecords() {
  TDynamicLogArray records;
  for (int c = 40; c >= 1; --c) {  // file order, not channel order
    TChannelData d;
    d.ChannelNumber = static_cast<uint8_t>(c);
    d.RomCode = pellix::gwsim::RomCode::make(0x28, 0x100000 + c).words;
    records.push_back(d);
  }
  return records;
}

TEST_F(GwyClient, ImportAlternatesDeletesAndRomWritesOnePollPeriodApart) {
  FakeHost host;
  client.SetImportHost(&host);
  client.SetPollInterval(20);
  const TDynamicLogArray records = importRecords();
  bool enabledDuringWrites = false;
  const auto onTx = client.OnTxFrame;
  client.OnTxFrame = [&](const TCommFrame& f) {
    enabledDuringWrites = enabledDuringWrites || host.windowEnabled;
    onTx(f);
  };
  scriptedPrompts().expect({PromptKind::Information, true, {}, [&] {
                              // The window is back before the message shows.
                              EXPECT_TRUE(host.windowEnabled);
                              EXPECT_FALSE(host.visible);
                            }});
  client.WriteChannelsFromFile(records, QStringLiteral("plant %2%1.bin"));
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral("Channels has been overwritten.")});

  ASSERT_GE(frames.size(), 84u);
  for (size_t i = 0; i < 80; ++i) ASSERT_NE(frames[i].function(), 3) << "no polling while importing";
  for (size_t i = 0; i < records.size(); ++i) {
    const int c = records[i].ChannelNumber;
    const SentFrame& del = frames[2 * i];
    const SentFrame& rom = frames[2 * i + 1];
    ASSERT_EQ(del.function(), 6) << "record " << i;
    EXPECT_EQ(del.value(), 0x0F00 + c - 1);
    EXPECT_EQ(del.address(), c <= 20 ? 1010 : 1020);
    ASSERT_EQ(rom.function(), 16) << "record " << i;
    EXPECT_EQ(rom.address(), 10 * (c - 1));
    EXPECT_EQ(rom.values(), std::vector<uint16_t>(records[i].RomCode.begin(), records[i].RomCode.end()));
    EXPECT_GE(rom.ms - del.ms, 20) << "record " << i;
    if (i > 0) {
      EXPECT_GE(del.ms - frames[2 * i - 1].ms, 20) << "record " << i;
    }
  }
  EXPECT_FALSE(enabledDuringWrites);

  EXPECT_EQ(host.caption, QStringLiteral("Pellix Tool - Import from file"));
  EXPECT_EQ(host.maximum, 40);
  EXPECT_EQ(host.position, 40);
  ASSERT_GE(host.texts.size(), 2u);
  EXPECT_EQ(host.texts[host.texts.size() - 2],
            QStringLiteral("Writing channels from file plant %2%1.bin... (Channel 0)"));
  EXPECT_EQ(host.log, (std::vector<std::string>{"disable", "show", "connect-checked", "hide", "enable"}));

  // The poll runs again, from block 0, and its reads of the channel blocks are the check.
  EXPECT_TRUE(client.GetTimer().isActive());
  std::vector<uint16_t> readBack;
  for (size_t i = 80; i < 84; ++i) readBack.push_back(frames[i].address());
  EXPECT_EQ(readBack, (std::vector<uint16_t>{0, 100, 200, 300}));

  // The gateway holds every channel of the file.
  ASSERT_TRUE(
      waitUntil([&] { return sim.withModel([](auto& m) { return m.assignment(0).has_value(); }); }, 2000));
  for (const auto& r : records) {
    const auto rom = sim.withModel([&](auto& m) { return m.assignment(r.ChannelNumber - 1); });
    ASSERT_TRUE(rom.has_value()) << int(r.ChannelNumber);
    EXPECT_EQ(rom->words, r.RomCode) << int(r.ChannelNumber);
  }
}

// The poll runs again on the closed port, so that the counters show the lost link.
TEST_F(GwyClient, ImportOnAClosedPortGoesToItsEndAndClaimsNothing) {
  client.SetPollInterval(1);
  client.Disconnect();
  scriptedPrompts().setAutoAcknowledge(true);
  client.WriteChannelsFromFile(importRecords(), QStringLiteral("a.bin"));
  const auto texts = scriptedPrompts().texts(PromptKind::Information);
  ASSERT_EQ(texts.size(), 40u);
  EXPECT_EQ(texts.front(), QStringLiteral("Communication port is inactive."));
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error),
            std::vector<QString>{QStringLiteral(
                "Communication port is inactive: the channels from the file a.bin could not be read back and "
                "checked.\nConnect and run the import again.")});
  EXPECT_TRUE(frames.empty());
  EXPECT_TRUE(client.GetTimer().isActive());
}

// Writes expect no reply: a lost one shows only when the channel is read back.
TEST_F(GwyClient, ImportReadsTheChannelsBackAndWritesThoseThatDifferAgain) {
  const auto old = pellix::gwsim::RomCode::make(0x28, 0x0BAD);
  sim.withModel([&](auto& m) { m.assign(1, old); });
  TDynamicLogArray records = importRecords();
  records.resize(3);  // channels 40, 39, 38
  records[0].ChannelNumber = 2;
  client.SetPollInterval(20);
  pellix::gwsim::Faults lost;
  lost.noReply.count = 2;  // the first record's delete and ROM code write
  sim.setFaults(lost);
  scriptedPrompts().expect({PromptKind::Warning, true, {}, [&] {
                              EXPECT_EQ(sim.withModel([](auto& m) { return m.assignment(1); }), old);
                            }});
  scriptedPrompts().expect(PromptKind::Information);
  client.WriteChannelsFromFile(records, QStringLiteral("a.bin"));
  EXPECT_EQ(
      scriptedPrompts().texts(PromptKind::Warning),
      std::vector<QString>{QStringLiteral(
          "Channel 1 does not hold the ROM code from the file a.bin.\nDo you want to import it again?")});
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral("Channels has been overwritten.")});
  for (const auto& r : records) {
    const auto rom = sim.withModel([&](auto& m) { return m.assignment(r.ChannelNumber - 1); });
    ASSERT_TRUE(rom.has_value()) << int(r.ChannelNumber);
    EXPECT_EQ(rom->words, r.RomCode) << int(r.ChannelNumber);
  }
  // The second pass wrote channel 2 alone.
  EXPECT_EQ(framesOf(16).size(), 4u);
}

// A gateway that stops answering after the writes: nothing is claimed of the channels.
TEST_F(GwyClient, ImportNamesTheChannelsThatCouldNotBeReadBack) {
  FakeHost host;
  host.afterWrites = [&] {
    pellix::gwsim::Faults silent;
    silent.noReply.count = 1000;
    sim.setFaults(silent);
  };
  client.SetImportHost(&host);
  client.SetPollInterval(20);
  TDynamicLogArray records = importRecords();
  records.resize(2);  // channels 40 and 39
  scriptedPrompts().expect(PromptKind::Warning, false);
  client.WriteChannelsFromFile(records, QStringLiteral("a.bin"));
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Warning),
            std::vector<QString>{QStringLiteral("Channels 38, 39 could not be read back from the gateway.\n"
                                                "Do you want to import them again?")});
  EXPECT_EQ(framesOf(16).size(), 2u) << "No writes nothing again";
}

TEST_F(GwyClient, ImportOfRecordsWithoutAChannelWritesNothingAndSaysSo) {
  FakeHost host;
  client.SetImportHost(&host);
  scriptedPrompts().expect(PromptKind::Information);
  client.WriteChannelsFromFile(TDynamicLogArray(40), QStringLiteral("zero.bin"));
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral(
                "The file zero.bin assigns no channel. Nothing has been written to the gateway.")});
  EXPECT_TRUE(frames.empty());
  EXPECT_TRUE(host.log.empty());
}

// An error in the middle must not leave the main window disabled for good.
TEST_F(GwyClient, ImportFailureGivesTheWindowBack) {
  FakeHost host;
  host.throwAtText = 3;  // the initial empty text, then the second record's
  client.SetImportHost(&host);
  client.SetPollInterval(1);
  EXPECT_THROW(client.WriteChannelsFromFile(importRecords(), QStringLiteral("a.bin")), std::runtime_error);
  EXPECT_TRUE(host.windowEnabled);
  EXPECT_FALSE(host.visible);
  EXPECT_TRUE(client.GetTimer().isActive());
  EXPECT_EQ(framesOf(16).size(), 2u);
  EXPECT_EQ(framesOf(6).size(), 2u);
}

// Settings and lists need no open port.
class GwySettings : public ::testing::Test {
 protected:
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
  TAfComPort port;
  TGWYKomunikator client{port};
};

struct BaudRow {
  int index;
  int baud;
  uint32_t pollMs;
};

void PrintTo(const BaudRow& r, std::ostream* os) { *os << "index " << r.index; }

class GwyBaudRates : public GwySettings, public ::testing::WithParamInterface<BaudRow> {};

TEST_P(GwyBaudRates, RateAndPollPeriod) {
  client.SetBaudRateIndex(GetParam().index);
  EXPECT_EQ(client.GetBaudRate(), GetParam().baud);
  EXPECT_EQ(client.GetPollInterval(), GetParam().pollMs);
}

INSTANTIATE_TEST_SUITE_P(Indexes, GwyBaudRates,
                         ::testing::Values(BaudRow{0, 1200, 4000}, BaudRow{5, 9600, 500},
                                           BaudRow{10, 56000, 300}, BaudRow{13, 115200, 300},
                                           BaudRow{15, 230400, 300}));

TEST_F(GwySettings, BaudRateIndexOutsideTheTableChangesNothing) {
  client.SetBaudRateIndex(5);
  for (int bad : {-1, 16, 1000}) {
    client.SetBaudRateIndex(bad);
    EXPECT_EQ(client.GetBaudRate(), 9600) << bad;
    EXPECT_EQ(client.GetPollInterval(), 500u) << bad;
  }
}

TEST_F(GwySettings, ParityAndStopBits) {
  const TAfParity parities[] = {paNone, paOdd, paEven};
  for (int i : {2, 1, 0, 1}) {
    client.SetParityIndex(i);
    EXPECT_EQ(client.ParityIndex(), i);
    EXPECT_EQ(port.Parity(), parities[i]);
  }
  client.SetParityIndex(7);  // only stored
  EXPECT_EQ(client.ParityIndex(), 7);
  EXPECT_EQ(port.Parity(), paOdd);

  client.SetStopBitsIndex(1);
  EXPECT_EQ(port.Stopbits(), sbTwo);
  EXPECT_EQ(client.StopBitsIndex(), 1);
  client.SetStopBitsIndex(0);
  EXPECT_EQ(port.Stopbits(), sbOne);
  client.SetStopBitsIndex(3);
  EXPECT_EQ(client.StopBitsIndex(), 3);
  EXPECT_EQ(port.Stopbits(), sbOne);
}

struct ListRow {
  const char* name;
  void (*fill)(QStringList&, TPortKind);
  int portKind;
  int count;
  const char* first;
  const char* last;
};

void PrintTo(const ListRow& r, std::ostream* os) { *os << r.name << " kind " << r.portKind; }

class GwyLists : public GwySettings, public ::testing::WithParamInterface<ListRow> {};

TEST_P(GwyLists, AppendedEntries) {
  const ListRow& r = GetParam();
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  QStringList items{QStringLiteral("kept")};
  r.fill(items, static_cast<TPortKind>(r.portKind));
  ASSERT_EQ(items.size(), 1 + r.count);
  EXPECT_EQ(items.front(), QStringLiteral("kept"));
  if (r.count > 0) {
    EXPECT_EQ(items[1], QLatin1String(r.first));
    EXPECT_EQ(items.back(), QLatin1String(r.last));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GwyLists,
    ::testing::Values(ListRow{"bauds", &TGWYKomunikator::FillBaudRates, 0, 16, "1.2 kBd", "230.4 kBd"},
                      ListRow{"bauds", &TGWYKomunikator::FillBaudRates, 2, 16, "1.2 kBd", "230.4 kBd"},
                      ListRow{"bauds", &TGWYKomunikator::FillBaudRates, 3, 0, "", ""},
                      ListRow{"addresses", &TGWYKomunikator::FillAddresses, 0, 247, "1", "247"},
                      ListRow{"addresses", &TGWYKomunikator::FillAddresses, 1, 247, "1", "247"},
                      ListRow{"addresses", &TGWYKomunikator::FillAddresses, 2, 1, "1", "1"},
                      ListRow{"addresses", &TGWYKomunikator::FillAddresses, 3, 0, "", ""},
                      ListRow{"addresses", &TGWYKomunikator::FillAddresses, -1, 0, "", ""},
                      ListRow{"parities", &TGWYKomunikator::FillParities, 1, 3, "NONE", "EVEN"},
                      ListRow{"parities", &TGWYKomunikator::FillParities, 4, 0, "", ""},
                      ListRow{"stopbits", &TGWYKomunikator::FillStopBits, 2, 2, "One", "Two"},
                      ListRow{"stopbits", &TGWYKomunikator::FillStopBits, 3, 0, "", ""}));

TEST_F(GwySettings, BaudRateTextsUseTheLocaleSeparator) {
  QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
  QStringList items;
  TGWYKomunikator::FillBaudRates(items, pkRS485);
  ASSERT_EQ(items.size(), 16);
  EXPECT_EQ(items[5], QStringLiteral("9,6 kBd"));
  EXPECT_EQ(items[13], QStringLiteral("115,2 kBd"));
}

}  // namespace
