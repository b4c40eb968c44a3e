// The monitor window on the main window's link to the simulated gateway: opened from the
// menu it listens, bad rows stand out and can be shown alone, and closed it costs nothing.
#include "Main.h"
#include "MainTestFixture.h"
#include "Scenario.h"
#include "TrafficMonitorWindow.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTableView>

namespace pellix::test {
namespace {

using monitor::ColDecoded;

class TrafficMonitorWindowTest : public MainWindowFixture {};

TEST_F(TrafficMonitorWindowTest, ListensWhileOpenAndShowsBadRowsOnTheirOwn) {
  std::string error;
  auto scenario = gwsim::loadScenario(PELLIX_SCENARIO, &error);
  ASSERT_TRUE(scenario) << error;
  TMainForm& f = makeForm();
  gwsim::Simulator& gateway = startGateway(16, std::move(scenario->model));
  gateway.setSlaveAddress(scenario->slaveAddress);
  gwsim::Faults faults;
  faults.noReply.count = 1;
  gateway.setFaults(faults);
  pick(komunikace().ComboBox_BaudRate, 13);
  pick(komunikace().ComboBox_Addr, scenario->slaveAddress - 1);

  EXPECT_EQ(f.GWYKomunikator->GetFrameObserver(), nullptr);
  f.TrafficMonitor1->trigger();
  monitor::TrafficMonitorWindow* w = f.TrafficMonitor();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Traffic monitor"));
  EXPECT_EQ(f.GWYKomunikator->GetFrameObserver(), w->Observer());
  ASSERT_NE(w->Observer(), nullptr);

  connectBox().click();
  ASSERT_TRUE(waitUntil([&] { return f.GWYKomunikator->GetPocitadlo().GetRx() >= 3; }, 10000));
  w->RefreshView();
  monitor::TrafficModel& m = w->Model();
  int bad = -1;
  for (int r = 0; r < m.rowCount(); ++r)
    if (m.Row(r).Cells[ColDecoded] == QStringLiteral("no reply (timeout)")) bad = r;
  ASSERT_GE(bad, 0);
  EXPECT_EQ(m.data(m.index(bad, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 215, 215));
  EXPECT_FALSE(m.data(m.index(bad + 1, 0), Qt::BackgroundRole).isValid());

  w->CheckBox_ErrorsOnly->click();
  ASSERT_EQ(m.rowCount(), 1);
  EXPECT_EQ(m.Row(0).Cells[ColDecoded], QStringLiteral("no reply (timeout)"));

  // Paused, the view keeps its rows while the log goes on growing.
  w->CheckBox_ErrorsOnly->click();
  w->Button_Pause->click();
  const int shown = m.rowCount();
  const uint64_t taken = w->Log().NextSequence();
  ASSERT_TRUE(waitUntil([&] { return w->Log().NextSequence() > taken + 2; }, 5000));
  w->RefreshView();
  EXPECT_EQ(m.rowCount(), shown);
  w->Button_Pause->click();
  EXPECT_GT(m.rowCount(), shown);

  w->close();
  EXPECT_EQ(f.GWYKomunikator->GetFrameObserver(), nullptr);
  const uint64_t afterClose = w->Log().NextSequence();
  const int tx = f.GWYKomunikator->GetPocitadlo().GetTx();
  ASSERT_TRUE(waitUntil([&] { return f.GWYKomunikator->GetPocitadlo().GetTx() > tx + 1; }, 5000));
  EXPECT_EQ(w->Log().NextSequence(), afterClose);
  connectBox().click();
}

}  // namespace
}  // namespace pellix::test
