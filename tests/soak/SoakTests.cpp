// The poll of the real main window (offscreen) against pellix-gwsim at 115.2 kBd with
// every kind of reply fault injected at about 5 %. The counters must tell exactly what
// the simulator did, memory and descriptors must stay flat after the first minute, and
// no block's data may ever land in another block's boxes.
//
// PELLIX_SOAK_SECONDS sets the length (default 120); scripts/soak MINUTES uses it.
#include "AfComPort.h"
#include "AfPortComboBox.h"
#include "ErrorReport.h"
#include "Main.h"
#include "RegisterMap.h"
#include "RomCode.h"
#include "Scenario.h"
#include "TestSupport.h"
#include "uFrame_Komunikace.h"
#include "uFrame_SensorBox.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <cstdio>
#include <map>

namespace {

using pellix::test::waitUntil;

constexpr int GatewayCom = 11;
constexpr int Slave = 2;            // not the USB preset: it would disconnect after seven errors
constexpr int RateIndex = 13;       // 115.2 kBd: a 300 ms poll
constexpr long RssMarginKb = 4096;  // allocator noise, not growth

struct Usage {
  long rssKb = 0;
  int fds = 0;
};

Usage usage() {
  Usage u;
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly))
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("VmRSS:")) u.rssKb = line.mid(6).trimmed().split(' ').first().toLong();
  u.fds = static_cast<int>(
      QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
  return u;
}

int soakSeconds() {
  bool ok = false;
  const int s = qEnvironmentVariableIntValue("PELLIX_SOAK_SECONDS", &ok);
  return ok && s >= 60 ? s : 120;
}

// "requests: requests=1200 lost=61 ..." from the simulator's last words.
std::map<QString, int> replyCounts(const QByteArray& output) {
  std::map<QString, int> counts;
  const QRegularExpression pair(QStringLiteral("(\\w+)=(\\d+)"));
  for (const QByteArray& line : output.split('\n')) {
    if (!line.startsWith("requests: ")) continue;
    for (const auto& m : pair.globalMatch(QString::fromLatin1(line)))
      counts[m.captured(1)] = m.captured(2).toInt();
  }
  return counts;
}

// What the gateway of the scenario serves that never changes: the ROM codes of the
// channels and the versions; no search has run, so the result blocks hold zeros.
struct Gateway {
  std::array<QString, 40> rom;
  std::array<std::array<uint16_t, 4>, 40> romWords{};
  uint16_t firmware = 0, hardware = 0;
};

Gateway gatewayOf(const pellix::gwsim::GatewayModel& m) {
  Gateway g;
  for (int c = 0; c < 40; ++c) {
    const auto regs = m.channelRegisters(c);
    for (int i = 0; i < 4; ++i) g.romWords[c][i] = regs[i];
    g.rom[c] = RomCodeToHex(TRomCode{regs[0], regs[1], regs[2], regs[3]});
  }
  g.firmware = m.registerAt(RegisterMap::FirmwareVersion);
  g.hardware = m.registerAt(RegisterMap::HardwareVersion);
  return g;
}

// A block whose registers are not those of the block polled; "" when they are.
QString misplaced(const Gateway& g, const std::array<uint16_t, 100>& regs, uint16_t start) {
  if (RegisterMap::IsChannelBlock(start)) {
    const int first = RegisterMap::FirstChannelOfBlock(start);
    for (int k = 0; k < RegisterMap::ChannelsPerBlock; ++k)
      for (int i = 0; i < 4; ++i)
        if (regs[k * 10 + i] != g.romWords[first + k - 1][i])
          return QStringLiteral("block %1: channel %2 has another ROM code").arg(start).arg(first + k);
    return {};
  }
  if (start == RegisterMap::ServiceBlock)
    return regs[0] == g.firmware && regs[9] == g.hardware ? QString()
                                                          : QStringLiteral("block 1000: not the versions");
  for (uint16_t r : regs)
    if (r != 0) return QStringLiteral("block %1: search results without a search").arg(start);
  return {};
}

TEST(Soak, CountersTellWhatTheSimulatorDidAndNothingGrows) {
  const int seconds = soakSeconds();
  QSettings(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool")).clear();
  std::string error;
  const auto scenario = pellix::gwsim::loadScenario(PELLIX_SCENARIO, &error);
  ASSERT_TRUE(scenario) << error;
  const Gateway gateway = gatewayOf(scenario->model);

  QProcess sim;
  sim.start(QStringLiteral(GWSIM_BINARY), {"--com",         QString::number(GatewayCom),
                                           "--scenario",    PELLIX_SCENARIO,
                                           "--slave",       QString::number(Slave),
                                           "--no-reply",    "5%",
                                           "--bad-crc",     "5%",
                                           "--short-reply", "5%",
                                           "--garbage",     "5%",
                                           "--delayed",     "5%",
                                           "--delay",       "100",
                                           "--seed",        "2024"});
  ASSERT_TRUE(sim.waitForStarted(5000));
  ASSERT_TRUE(waitUntil([&] { return sim.canReadLine(); }, 5000)) << sim.readAllStandardError().data();
  sim.readLine();  // the link

  TMainForm::ResetCreationCounters();
  auto form = std::make_unique<TMainForm>();
  pellix::setErrorHandler([&form](const std::exception& e) { form->ApplicationEvents1Exception(e); });
  form->show();
  TFrame_Komunikace* frame = form->Frame_Komunikace1;
  frame->AfPortComboBox1->RefreshPorts();
  frame->AfPortComboBox1->SetSelectedComNumber(GatewayCom);
  frame->ComboBox_BaudRate->setCurrentIndex(RateIndex);
  frame->ComboBox_Addr->setCurrentIndex(Slave - 1);
  ASSERT_FALSE(frame->CheckBox_USB->isChecked());

  // Every block as the window gets it, checked against the block that was asked for;
  // the end comes right after a good reply, when no request is left unresolved.
  int blocks = 0;
  QStringList wrong;
  bool ending = false, ended = false;
  TGWYKomunikator& link = *form->GWYKomunikator;
  const auto dispatch = link.OnRegisters;
  int lastRx = 0;
  link.OnRegisters = [&] {
    std::array<uint16_t, 100> regs{};
    link.GetRegisters(regs);
    if (const QString why = misplaced(gateway, regs, link.GetPolledAddress()); !why.isEmpty()) wrong << why;
    dispatch();
    ++blocks;
    for (int c = 0; c < 40; ++c) {
      const QString shown = form->ChannelBoxes[c]->Label_ROMCode->text();
      if (!shown.isEmpty() && shown != gateway.rom[c])
        wrong << QStringLiteral("channel %1 shows %2").arg(c + 1).arg(shown);
    }
    const int rx = link.GetPocitadlo().Values().Rx;
    if (ending && rx != lastRx && !ended) {
      ended = true;
      frame->CheckBox_Connect->setChecked(false);
    }
    lastRx = rx;
  };

  frame->CheckBox_Connect->click();
  ASSERT_TRUE(form->AfComPort1->IsOpen());
  QElapsedTimer clock;
  clock.start();
  pellix::test::processEventsFor(60 * 1000);
  const Usage settled = usage();
  pellix::test::processEventsFor(seconds * 1000 - static_cast<int>(clock.elapsed()));
  const Usage end = usage();
  ending = true;
  ASSERT_TRUE(waitUntil([&] { return ended; }, 10000)) << "no good reply at the end";
  EXPECT_FALSE(form->AfComPort1->IsOpen());

  sim.terminate();
  ASSERT_TRUE(sim.waitForFinished(5000));
  auto counts = replyCounts(sim.readAllStandardOutput());
  ASSERT_EQ(counts.count(QStringLiteral("requests")), 1u) << "no counts from the simulator";
  const TPocitadloValues c = link.GetPocitadlo().Values();

  std::printf(
      "soak: %d s, %d blocks shown; tool Tx %d Rx %d Err %d; simulator requests %d lost %d cut %d "
      "corrupted %d intact %d delayed %d; RSS %ld -> %ld kB, descriptors %d -> %d\n",
      seconds, blocks, c.Tx, c.Rx, c.Err, counts["requests"], counts["lost"], counts["cut"],
      counts["corrupted"], counts["intact"], counts["delayed"], settled.rssKb, end.rssKb, settled.fds,
      end.fds);

  EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " misplaced, first: " << wrong.first().toStdString();
  EXPECT_EQ(c.Tx, counts["requests"]);
  // Unanswered, bad CRC and garbage are errors; short replies are dropped uncounted.
  EXPECT_EQ(c.Err, counts["lost"] + counts["corrupted"]);
  EXPECT_EQ(c.Rx, counts["intact"]);
  EXPECT_EQ(counts["unanswered"], 0);
  // Each kind really happened, at about its rate.
  for (const char* kind : {"lost", "cut", "corrupted", "delayed"})
    EXPECT_GT(counts[kind], counts["requests"] / 50) << kind;
  EXPECT_EQ(end.fds, settled.fds);
  EXPECT_LE(end.rssKb, settled.rssKb + RssMarginKb);
  EXPECT_TRUE(pellix::test::scriptedPrompts().records().empty());
  pellix::setErrorHandler({});
}

}  // namespace
