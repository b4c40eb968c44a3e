// The main window feeding its line views, search views and version lines from the
// poll, and the channel boxes' actions.
#include "MainTestFixture.h"

#include "Frame_ServiceRegSensorBox.h"
#include "GWYKomunikator.h"
#include "StrConsts.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLocale>

#include <optional>

namespace {

using pellix::PromptKind;
using pellix::test::MainWindowFixture;
using pellix::test::scriptedPrompts;
using pellix::test::waitUntil;
namespace gwsim = pellix::gwsim;

using Block = std::array<uint16_t, 100>;

const QColor HotLight(0, 102, 204);
const QColor FaultRed(210, 0, 0);

// A channel block in which every channel holds a DS18B20 at 20.0 °C, status OK; the
// ROM code's last word is the channel number so each box shows its own.
Block ChannelBlock(uint16_t start) {
  Block b{};
  const int first = start / 10 + 1;
  for (int k = 0; k < 10; ++k) {
    uint16_t* r = &b[k * 10];
    r[0] = 0x28AA;
    r[3] = static_cast<uint16_t>(first + k);
    r[4] = 200;
  }
  return b;
}

void SetStatus(Block& b, int channelNumber, uint16_t statusRegister) {
  b[((channelNumber - 1) % 10) * 10 + 9] = statusRegister;
}

class Dispatch : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    QLocale::setDefault(QLocale(QLocale::English));
  }
  void TearDown() override {
    QLocale::setDefault(QLocale::system());
    SetLanguage(LanguageEnglish);
    MainWindowFixture::TearDown();
  }
  QString caption(TFrame_LineTab* line) { return line->Label_Caption->text(); }
};

// The layout requests and paint events the whole program sees, by widget name.
class WindowEvents : public QObject {
 public:
  WindowEvents() { qApp->installEventFilter(this); }
  ~WindowEvents() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::LayoutRequest) layouts << o->objectName();
    if (e->type() == QEvent::Paint) painted << o->objectName();
    return false;
  }
  QStringList layouts, painted;
};

// A poll round after the first: the same channels again, free ones included, one value
// moved, one more request and reply counted. Nothing is laid out anew, and only the
// labels whose text changed are painted (not the boxes or frames beneath them).
TEST_F(Dispatch, SteadyPollingLaysNothingOutAndPaintsOnlyWhatChanged) {
  TMainForm& f = makeForm();
  f.show();
  std::array<Block, 4> blocks;
  for (int i = 0; i < 4; ++i) blocks[i] = ChannelBlock(static_cast<uint16_t>(i * 100));
  for (int channel : {5, 17, 33}) SetStatus(blocks[channel / 10], channel, 255);
  auto round = [&](int requests) {
    for (int i = 0; i < 4; ++i) f.DispatchRegisterBlock(blocks[i], static_cast<uint16_t>(i * 100));
    f.Frame_Komunikace1->ShowCounters({requests, requests, 0, false});
  };
  round(4);
  // Until the window is shown, laid out and painted.
  for (int quiet = 0, i = 0; quiet < 3 && i < 100; ++i) {
    WindowEvents settling;
    pellix::test::processEventsFor(30);
    quiet = settling.layouts.isEmpty() && settling.painted.isEmpty() ? quiet + 1 : 0;
  }

  blocks[0][4] = 215;  // channel 1: 20.0 °C -> 21.5 °C
  WindowEvents seen;
  round(5);
  pellix::test::processEventsFor(50);
  EXPECT_EQ(seen.layouts.join(' '), "");
  seen.painted.sort();
  EXPECT_EQ(seen.painted.join(' '), "Label_Rx Label_Tx Label_Value1");
  EXPECT_EQ(f.ChannelBoxes[0]->Label_Value1->text(), "21.5 \u00B0C");
}

TEST_F(Dispatch, BlockAt200FillsChannels21To30OnlyAndRecomputesBothCaptions) {
  TMainForm& f = makeForm();
  f.DispatchRegisterBlock(ChannelBlock(200), 200);
  for (int c = 1; c <= 40; ++c) {
    TFrame_SensorBox* box = f.ChannelBoxes[c - 1];
    if (c >= 21 && c <= 30) {
      EXPECT_EQ(box->Label_ROMCode->text(),
                QStringLiteral("28AA00000000%1").arg(c, 4, 16, QChar('0')).toUpper())
          << c;
      EXPECT_EQ(box->Label_Value1->text(), "20.0 °C");
      EXPECT_EQ(box->BackgroundColour(), QColor(215, 255, 215));
    } else {
      EXPECT_EQ(box->Label_ROMCode->text(), "") << c;
      EXPECT_EQ(box->BackgroundColour(), QColor(255, 255, 255)) << c;
    }
  }
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1 - OK");
  EXPECT_EQ(caption(f.Frame_LineTab2), "LINE 2 - OK");
}

TEST_F(Dispatch, LastFaultyBoxOfTheLineNamesTheLineState) {
  TMainForm& f = makeForm();
  Block b0 = ChannelBlock(0);
  SetStatus(b0, 6, 2);  // Ch5: short circuit
  Block b1 = ChannelBlock(100);
  SetStatus(b1, 18, 1);  // Ch17: line in high
  f.DispatchRegisterBlock(b0, 0);
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1 - Short circuit");
  f.DispatchRegisterBlock(b1, 100);
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1 - Line in high");
  EXPECT_EQ(f.Frame_LineTab1->BackgroundColour(), FaultRed);
  EXPECT_EQ(caption(f.Frame_LineTab2), "LINE 2 - OK");
  EXPECT_EQ(f.Frame_LineTab2->BackgroundColour(), HotLight);

  // A block of the other line recomputes this line too, from what its boxes hold.
  f.DispatchRegisterBlock(ChannelBlock(300), 300);
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1 - Line in high");

  f.DispatchRegisterBlock(ChannelBlock(0), 0);
  f.DispatchRegisterBlock(ChannelBlock(100), 100);
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1 - OK");
  EXPECT_EQ(f.Frame_LineTab1->BackgroundColour(), HotLight);
}

TEST_F(Dispatch, StatusIsTheLowByteOfTheStatusRegister) {
  TMainForm& f = makeForm();
  Block b = ChannelBlock(300);
  SetStatus(b, 35, 0x0102);
  SetStatus(b, 36, 0x01FF);
  f.DispatchRegisterBlock(b, 300);
  EXPECT_EQ(f.ChannelBoxes[34]->LastRecord.Status, 2);
  EXPECT_EQ(caption(f.Frame_LineTab2), "LINE 2 - Short circuit");
  EXPECT_EQ(f.ChannelBoxes[35]->Label_ROMCode->text(), "");  // free
}

TEST_F(Dispatch, UnreadRomCodesOnAFaultyLineKeepTheBoxesShowing) {
  TMainForm& f = makeForm();
  f.DispatchRegisterBlock(ChannelBlock(0), 0);
  Block fault{};
  for (int k = 0; k < 10; ++k) {
    for (int w = 0; w < 4; ++w) fault[k * 10 + w] = 0xFFFF;
    fault[k * 10 + 9] = 1;
  }
  f.DispatchRegisterBlock(fault, 0);
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1 - Line in high");
  EXPECT_EQ(f.ChannelBoxes[0]->Label_ROMCode->text(), "28AA000000000001");
  EXPECT_EQ(f.ChannelBoxes[0]->BackgroundColour(), QColor(215, 255, 215));
  EXPECT_EQ(f.ChannelBoxes[0]->RomCodeText(), "FFFFFFFFFFFFFFFF");
}

// Service block: versions, the settings dialog's copy and both search views.
Block ServiceBlock() {
  Block b{};
  b[0] = 109;      // firmware
  b[9] = 200;      // hardware
  b[10] = 0x05FF;  // LINE 1 command
  b[11] = 0xFFFF;
  b[12] = 0x28AB;
  b[20] = 0x07FF;  // LINE 2 command
  b[21] = 0xEEE4;
  return b;
}

TEST_F(Dispatch, ServiceBlockFillsVersionsAndBothSearchViews) {
  TMainForm& f = makeForm();
  f.DispatchRegisterBlock(ServiceBlock(), 1000);
  EXPECT_EQ(f.Label_SWVer->text(), "Gateway FW version: V1.09");
  EXPECT_EQ(f.Label_HWVer->text(), "Gateway HW version: V2.00");
  EXPECT_EQ(f.Frame_FindNewTab1->Label_Command->text(), "Command: 0x05FF");
  EXPECT_EQ(f.Frame_FindNewTab1->Label_NewROMCode->text(), "New: 28AB000000000000");
  EXPECT_EQ(f.Frame_FindNewTab2->Label_Command->text(), "Command: 0x07FF");
  EXPECT_EQ(f.Frame_FindNewTab2->Label_Status->text(),
            "Operation status: CRC error when reading ROM code (0xEEE4)");
  // Channel views are not touched by it.
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1");
}

TEST_F(Dispatch, VersionLinesFollowTheLanguage) {
  TMainForm& f = makeForm();
  SetLanguage(LanguageCzech);
  Block b = ServiceBlock();
  b[0] = 1234;
  b[9] = 5;
  f.DispatchRegisterBlock(b, 1000);
  EXPECT_EQ(f.Label_SWVer->text(), "Verze FW: V12.34");
  EXPECT_EQ(f.Label_HWVer->text(), "Verze HW: V0.05");
}

TEST_F(Dispatch, SearchResultBlocksGoToTheirLinesSlots) {
  TMainForm& f = makeForm();
  Block r1{};
  r1[0] = 0x2811;
  r1[4] = 3;
  Block r2{};
  r2[5] = 0x1022;
  r2[9] = 7;
  f.DispatchRegisterBlock(r1, 1100);
  f.DispatchRegisterBlock(r2, 1200);
  EXPECT_EQ(f.ResultSlots[0]->Label_ROMCode->text(), "2811000000000000");
  EXPECT_EQ(f.ResultSlots[0]->DeviceIndex, 3);
  EXPECT_EQ(f.ResultSlots[21]->Label_ROMCode->text(), "1022000000000000");
  EXPECT_EQ(f.ResultSlots[21]->DeviceIndex, 7);
  EXPECT_EQ(f.ResultSlots[20]->Label_ROMCode->text(), "");
  EXPECT_EQ(f.ResultSlots[1]->Label_ROMCode->text(), "");
}

TEST_F(Dispatch, UnknownBlocksAreIgnored) {
  TMainForm& f = makeForm();
  for (uint16_t start : {uint16_t(400), uint16_t(50), uint16_t(1300), uint16_t(1001)})
    f.DispatchRegisterBlock(ChannelBlock(0), start);
  for (TFrame_SensorBox* box : f.ChannelBoxes) EXPECT_EQ(box->Label_ROMCode->text(), "");
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1");
  EXPECT_EQ(f.Label_SWVer->text(), "");
}

TEST_F(Dispatch, ClearViewsResetsEverythingButDescriptions) {
  TMainForm& f = makeForm();
  Block b = ChannelBlock(100);
  SetStatus(b, 12, 2);
  f.DispatchRegisterBlock(b, 100);
  f.DispatchRegisterBlock(ServiceBlock(), 1000);
  Block r{};
  r[0] = 0x2811;
  f.DispatchRegisterBlock(r, 1100);
  f.ChannelBoxes[12]->SetDescription("Cellar");

  f.ClearViews();
  EXPECT_EQ(f.Label_SWVer->text(), "");
  EXPECT_EQ(f.Label_HWVer->text(), "");
  EXPECT_EQ(caption(f.Frame_LineTab1), "LINE 1");
  EXPECT_EQ(f.Frame_LineTab1->BackgroundColour(), HotLight);
  EXPECT_EQ(f.ChannelBoxes[12]->Label_ROMCode->text(), "");
  EXPECT_EQ(f.ChannelBoxes[12]->RomCodeText(), "0000000000000000");
  EXPECT_EQ(f.ChannelBoxes[12]->Description, "Cellar");
  EXPECT_EQ(f.Frame_FindNewTab1->Label_Command->text(), "");
  EXPECT_EQ(f.ResultSlots[0]->Label_ROMCode->text(), "");
}

// ---- ROM code editor ----

TEST_F(Dispatch, InvalidRomCodeIsRefusedAndAskedAgainWithTheOperatorsText) {
  TMainForm& f = makeForm();
  f.DispatchRegisterBlock(ChannelBlock(100), 100);
  TFrame_SensorBox* box = f.ChannelBoxes[12];
  auto& p = scriptedPrompts();
  p.expect(PromptKind::MaskInputQuery, true, "28FF0A1B2C3D4E5G");  // pasted, one letter beyond F
  p.expect(PromptKind::Error);
  p.expect(PromptKind::MaskInputQuery, false);
  // The click on the ROM code in ROM code mode is what opens the editor.
  box->Label_ROMCode->OnClick();
  const auto& rec = p.records();
  ASSERT_EQ(rec.size(), 3u);
  EXPECT_EQ(rec[0].caption, "ROM Code - Channel 12");
  EXPECT_EQ(rec[0].text, "Write a new value in HEX format: \nFF-FF-FF-FF-FF-FF-FF-FF");
  EXPECT_EQ(rec[0].value, "28AA00000000000D");
  EXPECT_EQ(rec[1].kind, PromptKind::Error);
  EXPECT_EQ(rec[1].text, "   Invalid input data.   ");
  EXPECT_EQ(rec[2].kind, PromptKind::MaskInputQuery);
  EXPECT_EQ(rec[2].value, "28FF0A1B2C3D4E5G");
}

TEST_F(Dispatch, ValidRomCodeWhileDisconnectedSaysThePortIsInactive) {
  TMainForm& f = makeForm();
  auto& p = scriptedPrompts();
  p.expect(PromptKind::MaskInputQuery, true, "28ff0a1b2c3d4e5f");
  p.expect(PromptKind::Information);
  f.EditRomCode(f.ChannelBoxes[39]);
  EXPECT_EQ(p.records()[0].caption, "ROM Code - Channel 39");
  EXPECT_EQ(p.texts(PromptKind::Information), std::vector<QString>{"Communication port is inactive."});
}

TEST_F(Dispatch, EditedRomCodeReachesTheGatewayAndComesBackInTheBox) {
  TMainForm& f = makeForm();
  startGateway(5);
  connectBox().setChecked(true);
  ASSERT_TRUE(f.GWYKomunikator->IsActive());
  TFrame_SensorBox* box = f.ChannelBoxes[24];
  scriptedPrompts().expect(PromptKind::MaskInputQuery, true, "28FF0A1B2C3D4E5F");
  f.EditRomCode(box);
  const std::array<uint16_t, 4> expected{0x28FF, 0x0A1B, 0x2C3D, 0x4E5F};
  EXPECT_TRUE(waitUntil(
      [&] {
        const auto regs = sim->withModel([](gwsim::GatewayModel& m) { return m.channelRegisters(24); });
        return std::equal(expected.begin(), expected.end(), regs.begin());
      },
      8000));
  EXPECT_TRUE(waitUntil([&] { return box->RomCodeText() == "28FF0A1B2C3D4E5F"; }, 8000));
}

// ---- Save new and Delete ----

class BoxActions : public Dispatch {
 protected:
  // One device on the line of the given channel index, assigned there when asked,
  // and the window connected to the gateway.
  gwsim::RomCode ConnectWithDevice(uint8_t family, int channelIndex, bool assigned) {
    gwsim::GatewayModel model;
    gwsim::Device d;
    d.rom = gwsim::RomCode::make(family, 0x700 + channelIndex);
    d.line = channelIndex / 20;
    model.addDevice(d);
    if (assigned) model.assign(channelIndex, d.rom);
    makeForm();
    startGateway(5, std::move(model));
    connectBox().setChecked(true);
    EXPECT_TRUE(form->GWYKomunikator->IsActive());
    return d.rom;
  }
  std::optional<gwsim::RomCode> Assignment(int channelIndex) {
    return sim->withModel([&](gwsim::GatewayModel& m) { return m.assignment(channelIndex); });
  }
};

TEST_F(BoxActions, DeleteFreesTheChannelAndTheBoxIsCleared) {
  const gwsim::RomCode rom = ConnectWithDevice(0x28, 39, true);
  TFrame_SensorBox* box = form->ChannelBoxes[39];
  ASSERT_TRUE(
      waitUntil([&] { return box->Label_ROMCode->text() == QString::fromStdString(rom.hex()); }, 8000));
  box->SpeedButton_Delete->click();
  EXPECT_TRUE(waitUntil([&] { return !Assignment(39).has_value(); }, 8000));
  EXPECT_TRUE(waitUntil([&] { return box->Label_ROMCode->text().isEmpty(); }, 8000));
  EXPECT_EQ(box->BackgroundColour(), QColor(255, 255, 255));
}

TEST_F(BoxActions, SaveNewStoresTheFoundDeviceInTheClickedChannel) {
  const gwsim::RomCode rom = ConnectWithDevice(0x10, 12, false);
  form->Frame_LineTab1->SpeedButton_AddNew->click();
  form->Frame_FindNewTab1->Button_FindNew->click();
  ASSERT_TRUE(waitUntil([&] { return form->Frame_FindNewTab1->Label_Status->text().contains("OK"); }, 8000));
  TFrame_SensorBox* box = form->ChannelBoxes[12];
  ASSERT_FALSE(box->SpeedButton_Edit->isHidden());
  box->SpeedButton_Edit->click();
  EXPECT_TRUE(waitUntil([&] { return box->RomCodeText() == QString::fromStdString(rom.hex()); }, 8000));
  EXPECT_TRUE(waitUntil([&] { return box->Label_Error->text() == "OK"; }, 8000));
  EXPECT_EQ(Assignment(12), rom);
}

}  // namespace
