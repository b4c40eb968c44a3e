// The Recorder menu of the main window, logging what a simulated gateway serves.
#include "MainTestFixture.h"
#include "RecorderTestUtil.h"
#include "uFrame_SensorBox.h"
#include "uFrm_RecSettings.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

using pellix::PromptKind;
using pellix::test::scriptedPrompts;
using pellix::test::waitUntil;
using recorder_test::FileRows;
namespace gwsim = pellix::gwsim;

class RecorderMainTest : public pellix::test::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    QLocale::setDefault(QLocale::c());
  }

  void AddDevice(gwsim::GatewayModel& model, uint8_t family, int channelIndex, double celsius) {
    gwsim::Device d;
    d.rom = gwsim::RomCode::make(family, 0x500 + channelIndex);
    d.line = channelIndex / 20;
    d.temperature = celsius;
    d.swing = 0;
    model.addDevice(d);
    model.assign(channelIndex, d.rom);
  }

  // A thermometer on channel index 0 and 25, an iButton on 3; connected at 115.2 kBd
  // until every channel was read and both thermometers show.
  TMainForm& ConnectedWindow() {
    gwsim::GatewayModel model;
    AddDevice(model, 0x28, 0, 21.0);
    AddDevice(model, 0x10, 25, -0.5);
    AddDevice(model, 0x01, 3, 0);
    TMainForm& f = makeForm();
    startGateway(3, std::move(model));
    pick(komunikace().ComboBox_BaudRate, 13);
    f.Connect1->trigger();
    EXPECT_TRUE(waitUntil(
        [&] {
          return f.ChannelBlocksRead() && f.ChannelBoxes[0]->LastRecord.RomCode[0] >> 8 == 0x28 &&
                 f.ChannelBoxes[25]->LastRecord.RomCode[0] >> 8 == 0x10;
        },
        8000));
    return f;
  }

  files_test::Folder folder;
};

TEST_F(RecorderMainTest, LogsTheBoxesTemperaturesAndGoesOnAcrossADisconnect) {
  TMainForm& f = ConnectedWindow();
  const QString path = folder.path("plant.csv");
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  f.Startlogging1->trigger();

  QList<QByteArray> rows = FileRows(path);
  ASSERT_EQ(rows.size(), 8);
  QList<QByteArray> sample = rows[7].split(',');
  ASSERT_EQ(sample.size(), 41);
  EXPECT_EQ(sample[1],
            "\"21.0 \xB0"
            "C\"");
  EXPECT_EQ(sample[4], "");  // the iButton
  EXPECT_EQ(sample[26],
            "\"-0.5 \xB0"
            "C\"");
  EXPECT_EQ(f.StatusPanel1->text(), QStringLiteral("Logging... (0)"));
  EXPECT_FALSE(f.Startlogging1->isEnabled());
  EXPECT_TRUE(f.StopLogging1->isEnabled());
  EXPECT_TRUE(f.Timer_recorder->isActive());
  EXPECT_EQ(f.Timer_recorder->interval(), 60000);

  f.Disconnect1->trigger();
  EXPECT_FALSE(f.Startlogging1->isEnabled());
  EXPECT_TRUE(f.StopLogging1->isEnabled());
  f.Timer_recorderTimer();
  EXPECT_EQ(FileRows(path).size(), 8);
  EXPECT_EQ(f.StatusPanel1->text(), QStringLiteral("Logging... (0)"));

  // Connecting clears the boxes: no sample until every channel block was read again,
  // or the log gets a row of empty fields.
  f.Connect1->trigger();
  EXPECT_FALSE(f.Startlogging1->isEnabled());
  f.Timer_recorderTimer();
  EXPECT_EQ(FileRows(path).size(), 8);
  EXPECT_EQ(f.StatusPanel1->text(), QStringLiteral("Logging... (0)"));
  ASSERT_TRUE(waitUntil([&] { return f.ChannelBlocksRead(); }, 8000));
  f.Timer_recorderTimer();
  rows = FileRows(path);
  ASSERT_EQ(rows.size(), 9);
  EXPECT_EQ(rows[8].split(',')[1],
            "\"21.0 \xB0"
            "C\"");
  EXPECT_EQ(f.StatusPanel1->text(), QStringLiteral("Logging... (1)"));

  f.StopLogging1->trigger();
  EXPECT_FALSE(f.Timer_recorder->isActive());
  EXPECT_TRUE(f.Startlogging1->isEnabled());
  EXPECT_FALSE(f.StopLogging1->isEnabled());
  EXPECT_EQ(f.StatusPanel1->text(), QStringLiteral("Logging stopped."));
  f.Disconnect1->trigger();
  EXPECT_FALSE(f.Startlogging1->isEnabled());
}

TEST_F(RecorderMainTest, TheOptionsPeriodIsTheNextLogsInterval) {
  TMainForm& f = ConnectedWindow();
  TForm_RecSettings& options = pellix::RecorderOptions();
  QTimer::singleShot(0, &options, [&] {
    options.SpinEdit_Period->setValue(30);
    options.Button_SAVE->click();
  });
  f.RecordOptions1->trigger();
  scriptedPrompts().expect(PromptKind::SaveFile, true, folder.path("a.csv"));
  f.Startlogging1->trigger();
  EXPECT_EQ(f.Timer_recorder->interval(), 30000);
}

}  // namespace
