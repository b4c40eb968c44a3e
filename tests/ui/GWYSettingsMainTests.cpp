// The gateway settings dialog inside the main window, against the simulated gateway.
#include "MainTestFixture.h"

#include "dlg_GWYSettings.h"

#include <QAction>
#include <QToolButton>
#include <mutex>
#include <vector>

namespace {

using pellix::PromptKind;
using pellix::test::MainWindowFixture;
using pellix::test::scriptedPrompts;
using pellix::test::waitUntil;
using Field = TFrame_PortServiceRegs::Field;
namespace gwsim = pellix::gwsim;

class GWYSettingsMain : public MainWindowFixture {
 protected:
  TdlgGWYSettings& connect(gwsim::GatewayConfig config = {}) {
    TMainForm& f = makeForm();
    startGateway(4, gwsim::GatewayModel(config));
    sim->setLogHandler([this](const gwsim::LogEntry& e) {
      if (e.kind != gwsim::LogEntry::Kind::Request || e.bytes.size() < 8 || e.bytes[1] != 6) return;
      std::lock_guard<std::mutex> lock(mutex);
      writes.emplace_back(static_cast<uint16_t>(e.bytes[2] << 8 | e.bytes[3]),
                          static_cast<uint16_t>(e.bytes[4] << 8 | e.bytes[5]));
    });
    connectBox().setChecked(true);
    EXPECT_TRUE(f.GWYKomunikator->IsActive());
    return *f.dlgGWYSettings;
  }
  std::vector<std::pair<uint16_t, uint16_t>> received() {
    std::lock_guard<std::mutex> lock(mutex);
    return writes;
  }

  std::mutex mutex;
  std::vector<std::pair<uint16_t, uint16_t>> writes;
};

TEST_F(GWYSettingsMain, FollowsTheGatewayAndSendsEveryChangeInOrder) {
  gwsim::GatewayConfig config;
  config.rs485 = {3, 96, 1, 0, 20};
  config.powerControl = 2;
  TdlgGWYSettings& dlg = connect(config);
  ASSERT_TRUE(waitUntil([&] { return dlg.Frm_RS485->ComboBox_BaudRate->currentIndex() >= 0; }, 6000));
  EXPECT_EQ(dlg.Frm_RS485->ComboBox_BaudRate->currentText(), QLocale().toString(9.6, 'f', 1) + " kBd");
  EXPECT_EQ(dlg.Frm_RS485->ComboBox_Addr->currentText(), QStringLiteral("3"));
  EXPECT_EQ(dlg.Frm_RS232->ComboBox_BaudRate->currentIndex(), 13);
  EXPECT_EQ(dlg.ComboBox_PowerLine->currentIndex(), 2);
  EXPECT_EQ(dlg.Frm_RS485->DelayValue(), 20);

  dlg.Frm_RS485->ComboBox_Addr->setCurrentIndex(9);
  dlg.Frm_RS485->ComboBox_BaudRate->setCurrentIndex(7);
  dlg.Frm_RS485->Cb_Parity->setCurrentIndex(2);
  dlg.Frm_RS485->Cb_Stopbits->setCurrentIndex(1);
  dlg.Frm_RS485->SetDelayValue(12.9);
  dlg.Frm_RS232->ComboBox_Addr->setCurrentIndex(246);
  dlg.Frm_RS232->ComboBox_BaudRate->setCurrentIndex(5);
  dlg.Frm_RS232->Cb_Parity->setCurrentIndex(1);
  dlg.Frm_RS232->Cb_Stopbits->setCurrentIndex(1);
  dlg.Frm_RS232->SetDelayValue(50);
  dlg.ComboBox_PowerLine->setCurrentIndex(4);
  dlg.iBtn_Save->click();
  EXPECT_FALSE(dlg.iBtn_Save->isEnabled());

  // A second list while the first is still being written is refused.
  dlg.ComboBox_PowerLine->setCurrentIndex(5);
  scriptedPrompts().expect(PromptKind::Error);
  dlg.iBtn_Save->click();
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error),
            std::vector<QString>{QStringLiteral("Busy, try again.")});
  EXPECT_TRUE(dlg.IsPowerChanged());

  ASSERT_TRUE(waitUntil([&] { return received().size() >= 11; }, 6000));
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{1001, 10}, {1002, 192}, {1006, 2},  {1005, 2},
                                                            {1053, 12}, {1003, 247}, {1004, 96}, {1008, 1},
                                                            {1007, 2},  {1054, 50},  {1055, 4}};
  EXPECT_EQ(received(), expected);
}

TEST_F(GWYSettingsMain, ChangedParityWaitsForCancel) {
  TdlgGWYSettings& dlg = connect();
  ASSERT_TRUE(waitUntil([&] { return dlg.Frm_RS485->Cb_Parity->currentIndex() == 0; }, 6000));
  dlg.Frm_RS485->Cb_Parity->setCurrentIndex(1);
  // The gateway's parity is written behind the dialog's back.
  sim->withModel([](gwsim::GatewayModel& m) { return m.write(1006, {2}); });
  const int reads = sim->requests();
  ASSERT_TRUE(waitUntil([&] { return sim->requests() >= reads + 8; }, 8000));  // a whole poll round
  EXPECT_EQ(dlg.Frm_RS485->Cb_Parity->currentText(), QStringLiteral("ODD"));
  dlg.iBtn_Cancel->click();
  EXPECT_TRUE(waitUntil([&] { return dlg.Frm_RS485->Cb_Parity->currentText() == "EVEN"; }, 8000));
}

TEST_F(GWYSettingsMain, EntryPointsOpenTheDialogOnlyWhileConnected) {
  TMainForm& f = makeForm();
  scriptedPrompts().expect(PromptKind::Information);
  f.Portsetti1Click();
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral("Communication port is inactive.")});
  EXPECT_TRUE(f.dlgGWYSettings->isHidden());

  startGateway(4);
  connectBox().setChecked(true);
  f.Expertsettings1Click();
  EXPECT_TRUE(f.dlgGWYSettings->isVisible());
  EXPECT_TRUE(f.dlgGWYSettings->Panel_Expert->isVisible());
  f.dlgGWYSettings->close();
  f.SpdBtn_GWYSettingsClick();
  EXPECT_TRUE(f.dlgGWYSettings->isVisible());
  EXPECT_TRUE(f.dlgGWYSettings->Panel_Expert->isHidden());
}

TEST_F(GWYSettingsMain, EachConnectStartsFromBlankLists) {
  TdlgGWYSettings& dlg = connect();
  ASSERT_TRUE(waitUntil([&] { return dlg.Frm_RS232->ComboBox_Addr->currentIndex() == 0; }, 6000));
  dlg.Frm_RS232->Cb_Parity->setCurrentIndex(2);
  connectBox().setChecked(false);
  sim->stop();
  startGateway(4);
  connectBox().setChecked(true);
  EXPECT_FALSE(dlg.IsChanged(1, Field::fParity));
  EXPECT_FALSE(dlg.iBtn_Save->isEnabled());
}

}  // namespace
