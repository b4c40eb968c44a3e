// The traffic monitor and the trend chart: windows of their own that listen to the
// gateway client only while they are shown.
#include "FrameBlinker.h"
#include "Main.h"
#include "TrafficMonitorWindow.h"
#include "TrendChartWindow.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

namespace {

void ShowWindow(QWidget* w) {
  w->show();
  w->raise();
  w->activateWindow();
}

}  // namespace

void TMainForm::TrafficMonitor1Click() {
  if (!GWYKomunikator) return;
  if (!trafficMonitor_)
    trafficMonitor_ = new pellix::monitor::TrafficMonitorWindow(GWYKomunikator.get(), this);
  ShowWindow(trafficMonitor_);
}

void TMainForm::TrendChart1Click() {
  if (!trendChart_) {
    trendChart_ = new pellix::trend::TrendChartWindow(this);
    trendChart_->ChannelInfo = [this] {
      TDynamicBackupArray info;
      Frame_LineTab1->ExportDescriptions(info);
      Frame_LineTab2->ExportDescriptions(info);
      return info;
    };
    trendChart_->OnIdentified = [this](int channelNumber) {
      if (TFrame_SensorBox* box = ChannelBoxes.value(channelNumber - 1))
        pellix::trend::FrameBlinker::Blink(box);
    };
  }
  ShowWindow(trendChart_);
}

void TMainForm::FeedTrend(const std::array<uint16_t, 100>& regs, uint16_t startAddress) {
  if (trendChart_->isVisible()) trendChart_->BlockReceived(regs, startAddress);
}

void TMainForm::CloseMonitors() {
  delete trafficMonitor_;
  trafficMonitor_ = nullptr;
  delete trendChart_;
  trendChart_ = nullptr;
}
