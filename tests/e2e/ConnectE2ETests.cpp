// The whole window against the simulated gateway on a pseudo-terminal: connecting
// by key and by check box, the first poll round, counters, timeouts, USB disconnect,
// and the adapter that is pulled out and plugged in again.
#include "AfComPort.h"
#include "AfPortComboBox.h"
#include "ErrorReport.h"
#include "Main.h"
#include "PortReturnWatch.h"
#include "RomCode.h"
#include "Scenario.h"
#include "Simulator.h"
#include "TestSupport.h"
#include "uFrame_Komunikace.h"
#include "uFrame_Pocitadlo.h"
#include "uFrame_SensorBox.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include <memory>

namespace {

using pellix::test::scriptedPrompts;
using pellix::test::waitUntil;

constexpr int GatewayCom = 9;
constexpr int UsbRateIndex = 13;  // 115.2 kBd: the shortest poll period, 300 ms

int counterOf(const QLabel* label) { return label->text().section(QLatin1Char('='), 1).trimmed().toInt(); }

class ConnectE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool")).clear();
    std::string error;
    auto scenario = pellix::gwsim::loadScenario(PELLIX_SCENARIO, &error);
    ASSERT_TRUE(scenario) << error;
    sim = std::make_unique<pellix::gwsim::Simulator>(std::move(scenario->model));
    sim->setSlaveAddress(scenario->slaveAddress);
    ASSERT_TRUE(sim->start(&error)) << error;
    ASSERT_FALSE(sim->linkAsCom(GatewayCom, &error).empty()) << error;

    TMainForm::ResetCreationCounters();
    form = std::make_unique<TMainForm>();
    pellix::setErrorHandler([this](const std::exception& e) { form->ApplicationEvents1Exception(e); });
    frame()->AfPortComboBox1->RefreshPorts();
    frame()->AfPortComboBox1->SetSelectedComNumber(GatewayCom);
    ASSERT_EQ(frame()->AfPortComboBox1->SelectedComNumber(), GatewayCom);
    frame()->ComboBox_BaudRate->setCurrentIndex(UsbRateIndex);
    frame()->ComboBox_Addr->setCurrentIndex(scenario->slaveAddress - 1);
  }

  void TearDown() override {
    pellix::setErrorHandler({});
    form.reset();
    sim->stop();
  }

  TFrame_Komunikace* frame() { return form->Frame_Komunikace1; }
  TFrame_Pocitadlo* counters() { return frame()->Frame_Pocitadlo1; }

  // Channel index -> the ROM code text the gateway holds for it ("" for a free channel).
  std::vector<QString> gatewayChannels() {
    return sim->withModel([](pellix::gwsim::GatewayModel& m) {
      std::vector<QString> out;
      for (int c = 0; c < 40; ++c) {
        const auto regs = m.channelRegisters(c);
        const bool free = (regs[9] & 0xFF) == 255;
        out.push_back(free ? QString() : RomCodeToHex(TRomCode{regs[0], regs[1], regs[2], regs[3]}));
      }
      return out;
    });
  }

  bool boxesShowTheGateway() {
    const std::vector<QString> expected = gatewayChannels();
    for (int c = 0; c < 40; ++c)
      if (form->ChannelBoxes[c]->Label_ROMCode->text() != expected[c]) return false;
    return true;
  }

  std::unique_ptr<pellix::gwsim::Simulator> sim;
  std::unique_ptr<TMainForm> form;
};

TEST_F(ConnectE2E, F3ConnectsAndOnePollRoundFillsTheChannelBoxes) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::keyClick(form.get(), Qt::Key_F3);
  ASSERT_TRUE(frame()->CheckBox_Connect->isChecked());
  ASSERT_TRUE(form->AfComPort1->IsOpen());

  // Seven blocks of 300 ms make one round; allow two.
  EXPECT_TRUE(waitUntil([&] { return boxesShowTheGateway(); }, 6000));
  int assigned = 0;
  for (const QString& rom : gatewayChannels()) assigned += rom.isEmpty() ? 0 : 1;
  EXPECT_GT(assigned, 5);
  EXPECT_EQ(form->Label_SWVer->text(), QStringLiteral("Gateway FW version: V1.09"));
  EXPECT_EQ(form->Label_HWVer->text(), QStringLiteral("Gateway HW version: V1.02"));
  EXPECT_TRUE(scriptedPrompts().records().empty());

  QTest::keyClick(form.get(), Qt::Key_F4);
  EXPECT_FALSE(frame()->CheckBox_Connect->isChecked());
  EXPECT_FALSE(form->AfComPort1->IsOpen());
}

TEST_F(ConnectE2E, CheckBoxConnectsAndTheCountersRise) {
  frame()->CheckBox_Connect->click();
  ASSERT_TRUE(form->AfComPort1->IsOpen());
  ASSERT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Rx) >= 3; }, 4000));
  EXPECT_GE(counterOf(counters()->Label_Tx), 3);
  EXPECT_EQ(counterOf(counters()->Label_Error), 0);
  EXPECT_TRUE(counters()->Label_Timeout->isHidden());
  EXPECT_FALSE(frame()->TimeoutShown);
}

TEST_F(ConnectE2E, SilentGatewayShowsTimeoutAndStaysConnectedWithoutUsb) {
  frame()->CheckBox_Connect->click();
  ASSERT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Rx) >= 1; }, 4000));
  pellix::gwsim::Faults silent;
  silent.noReply.count = 1000;
  sim->setFaults(silent);
  EXPECT_TRUE(waitUntil([&] { return !counters()->Label_Timeout->isHidden(); }, 3000));
  EXPECT_EQ(counters()->Label_Timeout->text(), QStringLiteral("Timeout"));
  EXPECT_TRUE(frame()->TimeoutShown);
  // Each silent request costs a 1000 ms pause and a poll period before the next one;
  // without the USB choice the connection stays whatever the count.
  EXPECT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Error) >= 3; }, 8000));
  EXPECT_TRUE(frame()->CheckBox_Connect->isChecked());
  EXPECT_TRUE(form->AfComPort1->IsOpen());

  // The gateway answers again: the timeout goes away.
  sim->setFaults({});
  EXPECT_TRUE(waitUntil([&] { return counters()->Label_Timeout->isHidden(); }, 3000));
  EXPECT_FALSE(frame()->TimeoutShown);
}

TEST_F(ConnectE2E, WithUsbTheToolDisconnectsItselfAfterSevenErrors) {
  frame()->CheckBox_USB->click();
  ASSERT_TRUE(frame()->CheckBox_USB->isChecked());
  frame()->CheckBox_Connect->click();
  ASSERT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Rx) >= 1; }, 4000));
  pellix::gwsim::Faults silent;
  silent.noReply.count = 1000;
  sim->setFaults(silent);

  // Seven silent cycles of 1.6 s each; a loaded machine stretches them.
  ASSERT_TRUE(waitUntil([&] { return !frame()->CheckBox_Connect->isChecked(); }, 45000));
  EXPECT_EQ(counterOf(counters()->Label_Error), 7);
  EXPECT_EQ(counters()->Label_Timeout->text(), QStringLiteral("Error - Disconnected"));
  EXPECT_FALSE(counters()->Label_Timeout->isHidden());
  EXPECT_FALSE(form->AfComPort1->IsOpen());
  EXPECT_TRUE(form->Connect1->isEnabled());
  EXPECT_TRUE(frame()->AfPortComboBox1->isEnabled());
  // Nothing more goes out once disconnected.
  const int tx = counterOf(counters()->Label_Tx);
  pellix::test::processEventsFor(700);
  EXPECT_EQ(counterOf(counters()->Label_Tx), tx);
}

TEST_F(ConnectE2E, UnpluggedGatewayClosesThePortWithoutAMessage) {
  frame()->CheckBox_Connect->click();
  ASSERT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Rx) >= 1; }, 4000));
  sim->hangUp();
  EXPECT_TRUE(waitUntil([&] { return !form->AfComPort1->IsOpen(); }, 3000));
  // The read error is handled silently; the operator sees the counters, not a box.
  pellix::test::processEventsFor(400);
  EXPECT_TRUE(scriptedPrompts().records().empty());
  EXPECT_TRUE(frame()->CheckBox_Connect->isChecked());
}

// ---- pulled out and plugged in again ---------------------------------------------------
// (scripts/test -R ConnectE2E.Unplugged --repeat until-fail:10 runs them ten times in a row)

TEST_F(ConnectE2E, UnpluggedWhileConnectedThePollResumesWhenItIsBack) {
  frame()->CheckBox_Connect->click();
  ASSERT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Rx) >= 1; }, 4000));
  sim->hangUp();
  ASSERT_TRUE(waitUntil([&] { return !form->AfComPort1->IsOpen(); }, 3000));
  EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("COM 9 is lost: waiting for it to come back"));
  // Still out: it goes on waiting, quietly, and the poll counts the silence.
  const auto values = [&] { return form->GWYKomunikator->GetPocitadlo().Values(); };
  ASSERT_TRUE(waitUntil([&] { return values().Err >= 1; }, 3000 + 2 * PortReturnWatch::IntervalMs));
  EXPECT_FALSE(form->AfComPort1->IsOpen());

  std::string error;
  ASSERT_TRUE(sim->replug(&error)) << error;
  ASSERT_TRUE(waitUntil([&] { return form->AfComPort1->IsOpen(); }, 3000));
  EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("COM 9 is back: polling again"));
  EXPECT_TRUE(frame()->CheckBox_Connect->isChecked());
  EXPECT_EQ(form->AfComPort1->ComNumber(), GatewayCom);
  // The counters start again with the new link, and it answers.
  ASSERT_TRUE(waitUntil([&] { return values().Rx >= 2; }, 4000));
  EXPECT_EQ(values().Err, 0);
  EXPECT_TRUE(counters()->Label_Timeout->isHidden());
  EXPECT_TRUE(scriptedPrompts().records().empty());
  // The note goes with the connection.
  form->Disconnect1->trigger();
  EXPECT_TRUE(form->StatusPanel0->text().isEmpty());
}

TEST_F(ConnectE2E, UnpluggedWithUsbConnectingAgainFindsThePortOrSaysItIsMissing) {
  frame()->CheckBox_USB->click();
  frame()->CheckBox_Connect->click();
  ASSERT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Rx) >= 1; }, 4000));
  sim->hangUp();
  // Seven unanswered cycles against the closed port, then the USB rule disconnects.
  // 11 s nominally; a loaded machine stretches every cycle.
  ASSERT_TRUE(waitUntil([&] { return !frame()->CheckBox_Connect->isChecked(); }, 45000));
  EXPECT_EQ(counters()->Label_Timeout->text(), QStringLiteral("Error - Disconnected"));
  // The list refreshes while the adapter is out and loses it.
  frame()->Timer_UpdateTimer();
  EXPECT_EQ(frame()->AfPortComboBox1->findData(GatewayCom, TAfPortComboBox::ComNumberRole), -1);

  scriptedPrompts().expect(pellix::PromptKind::Error);
  form->Connect1->trigger();
  ASSERT_EQ(scriptedPrompts().records().size(), 1u);
  EXPECT_EQ(scriptedPrompts().records()[0].text, QStringLiteral("Invalid port number (COM9)"));
  EXPECT_FALSE(frame()->CheckBox_Connect->isChecked());

  std::string error;
  ASSERT_TRUE(sim->replug(&error)) << error;
  form->Connect1->trigger();
  ASSERT_TRUE(frame()->CheckBox_Connect->isChecked());
  EXPECT_TRUE(form->AfComPort1->IsOpen());
  EXPECT_EQ(form->AfComPort1->ComNumber(), GatewayCom);
  EXPECT_EQ(frame()->AfPortComboBox1->SelectedComNumber(), GatewayCom);
  EXPECT_TRUE(waitUntil([&] { return counterOf(counters()->Label_Rx) >= 1; }, 4000));
}

}  // namespace
