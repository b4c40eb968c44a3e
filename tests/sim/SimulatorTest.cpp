#include "PortsFolder.h"
#include "SimTestSupport.h"
#include "Simulator.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace pellix::gwsim;
using namespace pellix::gwsim::test;
namespace fs = std::filesystem;

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    master = std::make_unique<RawMaster>(sim.devicePath());
    ASSERT_TRUE(master->isOpen());
  }
  Frame roundTrip(const Frame& rq, std::size_t expected, int ms = 1000) {
    master->send(rq);
    return master->receive(expected, ms);
  }
  void setFaults(const std::function<void(Faults&)>& change) {
    Faults f = sim.faults();
    change(f);
    sim.setFaults(f);
  }

  Plant plant;
  Simulator sim{plant.model()};
  std::unique_ptr<RawMaster> master;
  const Frame readBlock0 = request(1, 3, 0, 100);
};

TEST_F(SimulatorTest, AnswersAReadOverThePty) {
  const Frame reply = roundTrip(readBlock0, 205);
  ASSERT_EQ(reply.size(), 205u);
  EXPECT_TRUE(crcOk(reply));
  EXPECT_EQ(registersOf(reply)[9], chstatus::kOk);
  EXPECT_EQ(registersOf(reply)[19], chstatus::kFree);
  EXPECT_EQ(sim.requests(), 1);
}

TEST_F(SimulatorTest, JoinsAFrameThatArrivesInPieces) {
  const Frame rq = request(1, 6, 1010, 0x05FF);
  master->send(Frame(rq.begin(), rq.begin() + 3));
  sleepMs(15);
  master->send(Frame(rq.begin() + 3, rq.end()));
  EXPECT_EQ(master->receive(8, 1000), rq);
}

TEST_F(SimulatorTest, AnswersTwoRequestsSentBackToBack) {
  Frame both = request(1, 6, 1020, 0x07FF);
  const Frame read = request(1, 3, 1200, 100);
  both.insert(both.end(), read.begin(), read.end());
  master->send(both);
  const Frame replies = master->receive(8 + 205, 1000);
  ASSERT_EQ(replies.size(), 213u);
  EXPECT_NE(registersOf(Frame(replies.begin() + 8, replies.end()))[4], 0)
      << "the search result is in the second reply";
}

TEST_F(SimulatorTest, DropsABrokenFrameAndServesTheNextOne) {
  Frame bad = readBlock0;
  bad[7] ^= 0x01;
  master->send(bad);
  EXPECT_TRUE(master->receiveUntilQuiet(100).empty());
  EXPECT_EQ(roundTrip(readBlock0, 205).size(), 205u);
}

TEST_F(SimulatorTest, AnswersAnUnknownFunctionOnceTheLineIsQuiet) {
  Frame rq{1, 0x2B, 0x0E, 0x01, 0x00};
  appendCrc(rq);
  const Frame reply = roundTrip(rq, 5);
  ASSERT_EQ(reply.size(), 5u);
  EXPECT_EQ(reply[1], 0xAB);
  EXPECT_EQ(reply[2], 1);
}

// A frame of unknown length ends only with silence, which lasts 3.5 characters at the line's rate.
struct SilenceCase {
  unsigned baud;
  bool joined;
  int gapMs;  // far from the limit either way: a busy machine stretches sleeps and late reads
};

void PrintTo(const SilenceCase& c, std::ostream* os) { *os << (c.baud == B1200 ? "1200 Bd" : "115200 Bd"); }

class SilenceFraming : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(SilenceFraming, GapShorterThanThreeAndAHalfCharactersKeepsTheFrameWhole) {
  Simulator sim;
  ASSERT_TRUE(sim.start());
  RawMaster master(sim.devicePath(), GetParam().baud);
  Frame rq{1, 0x2B, 0x0E, 0x01, 0x00};
  appendCrc(rq);
  master.send(Frame(rq.begin(), rq.begin() + 3));
  sleepMs(GetParam().gapMs);  // 32 ms of silence needed at 1200 Bd, 2 ms at 115200 Bd
  master.send(Frame(rq.begin() + 3, rq.end()));
  EXPECT_EQ(master.receive(5, 300).size(), GetParam().joined ? 5u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, SilenceFraming,
                         ::testing::Values(SilenceCase{B1200, true, 5}, SilenceCase{B115200, false, 150}));

TEST_F(SimulatorTest, AnswersOnlyItsOwnAddress) {
  sim.setSlaveAddress(5);
  EXPECT_TRUE(roundTrip(readBlock0, 205, 150).empty());
  const Frame reply = roundTrip(request(5, 3, 0, 100), 205);
  ASSERT_EQ(reply.size(), 205u);
  EXPECT_EQ(reply[0], 5);
}

TEST_F(SimulatorTest, NoReplyLosesTheRequestsCounted) {
  setFaults([](Faults& f) { f.noReply.count = 2; });
  EXPECT_TRUE(roundTrip(request(1, 6, 1010, 0x0F00), 8, 150).empty());
  EXPECT_TRUE(roundTrip(readBlock0, 205, 150).empty());
  EXPECT_EQ(roundTrip(readBlock0, 205).size(), 205u);
  EXPECT_TRUE(sim.withModel([](GatewayModel& m) { return m.assignment(0).has_value(); }))
      << "a lost request is not carried out";
}

TEST_F(SimulatorTest, NoReplyFractionLosesSomeRequests) {
  setFaults([](Faults& f) {
    f.noReply.fraction = 0.5;
    f.seed = 7;
  });
  int answered = 0;
  for (int i = 0; i < 16; ++i) answered += roundTrip(request(1, 3, 1000, 1), 7, 80).size() == 7;
  EXPECT_GT(answered, 0);
  EXPECT_LT(answered, 16);
}

TEST_F(SimulatorTest, BadCrcCorruptsTheReplysChecksum) {
  setFaults([](Faults& f) { f.badCrc.count = 1; });
  const Frame first = roundTrip(readBlock0, 205);
  ASSERT_EQ(first.size(), 205u);
  EXPECT_FALSE(crcOk(first));
  EXPECT_TRUE(crcOk(roundTrip(readBlock0, 205)));
}

TEST_F(SimulatorTest, ShortReplySendsOnlyTheFirstBytes) {
  setFaults([](Faults& f) {
    f.shortReply.count = 1;
    f.shortBytes = 204;
  });
  const Frame reply = roundTrip(readBlock0, 205, 300);
  EXPECT_EQ(reply.size(), 204u);
  const Frame next = roundTrip(readBlock0, 205);
  EXPECT_EQ(Frame(next.begin(), next.begin() + 204), reply);
}

TEST_F(SimulatorTest, GarbageComesBeforeAnIntactReply) {
  setFaults([](Faults& f) {
    f.garbage.count = 1;
    f.garbageBytes = 3;
  });
  const Frame reply = roundTrip(readBlock0, 208);
  ASSERT_EQ(reply.size(), 208u);
  EXPECT_FALSE(crcOk(reply));
  EXPECT_TRUE(crcOk(Frame(reply.begin() + 3, reply.end())));
}

TEST_F(SimulatorTest, DelayHoldsTheReplyBack) {
  setFaults([](Faults& f) { f.delayMs = 300; });
  master->send(readBlock0);
  EXPECT_TRUE(master->receive(205, 150).empty());
  EXPECT_EQ(master->receive(205, 1000).size(), 205u);
}

TEST_F(SimulatorTest, DelayedPicksTheRepliesThatWait) {
  setFaults([](Faults& f) {
    f.delayMs = 300;
    f.delayed = FaultRule{.count = 1};
  });
  master->send(readBlock0);
  EXPECT_TRUE(master->receive(205, 150).empty());
  EXPECT_EQ(master->receive(205, 1000).size(), 205u);
  EXPECT_EQ(roundTrip(readBlock0, 205, 150).size(), 205u) << "only the first one waits";
}

TEST_F(SimulatorTest, CountsWhatBecameOfEachRequest) {
  setFaults([](Faults& f) {
    f.noReply.count = 1;     // the 1st is lost
    f.badCrc.count = 2;      // the 2nd and 3rd are damaged ...
    f.shortReply.count = 1;  // ... the 2nd also cut: a cut is a cut
    f.garbage.count = 3;     // the 4th has garbage before it (the 2nd and 3rd too)
  });
  for (int i = 0; i < 5; ++i) roundTrip(readBlock0, 208, 150);
  roundTrip(request(1, 6, 1010, 0x11AA), 8, 150);  // the restart: no answer by design
  const ReplyCounts c = sim.replyCounts();
  EXPECT_EQ(formatReplyCounts(c), "requests=6 lost=1 cut=1 corrupted=2 intact=1 unanswered=1 delayed=0");
}

TEST_F(SimulatorTest, HangUpAfterClosesThePty) {
  setFaults([](Faults& f) { f.hangUpAfter = 1; });
  EXPECT_EQ(roundTrip(readBlock0, 205).size(), 205u);
  master->send(readBlock0);
  EXPECT_TRUE(master->hungUp(1000));
  EXPECT_TRUE(sim.hungUp());
}

TEST_F(SimulatorTest, HangUpNowClosesThePty) {
  sim.hangUp();
  EXPECT_TRUE(master->hungUp(1000));
}

TEST_F(SimulatorTest, ReplugServesTheSameModelThroughTheSameLink) {
  std::string error;
  const std::string link = sim.linkAsCom(6, &error);
  ASSERT_FALSE(link.empty()) << error;
  roundTrip(request(1, 6, 1010, 0x0F00), 8);
  sim.hangUp();
  EXPECT_TRUE(master->hungUp(1000));
  // Unplugged, the number is absent: neither another pty under the old name nor a
  // device of the machine in place of a missing entry.
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_FALSE(fs::exists(link));
  ASSERT_TRUE(sim.replug(&error)) << error;
  EXPECT_EQ(fs::read_symlink(link), sim.devicePath());
  RawMaster again(link);
  ASSERT_TRUE(again.isOpen());
  again.send(readBlock0);
  const Frame reply = again.receive(205, 1000);
  ASSERT_EQ(reply.size(), 205u);
  EXPECT_EQ(registersOf(reply)[9], chstatus::kFree) << "the model kept the deletion";
}

TEST_F(SimulatorTest, LogsEveryRequestAndReply) {
  std::mutex lock;
  std::vector<LogEntry> entries;
  sim.setLogHandler([&](const LogEntry& e) {
    std::lock_guard<std::mutex> l(lock);
    entries.push_back(e);
  });
  roundTrip(request(1, 6, 1010, 0x05FF), 8);
  std::lock_guard<std::mutex> l(lock);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].kind, LogEntry::Kind::Request);
  EXPECT_EQ(formatLogLine(entries[0]).substr(9),
            "RX 01 06 03 F2 05 FF 6B 6D | slave 1 write 1010 = 0x05FF (1535)");
  EXPECT_EQ(entries[1].kind, LogEntry::Kind::Reply);
  EXPECT_EQ(entries[1].bytes, request(1, 6, 1010, 0x05FF));
  EXPECT_LE(entries[0].ms, entries[1].ms);
}

TEST_F(SimulatorTest, ValuesFollowTheSimulatorsClock) {
  sim.withModel([&](GatewayModel& m) { m.findDevice(plant.a)->swing = 5.0; });
  const auto first = registersOf(roundTrip(readBlock0, 205))[4];
  sim.withModel([](GatewayModel& m) { m.advanceTo(15000); });
  const auto later = registersOf(roundTrip(readBlock0, 205))[4];
  EXPECT_NE(first, later);
}

TEST(SimulatorLinkTest, LinksAsComInThePortsFolderAndRemovesTheLinkOnStop) {
  Simulator sim;
  ASSERT_TRUE(sim.start());
  std::string error;
  const std::string link = sim.linkAsCom(3, &error);
  ASSERT_EQ(link, pellix::portsFolderEntry(3).toStdString()) << error;
  EXPECT_EQ(fs::read_symlink(link), sim.devicePath());
  // A second simulator may not take the same number.
  Simulator other;
  ASSERT_TRUE(other.start());
  EXPECT_TRUE(other.linkAsCom(3, &error).empty());
  EXPECT_NE(error.find("already exists"), std::string::npos);
  sim.stop();
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(SimulatorLinkTest, ReplacesALinkWhoseTargetIsGone) {
  const std::string link = pellix::portsFolderEntry(4).toStdString();
  fs::create_directories(fs::path(link).parent_path());
  fs::create_symlink("/dev/pts/this-one-is-gone", link);
  Simulator sim;
  ASSERT_TRUE(sim.start());
  std::string error;
  EXPECT_EQ(sim.linkAsCom(4, &error), link) << error;
  EXPECT_EQ(fs::read_symlink(link), sim.devicePath());
}

}  // namespace
