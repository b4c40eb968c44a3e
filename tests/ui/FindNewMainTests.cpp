// The search views inside the main window, against the simulated gateway.
#include "MainTestFixture.h"

#include "Frame_ServiceRegSensorBox.h"
#include "GWYKomunikator.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

using pellix::PromptKind;
using pellix::test::MainWindowFixture;
using pellix::test::scriptedPrompts;
using pellix::test::waitUntil;
namespace gwsim = pellix::gwsim;

// The single-register writes (function 6) that reached the gateway: (address, value).
class WriteLog {
 public:
  void attach(gwsim::Simulator& sim) {
    sim.setLogHandler([this](const gwsim::LogEntry& e) {
      if (e.kind != gwsim::LogEntry::Kind::Request || e.bytes.size() < 8 || e.bytes[1] != 6) return;
      std::lock_guard<std::mutex> lock(mutex_);
      writes_.emplace_back(static_cast<uint16_t>(e.bytes[2] << 8 | e.bytes[3]),
                           static_cast<uint16_t>(e.bytes[4] << 8 | e.bytes[5]));
    });
  }
  std::vector<std::pair<uint16_t, uint16_t>> writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<uint16_t, uint16_t>> writes_;
};

class FindNewMain : public MainWindowFixture {
 protected:
  // A gateway with unassigned devices on both lines, connected on COM 5.
  void connectToGateway() {
    gwsim::GatewayModel model;
    for (uint64_t serial = 1; serial <= 3; ++serial) {
      gwsim::Device d;
      d.rom = gwsim::RomCode::make(0x28, 0x1000 + serial);
      d.line = 0;
      model.addDevice(d);
    }
    gwsim::Device other;
    other.rom = gwsim::RomCode::make(0x10, 0x2001);
    other.line = 1;
    model.addDevice(other);
    startGateway(5, std::move(model));
    log.attach(*sim);
    connectBox().setChecked(true);
    ASSERT_TRUE(form->GWYKomunikator->IsActive());
  }

  // The search view's buttons are disabled until something was found; the operator's
  // click on an enabled one is what the handler sees.
  void clickSave(TFrame_SensorNewBox* slot) {
    ASSERT_TRUE(slot->SpeedButton_Save->isEnabled());
    slot->SpeedButton_Save->click();
  }

  bool wroteTo(uint16_t address, uint16_t value, int timeoutMs = 6000) {
    return waitUntil(
        [&] {
          for (const auto& w : log.writes())
            if (w.first == address && w.second == value) return true;
          return false;
        },
        timeoutMs);
  }

  WriteLog log;
};

TEST_F(FindNewMain, AddNewOpensTheLinesSearchAndCloseReturns) {
  TMainForm& f = makeForm();
  f.Frame_LineTab1->SpeedButton_AddNew->click();
  EXPECT_FALSE(f.Frame_FindNewTab1->isHidden());
  EXPECT_TRUE(f.Frame_FindNewTab2->isHidden());
  EXPECT_FALSE(f.Frame_LineTab1->SpeedButton_AddNew->isEnabled());
  EXPECT_FALSE(f.Frame_LineTab1->Boxes[0]->SpeedButton_Edit->isHidden());
  EXPECT_TRUE(f.Frame_LineTab2->Boxes[0]->SpeedButton_Edit->isHidden());
  f.Frame_FindNewTab1->Button_Close->click();
  EXPECT_TRUE(f.Frame_FindNewTab1->isHidden());
  EXPECT_TRUE(f.Frame_LineTab1->SpeedButton_AddNew->isEnabled());
  EXPECT_TRUE(f.Frame_LineTab1->Boxes[0]->SpeedButton_Edit->isHidden());
  EXPECT_FALSE(f.Frame_LineTab1->Boxes[0]->SpeedButton_DescrSwitch->isHidden());
}

TEST_F(FindNewMain, BothLinesCanSearchAtOnce) {
  TMainForm& f = makeForm();
  f.Frame_LineTab1->SpeedButton_AddNew->click();
  f.Frame_LineTab2->SpeedButton_AddNew->click();
  EXPECT_FALSE(f.Frame_FindNewTab1->isHidden());
  EXPECT_FALSE(f.Frame_FindNewTab2->isHidden());
  f.Frame_FindNewTab2->Button_Close->click();
  EXPECT_FALSE(f.Frame_FindNewTab1->isHidden());
  EXPECT_FALSE(f.Frame_LineTab2->SpeedButton_AddNew->isHidden());
  EXPECT_TRUE(f.Frame_LineTab2->SpeedButton_AddNew->isEnabled());
}

TEST_F(FindNewMain, SavingWhileDisconnectedAsksNothing) {
  TMainForm& f = makeForm();
  f.ResultSlots[2]->UpdateSlot({3, {0x2800, 0, 0, 1}, 4});
  scriptedPrompts().expect(PromptKind::Information);
  f.ResultSlots[2]->SpeedButton_Save->click();
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral("Communication port is inactive.")});
  EXPECT_TRUE(scriptedPrompts().texts(PromptKind::InputQuery).empty());
}

TEST_F(FindNewMain, SearchWhileDisconnectedStillClearsTheView) {
  TMainForm& f = makeForm();
  f.ResultSlots[0]->UpdateSlot({1, {0x2800, 0, 0, 1}, 4});
  scriptedPrompts().setAutoAcknowledge(true);
  f.Frame_FindNewTab1->Button_FindNewAll->click();
  EXPECT_FALSE(f.ResultSlots[0]->SpeedButton_Save->isEnabled());
  EXPECT_TRUE(f.ResultSlots[0]->Label_ROMCode->text().isEmpty());
}

TEST_F(FindNewMain, FindNewShowsTheOneNewDevice) {
  gwsim::GatewayModel model;
  gwsim::Device d;
  d.rom = gwsim::RomCode::make(0x28, 0xA1B2C3);
  model.addDevice(d);
  TMainForm& f = makeForm();
  startGateway(5, std::move(model));
  connectBox().setChecked(true);
  ASSERT_TRUE(f.GWYKomunikator->IsActive());
  f.Frame_FindNewTab1->Button_FindNew->click();
  ASSERT_TRUE(
      waitUntil([&] { return f.Frame_FindNewTab1->Label_Command->text() == "Command: 0x05FF"; }, 8000));
  EXPECT_EQ(f.Frame_FindNewTab1->Label_NewROMCode->text(), "New: " + QString::fromStdString(d.rom.hex()));
  EXPECT_EQ(f.Frame_FindNewTab1->Label_Status->text(), QStringLiteral("Operation status: OK (0xFFFF)"));
  EXPECT_EQ(f.Frame_FindNewTab2->Label_Command->text(), QStringLiteral("Command: 0x0000"));
}

TEST_F(FindNewMain, FoundDeviceIsSavedIntoTheChosenChannel) {
  TMainForm& f = makeForm();
  connectToGateway();
  f.Frame_FindNewTab1->Button_FindNewAll->click();
  ASSERT_TRUE(waitUntil([&] { return f.ResultSlots[2]->SpeedButton_Save->isEnabled(); }, 8000));
  EXPECT_TRUE(f.ResultSlots[3]->Label_ROMCode->text().isEmpty());  // three devices, three results
  const int x = f.ResultSlots[1]->DeviceIndex;

  // Outside LINE 1's channels: refused, nothing sent.
  scriptedPrompts().expect(PromptKind::InputQuery, true, QStringLiteral("20"));
  scriptedPrompts().expect(PromptKind::Error);
  clickSave(f.ResultSlots[1]);
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error),
            std::vector<QString>{QStringLiteral("Incorrect input. Enter a channel number 0 to 19.")});

  scriptedPrompts().expect(PromptKind::InputQuery, true, QStringLiteral(" 7 "));
  clickSave(f.ResultSlots[1]);
  EXPECT_EQ(scriptedPrompts().records().back().caption, QStringLiteral("Save device with index: %1").arg(x));
  ASSERT_TRUE(wroteTo(1010, static_cast<uint16_t>((0x80 + x) * 256 + 7)));
  for (const auto& w : log.writes())
    EXPECT_NE(w.second, (0x80 + x) * 256 + 20) << "a refused target was sent";
  // The gateway stores it; the channel box shows it at the next read of its block.
  const QString rom = f.ResultSlots[1]->Label_ROMCode->text();
  EXPECT_TRUE(waitUntil([&] { return f.ChannelBoxes[7]->RomCodeText() == rom; }, 8000));
}

TEST_F(FindNewMain, LineTwoTakesItsOwnChannelsAndRegister) {
  TMainForm& f = makeForm();
  connectToGateway();
  f.Frame_FindNewTab2->Button_FindNewAll->click();
  TFrame_SensorNewBox* slot = f.ResultSlots[20];
  ASSERT_TRUE(waitUntil([&] { return slot->SpeedButton_Save->isEnabled(); }, 8000));
  scriptedPrompts().expect(PromptKind::InputQuery, true, QStringLiteral("19"));
  scriptedPrompts().expect(PromptKind::Error);
  clickSave(slot);
  EXPECT_EQ(scriptedPrompts().records().front().text,
            QStringLiteral("Enter target position (channel number 20-39): "));
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error),
            std::vector<QString>{QStringLiteral("Incorrect input. Enter a channel number 20 to 39.")});
  scriptedPrompts().expect(PromptKind::InputQuery, true, QStringLiteral("25"));
  clickSave(slot);
  EXPECT_TRUE(wroteTo(1020, static_cast<uint16_t>((0x80 + slot->DeviceIndex) * 256 + 25)));
}

TEST_F(FindNewMain, HighDeviceIndexKeepsOnlyTheLowByteOfTheCommand) {
  TMainForm& f = makeForm();
  connectToGateway();
  // A result with the gateway's index 0x90.
  f.ResultSlots[0]->UpdateSlot({1, {0x2800, 0, 0, 0x0055}, 0x90});
  scriptedPrompts().expect(PromptKind::InputQuery, true, QStringLiteral("5"));
  clickSave(f.ResultSlots[0]);
  EXPECT_TRUE(wroteTo(1010, 0x1005));
}

}  // namespace
