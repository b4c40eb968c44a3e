// The communication frame in the main window: USB preset, connecting, counters, menu states.
#include "MainTestFixture.h"

#include "ErrorReport.h"
#include "PortsFolder.h"

#include "Pocitadlo.h"
#include "uFrame_Pocitadlo.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTimer>

namespace {

using pellix::PromptKind;
using pellix::test::MainWindowFixture;
using pellix::test::scriptedPrompts;

using KomunikaceTest = MainWindowFixture;

// ---- USB preset --------------------------------------------------------------------

TEST_F(KomunikaceTest, PickingTheUsbRateWithUsbParametersChecksUsb) {
  TMainForm& f = makeForm();
  pick(komunikace().ComboBox_BaudRate, 13);
  EXPECT_TRUE(usbBox().isChecked());
  EXPECT_EQ(f.GWYKomunikator->GetBaudRate(), 115200);

  // Address 2 unchecks it and leaves the rest as it is.
  pick(komunikace().ComboBox_Addr, 1);
  EXPECT_FALSE(usbBox().isChecked());
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), 13);
  EXPECT_EQ(komunikace().Cb_Parity->currentIndex(), 0);
  EXPECT_EQ(komunikace().Cb_Stopbit->currentIndex(), 0);
  EXPECT_EQ(f.GWYKomunikator->GetSlaveAddress(), 2);
  EXPECT_EQ(f.GWYKomunikator->GetBaudRate(), 115200);
}

TEST_F(KomunikaceTest, CheckingUsbSelectsAndAppliesAllFourParameters) {
  TMainForm& f = makeForm();
  pick(komunikace().ComboBox_BaudRate, 5);
  pick(komunikace().ComboBox_Addr, 4);
  pick(komunikace().Cb_Parity, 1);
  pick(komunikace().Cb_Stopbit, 1);
  ASSERT_EQ(f.AfComPort1->Parity(), paOdd);
  ASSERT_EQ(f.AfComPort1->Stopbits(), sbTwo);

  usbBox().click();

  EXPECT_TRUE(usbBox().isChecked());
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), 13);
  EXPECT_EQ(komunikace().ComboBox_Addr->currentIndex(), 0);
  EXPECT_EQ(komunikace().Cb_Parity->currentIndex(), 0);
  EXPECT_EQ(komunikace().Cb_Stopbit->currentIndex(), 0);
  EXPECT_EQ(f.GWYKomunikator->GetBaudRate(), 115200);
  EXPECT_EQ(f.GWYKomunikator->GetSlaveAddress(), 1);
  EXPECT_EQ(f.AfComPort1->Parity(), paNone);
  EXPECT_EQ(f.AfComPort1->Stopbits(), sbOne);
}

TEST_F(KomunikaceTest, UncheckingUsbChangesNothing) {
  TMainForm& f = makeForm();
  usbBox().click();
  ASSERT_TRUE(usbBox().isChecked());
  usbBox().click();
  EXPECT_FALSE(usbBox().isChecked());
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), 13);
  EXPECT_EQ(f.GWYKomunikator->GetBaudRate(), 115200);
}

TEST_F(KomunikaceTest, ChangingAListWhileConnectedAppliesAtOnce) {
  TMainForm& f = makeForm();
  startGateway(2);
  connectBox().setChecked(true);
  ASSERT_TRUE(f.AfComPort1->IsOpen());
  pick(komunikace().ComboBox_BaudRate, 11);  // 57.6 kBd
  EXPECT_EQ(f.AfComPort1->UserBaudRate(), 57600);
  EXPECT_TRUE(komunikace().ComboBox_BaudRate->isEnabled());
}

// ---- connecting --------------------------------------------------------------------

TEST_F(KomunikaceTest, MenuStatesFollowTheConnection) {
  TMainForm& f = makeForm();
  EXPECT_TRUE(f.Connect1->isEnabled());
  EXPECT_FALSE(f.Disconnect1->isEnabled());
  EXPECT_FALSE(f.Startlogging1->isEnabled());
  EXPECT_TRUE(komunikace().AfPortComboBox1->isEnabled());

  startGateway(3);
  f.Connect1->trigger();
  EXPECT_TRUE(connectBox().isChecked());
  EXPECT_TRUE(komunikace().IsConnected());
  EXPECT_TRUE(f.AfComPort1->IsOpen());
  EXPECT_EQ(f.AfComPort1->ComNumber(), 3);
  EXPECT_FALSE(f.Connect1->isEnabled());
  EXPECT_TRUE(f.Disconnect1->isEnabled());
  EXPECT_TRUE(f.Startlogging1->isEnabled());
  EXPECT_FALSE(komunikace().AfPortComboBox1->isEnabled());

  // Connect again: the box is checked already, nothing happens.
  f.Connect1->trigger();
  EXPECT_TRUE(f.AfComPort1->IsOpen());

  f.Disconnect1->trigger();
  EXPECT_FALSE(connectBox().isChecked());
  EXPECT_FALSE(f.AfComPort1->IsOpen());
  EXPECT_TRUE(f.Connect1->isEnabled());
  EXPECT_FALSE(f.Disconnect1->isEnabled());
  EXPECT_FALSE(f.Startlogging1->isEnabled());
  EXPECT_TRUE(komunikace().AfPortComboBox1->isEnabled());
}

TEST_F(KomunikaceTest, ConnectAppliesBaudRateAndAddressFromTheLists) {
  TMainForm& f = makeForm();
  startGateway(3);
  komunikace().ComboBox_BaudRate->setCurrentIndex(9);  // 38.4 kBd, selected but not applied
  komunikace().ComboBox_Addr->setCurrentIndex(6);
  ASSERT_NE(f.GWYKomunikator->GetBaudRate(), 38400);
  connectBox().setChecked(true);
  EXPECT_EQ(f.AfComPort1->UserBaudRate(), 38400);
  EXPECT_EQ(f.GWYKomunikator->GetSlaveAddress(), 7);
}

TEST_F(KomunikaceTest, DisconnectWhileLoggingLeavesStartLoggingDisabled) {
  TMainForm& f = makeForm();
  startGateway(3);
  connectBox().setChecked(true);
  f.Startlogging1->setEnabled(false);
  f.Timer_recorder->start();
  connectBox().setChecked(false);
  EXPECT_FALSE(f.Startlogging1->isEnabled());
  f.Timer_recorder->stop();
}

TEST_F(KomunikaceTest, PortThatCannotBeOpenedUnchecksConnectedAndReportsTheMessage) {
  TMainForm& f = makeForm();
  startGateway(4);
  // Another user holds the port.
  TAfComPort other(QStringLiteral("Other"));
  other.SetComNumber(4);
  other.OpenPort();
  pellix::setErrorHandler([&f](const std::exception& e) { f.ApplicationEvents1Exception(e); });
  scriptedPrompts().expect(PromptKind::Error);

  f.Connect1->trigger();

  EXPECT_FALSE(connectBox().isChecked());
  EXPECT_FALSE(f.AfComPort1->IsOpen());
  EXPECT_TRUE(f.Connect1->isEnabled());
  EXPECT_FALSE(f.Disconnect1->isEnabled());
  EXPECT_TRUE(komunikace().AfPortComboBox1->isEnabled());
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error), std::vector<QString>{"Can't open device COM4"});
  pellix::setErrorHandler({});
}

TEST_F(KomunikaceTest, EmptyPortListFailsInThePortLayer) {
  // A machine without ports: a broken link hides the device of every number that has one.
  for (int n = 1; n <= 96; ++n)
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent/tty"), pellix::portsFolderEntry(n)));
  TMainForm& f = makeForm();
  ASSERT_EQ(komunikace().AfPortComboBox1->count(), 0);
  pellix::setErrorHandler([&f](const std::exception& e) { f.ApplicationEvents1Exception(e); });
  scriptedPrompts().expect(PromptKind::Error);
  connectBox().setChecked(true);
  EXPECT_FALSE(connectBox().isChecked());
  ASSERT_EQ(scriptedPrompts().texts(PromptKind::Error).size(), 1u);
  EXPECT_TRUE(scriptedPrompts().texts(PromptKind::Error)[0].contains(QLatin1String("COM0")));
  pellix::setErrorHandler({});
}

TEST_F(KomunikaceTest, PortListIsRefreshedOnlyWhileDisconnected) {
  makeForm();
  TAfPortComboBox* list = komunikace().AfPortComboBox1;
  EXPECT_TRUE(komunikace().Timer_Update->isActive());
  EXPECT_EQ(komunikace().Timer_Update->interval(), 10000);
  startGateway(150);  // refreshes once to find it
  const int before = list->findText(QStringLiteral("COM 150"));
  ASSERT_GE(before, 0);
  sim->removeLink();
  komunikace().Timer_UpdateTimer();
  EXPECT_LT(list->findText(QStringLiteral("COM 150")), 0);

  sim->linkAsCom(150);
  list->RefreshPorts();
  list->SetSelectedComNumber(150);
  connectBox().setChecked(true);
  sim->removeLink();
  komunikace().Timer_UpdateTimer();
  EXPECT_GE(list->findText(QStringLiteral("COM 150")), 0);
}

// ---- counters ----------------------------------------------------------------------

TEST_F(KomunikaceTest, CountersStartEmptyWithTimeoutHidden) {
  makeForm();
  TFrame_Pocitadlo* c = komunikace().Frame_Pocitadlo1;
  EXPECT_TRUE(c->Label_Tx->text().isEmpty());
  EXPECT_TRUE(c->Label_Rx->text().isEmpty());
  EXPECT_TRUE(c->Label_Error->text().isEmpty());
  EXPECT_EQ(c->Label_Timeout->text(), QStringLiteral("Timeout"));
  EXPECT_TRUE(c->Label_Timeout->isHidden());
  EXPECT_FALSE(komunikace().TimeoutShown);
}

struct CountersCase {
  TPocitadloValues values;
  bool usb;
  bool staysConnected;
  const char* timeoutText;
};
void PrintTo(const CountersCase& c, std::ostream* os) {
  *os << "Err=" << c.values.Err << (c.values.Timeout ? " timeout" : "") << (c.usb ? " usb" : "");
}

class CountersDisplay : public MainWindowFixture, public ::testing::WithParamInterface<CountersCase> {};

TEST_P(CountersDisplay, NumbersTimeoutAndUsbDisconnect) {
  const CountersCase& c = GetParam();
  TMainForm& f = makeForm();
  startGateway(5);
  if (c.usb) usbBox().click();
  connectBox().setChecked(true);
  ASSERT_TRUE(f.AfComPort1->IsOpen());

  komunikace().ShowCounters(c.values);

  TFrame_Pocitadlo* p = komunikace().Frame_Pocitadlo1;
  EXPECT_EQ(p->Label_Rx->text(), QStringLiteral("Rx = %1").arg(c.values.Rx));
  EXPECT_EQ(p->Label_Tx->text(), QStringLiteral("Tx = %1").arg(c.values.Tx));
  EXPECT_EQ(p->Label_Error->text(), QStringLiteral("Err = %1").arg(c.values.Err));
  EXPECT_EQ(p->Label_Timeout->isHidden(), !c.values.Timeout);
  EXPECT_EQ(komunikace().TimeoutShown, c.values.Timeout);
  EXPECT_EQ(p->Label_Timeout->text(), QString::fromLatin1(c.timeoutText));
  EXPECT_EQ(connectBox().isChecked(), c.staysConnected);
  EXPECT_EQ(f.AfComPort1->IsOpen(), c.staysConnected);
  EXPECT_EQ(f.Connect1->isEnabled(), !c.staysConnected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CountersDisplay,
    ::testing::Values(CountersCase{{12, 15, 3, true}, false, true, "Timeout"},
                      CountersCase{{12, 15, 0, false}, false, true, "Timeout"},
                      CountersCase{{0, 1000, 1000, true}, false, true, "Timeout"},
                      CountersCase{{3, 9, 6, true}, true, true, "Timeout"},
                      CountersCase{{3, 10, 7, true}, true, false, "Error - Disconnected"},
                      CountersCase{{3, 10, 7, false}, true, false, "Error - Disconnected"},
                      CountersCase{{0, 20, 20, true}, true, false, "Error - Disconnected"}));

}  // namespace
