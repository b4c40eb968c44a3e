// The trend chart on the main window's poll of the simulated gateway: thermometers are
// ticked, a channel in error leaves a gap, and warming one sensor marks its channel.
#include "FrameBlinker.h"
#include "Main.h"
#include "MainTestFixture.h"
#include "Scenario.h"
#include "TrendChartWindow.h"
#include "uFrame_SensorBox.h"

#include <QLineSeries>
#include <QPushButton>

namespace pellix::test {
namespace {

class TrendChartWindowTest : public MainWindowFixture {
 protected:
  void Start() {
    std::string error;
    auto scenario = gwsim::loadScenario(PELLIX_SCENARIO, &error);
    ASSERT_TRUE(scenario) << error;
    makeForm();
    gwsim::Simulator& gateway = startGateway(17, std::move(scenario->model));
    gateway.setSlaveAddress(scenario->slaveAddress);
    // Steady sensors: only the one the test warms moves.
    gateway.withModel([](gwsim::GatewayModel& m) {
      for (gwsim::Device& d : m.devices()) d.swing = 0;
    });
    pick(komunikace().ComboBox_BaudRate, 13);
    pick(komunikace().ComboBox_Addr, scenario->slaveAddress - 1);
    form->TrendChart1->trigger();
    chart = form->TrendChart();
    ASSERT_NE(chart, nullptr);
    connectBox().click();
  }

  // Channel number (1..40) of the first assigned thermometer of the gateway, and its device.
  std::pair<int, gwsim::RomCode> FirstThermometer() {
    return sim->withModel([](gwsim::GatewayModel& m) {
      for (int c = 0; c < 40; ++c) {
        const auto rom = m.assignment(c);
        const gwsim::Device* d = rom ? m.findDevice(*rom) : nullptr;
        if (d && d->present && trend::HasTemperature(static_cast<uint8_t>(m.channelRegisters(c)[0] >> 8)))
          return std::make_pair(c + 1, *rom);
      }
      return std::make_pair(0, gwsim::RomCode{});
    });
  }

  trend::TrendChartWindow* chart = nullptr;
};

TEST_F(TrendChartWindowTest, WarmingOneSensorMarksItsChannelAndBlinksItsBox) {
  Start();
  const auto [channel, rom] = FirstThermometer();
  ASSERT_GT(channel, 0);
  // One round of the poll: every channel has a point.
  ASSERT_TRUE(waitUntil([&] { return chart->Store().Last(40).has_value(); }, 10000));
  EXPECT_TRUE(chart->Ticked(channel));
  EXPECT_EQ(chart->windowTitle(), QStringLiteral("Trend chart"));

  chart->Button_Identify->click();
  EXPECT_EQ(chart->Identified(), 0) << "steady sensors: nothing to identify yet";
  sim->withModel([&](gwsim::GatewayModel& m) { m.findDevice(rom)->temperature += 3.0; });
  ASSERT_TRUE(waitUntil([&] { return chart->Identified() != 0; }, 10000));
  EXPECT_EQ(chart->Identified(), channel);
  EXPECT_FALSE(chart->Button_Identify->isChecked());
  const trend::FrameBlinker* blinker = trend::FrameBlinker::Of(form->ChannelBoxes[channel - 1]);
  ASSERT_NE(blinker, nullptr);
  EXPECT_FALSE(blinker->isHidden());
  EXPECT_TRUE(blinker->FrameShown());
  chart->Redraw();
  ASSERT_FALSE(chart->SeriesOf(channel).empty());
  EXPECT_EQ(chart->SeriesOf(channel).front()->pen().width(), 4);
  connectBox().click();
}

TEST_F(TrendChartWindowTest, AChannelInErrorIsAGapNotAZero) {
  Start();
  const auto [channel, rom] = FirstThermometer();
  ASSERT_GT(channel, 0);
  const auto points = [&, c = channel] { return chart->Store().Points(c).size(); };
  ASSERT_TRUE(waitUntil([&] { return points() >= 2; }, 10000));
  sim->withModel([&](gwsim::GatewayModel& m) { m.findDevice(rom)->present = false; });
  ASSERT_TRUE(waitUntil(
      [&] { return !chart->Store().Points(channel).empty() && chart->Store().Points(channel).back().Gap; },
      10000));
  sim->withModel([&](gwsim::GatewayModel& m) { m.findDevice(rom)->present = true; });
  const std::size_t afterGap = chart->Store().Points(channel).size();
  ASSERT_TRUE(waitUntil(
      [&] {
        return chart->Store().Points(channel).size() > afterGap && !chart->Store().Points(channel).back().Gap;
      },
      10000));
  chart->Redraw();
  const auto series = chart->SeriesOf(channel);
  ASSERT_EQ(series.size(), 2u);
  for (const QPointF& p : series[0]->points()) EXPECT_GT(p.y(), 5.0) << "no zero drawn for the error";
  // The CSV holds the recorder's header and an empty field where the channel was in error.
  const QList<QStringList> rows = chart->CsvRows();
  ASSERT_GT(rows.size(), 8);
  EXPECT_EQ(rows[0].value(0), QStringLiteral("Application:"));
  EXPECT_EQ(rows[6].value(channel), QStringLiteral("value1 [°C]"));
  bool empty = false, filled = false;
  for (int r = 7; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), 41);
    (rows[r][channel].isEmpty() ? empty : filled) = true;
  }
  EXPECT_TRUE(empty);
  EXPECT_TRUE(filled);
  connectBox().click();
}

}  // namespace
}  // namespace pellix::test
