// The upgrade window and the main window's upgrade command, against the simulated
// gateway on a pseudo-terminal.
#include "ErrorReport.h"
#include "Simulator.h"
#include "TestSupport.h"
#include "UpgradeTestSupport.h"
#include "uMain_Programmer.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace pellix;
using namespace pellix::test;

namespace {

gwsim::GatewayModel quickGateway() {
  gwsim::GatewayConfig config;
  config.restartSilenceMs = 400;
  config.firmwareAfterUpgrade = 110;
  return gwsim::GatewayModel(config);
}

class WithSimulator : public ::testing::Test {
 public:
  static constexpr int Com = 7;

 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    ASSERT_FALSE(sim.linkAsCom(Com, &error).empty()) << error;
  }
  void TearDown() override { sim.stop(); }
  gwsim::Simulator sim{quickGateway()};
};

// ---- The window ------------------------------------------------------------

TEST(ProgrammerWindowTest, ControlsAtCreation) {
  TForm_Programmer form;
  EXPECT_EQ(form.objectName(), QStringLiteral("Form_Programmer"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Pellix Tool - Upgrade SW"));
  EXPECT_EQ(form.size(), QSize(747, 532));
  const std::pair<const char*, const char*> captions[] = {{"Button_OpenFile", "Open File"},
                                                          {"Button_DelProgMem", "Program Memory..."},
                                                          {"Button_Abort", "Cancel"},
                                                          {"Button_Close", "Close"}};
  for (const auto& [name, caption] : captions) {
    auto* b = form.findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->text(), QString::fromLatin1(caption));
  }
  EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->text(), QStringLiteral("Connected"));
  EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Label_Caption"))->text(),
            QStringLiteral("Communication"));
  for (const char* name : {"Label_ErrInfo", "Label_Progress", "Lb_FWVer", "Img_Logo"})
    EXPECT_NE(form.findChild<QLabel*>(QString::fromLatin1(name)), nullptr) << name;
  for (const char* name : {"Memo_Path", "Memo_FromFile"}) {
    auto* m = form.findChild<QPlainTextEdit*>(QString::fromLatin1(name));
    ASSERT_NE(m, nullptr) << name;
    EXPECT_TRUE(m->isReadOnly());
    EXPECT_TRUE(m->toPlainText().isEmpty());
  }
  EXPECT_FALSE(form.Gauge1->isVisibleTo(&form));
  EXPECT_EQ(form.Gauge1->value(), 0);
  EXPECT_FALSE(form.Button_Abort->isEnabled());
  EXPECT_TRUE(form.Label_Progress->text().isEmpty());
  EXPECT_FALSE(form.Img_Logo->pixmap().isNull());
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.Timer1->interval(), 500);
}

TEST(ProgrammerWindowTest, LinkStateTexts) {
  TForm_Programmer form;
  const char* texts[] = {"", "Communication OK", "Timeout", "Disconnected",
                         "Communication error - disconnected"};
  for (int kind = 0; kind < 5; ++kind) {
    form.ShowLinkState(kind);
    EXPECT_EQ(form.Label_ErrInfo->text(), QString::fromLatin1(texts[kind]));
  }
}

TEST(ProgrammerWindowTest, PortThatCannotOpenUnchecksTheBoxAndIsReported) {
  scriptedPrompts().setAutoAcknowledge(true);
  TForm_Programmer form;
  form.AfComPort1.SetComNumber(250);  // no device behind it
  form.CheckBox1->setChecked(true);
  EXPECT_FALSE(form.CheckBox1->isChecked());
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error).size(), 1u);
}

TEST(ProgrammerWindowTest, CloseDuringARunAsksAndNoKeepsItOpen) {
  scriptedPrompts().setAutoAcknowledge(true);
  TForm_Programmer form;
  form.Transfer().LoadFile(writeImageFile(QStringLiteral("w.bin"), makeImage(10)));
  form.Transfer().Button_DelProgMemClick(false);  // port inactive: no run
  form.show();
  scriptedPrompts().expect(PromptKind::Confirmation, true);
  form.Transfer().Button_DelProgMemClick(true);
  ASSERT_TRUE(form.Transfer().Busy);
  EXPECT_TRUE(form.Gauge1->isVisible());
  EXPECT_TRUE(form.Button_Abort->isEnabled());
  EXPECT_FALSE(form.Button_OpenFile->isEnabled());
  scriptedPrompts().expect(PromptKind::Confirmation, false);
  form.Button_Close->click();
  EXPECT_TRUE(form.isVisible());
  scriptedPrompts().expect(PromptKind::Confirmation, true);
  form.Button_Close->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected) << "not connected when it closed";
  EXPECT_FALSE(form.Transfer().Busy);
}

TEST_F(WithSimulator, ClosingWhileConnectedEndsWithOkAndClosesThePort) {
  TForm_Programmer form;
  form.AfComPort1.SetComNumber(Com);
  form.CheckBox1->setChecked(true);
  ASSERT_TRUE(form.AfComPort1.IsOpen());
  form.show();
  form.Button_Close->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(form.CheckBox1->isChecked());
  EXPECT_FALSE(form.AfComPort1.IsOpen());
}

// Ticks the window itself, faster than Timer1 would; replies come back within the pause.
void tick(TForm_Programmer& form) {
  form.Timer1Timer();
  form.Timer1->stop();
  processEventsFor(30);
}

TEST_F(WithSimulator, ProgramsAnImageIntoTheGateway) {
  TForm_Programmer form;
  form.AfComPort1.SetComNumber(Com);
  form.SetLinkBaudRate(115200);
  form.SetSlaveAddr(1);
  form.CheckBox1->setChecked(true);
  ASSERT_TRUE(form.AfComPort1.IsOpen());
  form.show();
  form.Timer1->stop();

  const Bytes image = makeImage(3000);
  scriptedPrompts().expect(PromptKind::OpenFile, true, writeImageFile(QStringLiteral("fw.bin"), image));
  form.Button_OpenFile->click();
  EXPECT_TRUE(form.Memo_FromFile->toPlainText().startsWith(QStringLiteral("03 0A 11 ")));
  EXPECT_TRUE(form.Memo_Path->toPlainText().startsWith(QStringLiteral("Open file:\n")));
  for (int i = 0; i < 3; ++i) tick(form);
  EXPECT_EQ(form.Lb_FWVer->text(), QStringLiteral("Gateway FW version: V1.09"));
  EXPECT_EQ(form.Label_ErrInfo->text(), QStringLiteral("Communication OK"));

  scriptedPrompts().expect(PromptKind::Confirmation, true);
  scriptedPrompts().expect(PromptKind::Information, true);  // the completed message
  form.Button_DelProgMem->click();
  EXPECT_EQ(form.Gauge1->maximum(), 3000 / 192 + 33);
  for (int i = 0; i < 400 && form.Transfer().Busy; ++i) tick(form);
  ASSERT_FALSE(form.Transfer().Busy);

  EXPECT_EQ(
      scriptedPrompts().texts(PromptKind::Information),
      std::vector<QString>{QStringLiteral("Firmware update completed. Actual firmware version is V1.10.")});
  EXPECT_EQ(form.Lb_FWVer->text(), QStringLiteral("Gateway FW version: V1.10"));
  EXPECT_TRUE(form.Label_Progress->text().startsWith(QStringLiteral("Firmware update completed. (")));
  const auto gateway = sim.withModel([](gwsim::GatewayModel& m) { return m.image(); });
  EXPECT_EQ(gateway, paddedImage(image));
  EXPECT_EQ(sim.withModel([](gwsim::GatewayModel& m) { return m.programFaults(); }), 0);
}

TEST_F(WithSimulator, LostRequestsStillGiveTheWholeImage) {
  TForm_Programmer form;
  form.AfComPort1.SetComNumber(Com);
  form.CheckBox1->setChecked(true);
  form.Timer1->stop();
  const Bytes image = makeImage(2000);
  form.Transfer().LoadFile(writeImageFile(QStringLiteral("lossy.bin"), image));
  tick(form);
  std::atomic<int> lost{0};
  sim.setLogHandler([&](const gwsim::LogEntry& e) {
    if (e.text.find("request lost") != std::string::npos) ++lost;
  });
  gwsim::Faults faults;
  faults.noReply.fraction = 0.2;
  faults.seed = 7;
  sim.setFaults(faults);
  scriptedPrompts().setAutoAcknowledge(true);
  scriptedPrompts().expect(PromptKind::Confirmation, true);
  form.Button_DelProgMem->click();
  for (int i = 0; i < 800 && form.Transfer().Busy; ++i) tick(form);
  ASSERT_FALSE(form.Transfer().Busy);
  EXPECT_EQ(sim.withModel([](gwsim::GatewayModel& m) { return m.image(); }), paddedImage(image));
  EXPECT_GT(lost.load(), 5);
  sim.setLogHandler({});
}

TEST_F(WithSimulator, UnpluggedGatewayShowsTheLostLink) {
  TForm_Programmer form;
  form.AfComPort1.SetComNumber(Com);
  form.CheckBox1->setChecked(true);
  form.Timer1->stop();
  tick(form);
  const ErrorHandler previous = setErrorHandler([](const std::exception&) {});  // the main window's report
  sim.hangUp();
  for (int i = 0; i < 20 && form.CheckBox1->isChecked(); ++i) tick(form);
  setErrorHandler(previous);
  EXPECT_FALSE(form.CheckBox1->isChecked());
  EXPECT_FALSE(form.AfComPort1.IsOpen());
  EXPECT_EQ(form.Label_ErrInfo->text(), QStringLiteral("Communication error - disconnected"));
}

// ---- The main window's command ----------------------------------------------

// The parts of the main window the command works with.
struct MainWindowStandIn {
  QWidget window;
  QAction upgradeItem{QStringLiteral("Upgrade SW")};
  QAction connectItem{QStringLiteral("Connect")};
  QAction disconnectItem{QStringLiteral("Disconnect")};
  QCheckBox* connectBox = new QCheckBox(&window);
  QTimer updateTimer;
  bool timeout = false;
  bool connectFails = false;
  bool connectRefused = false;  // stays unchecked without an error
  int com = WithSimulator::Com;
  std::vector<bool> connectClicks;

  MainWindowStandIn() {
    updateTimer.start(10000);
    QObject::connect(connectBox, &QCheckBox::toggled, [this](bool checked) {
      connectClicks.push_back(checked);
      if (checked && connectRefused) {
        connectBox->setChecked(false);
        return;
      }
      if (checked && connectFails) {
        connectBox->setChecked(false);
        reportException(std::make_exception_ptr(std::runtime_error("Can't open device COM7")));
        return;
      }
      connectItem.setEnabled(!checked);
      disconnectItem.setEnabled(checked);
    });
  }
  UpgradeHandOver host() {
    UpgradeHandOver h;
    h.mainWindow = &window;
    h.upgradeItem = &upgradeItem;
    h.connectItem = &connectItem;
    h.disconnectItem = &disconnectItem;
    h.connectBox = connectBox;
    h.updateTimer = &updateTimer;
    h.timeoutShown = [this] { return timeout; };
    h.comNumber = [this] { return com; };
    h.baudRate = [] { return 19200; };
    h.slaveAddress = [] { return uint8_t{1}; };
    return h;
  }
};

TEST(UpgradeCommandTest, RefusedWhileTheFrameShowsTimeout) {
  MainWindowStandIn main;
  main.connectBox->setChecked(true);
  main.timeout = true;
  scriptedPrompts().expect(PromptKind::Information, true);
  RunFirmwareUpgrade(main.host());
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral("Timeout.")});
  EXPECT_TRUE(main.connectBox->isChecked()) << "the main window stays connected";
  EXPECT_TRUE(main.updateTimer.isActive());
  EXPECT_TRUE(main.upgradeItem.isEnabled());
  EXPECT_EQ(FindProgrammerWindow(&main.window), nullptr);
}

TEST(UpgradeCommandTest, FailedConnectIsReportedOnce) {
  MainWindowStandIn main;
  main.connectFails = true;
  scriptedPrompts().expect(PromptKind::Error, true);
  RunFirmwareUpgrade(main.host());
  ASSERT_EQ(scriptedPrompts().records().size(), 1u);
  EXPECT_EQ(scriptedPrompts().records()[0].text, QStringLiteral("Can't open device COM7"));
  EXPECT_TRUE(main.upgradeItem.isEnabled());
  EXPECT_EQ(FindProgrammerWindow(&main.window), nullptr);
}

TEST(UpgradeCommandTest, RefusedWhenTheMainWindowCannotConnect) {
  MainWindowStandIn main;
  main.connectRefused = true;
  scriptedPrompts().expect(PromptKind::Information, true);
  RunFirmwareUpgrade(main.host());
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral("Communication port is inactive.")});
  EXPECT_TRUE(main.upgradeItem.isEnabled());
  EXPECT_TRUE(main.updateTimer.isActive());
}

TEST(UpgradeCommandTest, PortOfTheWindowThatCannotOpenShowsNoWindow) {
  MainWindowStandIn main;
  main.com = 250;  // no device behind it
  scriptedPrompts().expect(PromptKind::Error, true);
  bool shown = false;
  QTimer::singleShot(200, [&] {
    if (TForm_Programmer* f = FindProgrammerWindow(&main.window); f && f->isVisible()) {
      shown = true;
      f->done(QDialog::Rejected);
    }
  });
  RunFirmwareUpgrade(main.host());
  EXPECT_FALSE(shown);
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error).size(), 1u);
  EXPECT_FALSE(main.connectBox->isChecked());
  EXPECT_TRUE(main.connectItem.isEnabled());
  EXPECT_FALSE(main.disconnectItem.isEnabled());
  EXPECT_TRUE(main.updateTimer.isActive());
  EXPECT_TRUE(main.upgradeItem.isEnabled());
}

TEST_F(WithSimulator, CommandHandsThePortOverAndTakesItBack) {
  MainWindowStandIn main;
  main.window.show();
  bool checked = false;
  QTimer::singleShot(0, [&] {
    TForm_Programmer* f = FindProgrammerWindow(&main.window);
    ASSERT_NE(f, nullptr);
    checked = true;
    EXPECT_TRUE(f->isVisible());
    EXPECT_FALSE(main.window.isVisible());
    EXPECT_TRUE(f->AfComPort1.IsOpen());
    EXPECT_EQ(f->AfComPort1.ComNumber(), Com);
    EXPECT_EQ(f->AfComPort1.UserBaudRate(), 19200);
    EXPECT_EQ(f->Timer1->interval(), 500);
    EXPECT_FALSE(main.connectBox->isChecked()) << "the main window let go of the port";
    EXPECT_FALSE(main.updateTimer.isActive());
    EXPECT_FALSE(main.upgradeItem.isEnabled());
    EXPECT_FALSE(main.connectItem.isEnabled());
    EXPECT_TRUE(main.disconnectItem.isEnabled());
    EXPECT_TRUE(waitUntil([&] { return !f->Lb_FWVer->text().isEmpty(); }, 3000));
    f->Button_Close->click();
  });
  RunFirmwareUpgrade(main.host());
  EXPECT_TRUE(checked);
  EXPECT_TRUE(main.window.isVisible());
  EXPECT_TRUE(main.connectBox->isChecked()) << "connected again";
  EXPECT_EQ(main.connectClicks, (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(main.updateTimer.isActive());
  EXPECT_TRUE(main.upgradeItem.isEnabled());
  TForm_Programmer* form = FindProgrammerWindow(&main.window);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->AfComPort1.IsOpen());
  EXPECT_EQ(form->Lb_FWVer->text(), QStringLiteral("Gateway FW version: V1.09"));

  // Again, the same window; unchecking "Connected" before closing leaves the main window disconnected.
  QTimer::singleShot(0, [&] {
    EXPECT_EQ(FindProgrammerWindow(&main.window), form);
    EXPECT_TRUE(form->Lb_FWVer->text().isEmpty()) << "cleared when shown";
    form->CheckBox1->setChecked(false);
    form->Button_Close->click();
  });
  RunFirmwareUpgrade(main.host());
  EXPECT_FALSE(main.connectBox->isChecked());
  EXPECT_TRUE(main.connectItem.isEnabled());
  EXPECT_FALSE(main.disconnectItem.isEnabled());
  EXPECT_TRUE(main.updateTimer.isActive());
}

}  // namespace
