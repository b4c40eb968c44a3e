// The traffic monitor and the trend chart: windows of their own that listen to the
// gateway client only while they are shown.
#include "FrameBlinker.h"
#include "Main.h"
#include "TrafficMonitorWindow.h"
#include "TrendChartWindow.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <QScreen>

#include <algorithm>

namespace {

// Over the main window, whole on its screen (a window manager may put it anywhere).
void PlaceOver(QWidget* w, const QWidget* owner) {
  const QScreen* screen = owner->screen();
  if (!screen) return;
  constexpr int FrameAllowance = 40;  // title bar and borders
  const QRect area = screen->availableGeometry();
  QRect r(QPoint(0, 0), w->size().boundedTo(area.size() - QSize(FrameAllowance, FrameAllowance)));
  r.moveCenter(owner->frameGeometry().center());
  r.moveLeft(std::clamp(r.left(), area.left(), area.right() - r.width() - FrameAllowance / 2));
  r.moveTop(std::clamp(r.top(), area.top() + FrameAllowance, area.bottom() - r.height()));
  w->resize(r.size());
  w->move(r.topLeft());
}

void ShowWindow(QWidget* w) {
  w->show();
  w->raise();
  w->activateWindow();
}

}  // namespace

void TMainForm::TrafficMonitor1Click() {
  if (!GWYKomunikator) return;
  if (!trafficMonitor_) {
    trafficMonitor_ = new pellix::monitor::TrafficMonitorWindow(GWYKomunikator.get(), this);
    PlaceOver(trafficMonitor_, this);
  }
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
    PlaceOver(trendChart_, this);
  }
  ShowWindow(trendChart_);
}

void TMainForm::FeedTrend(const TRegisterBlock& regs, uint16_t startAddress) {
  if (trendChart_->isVisible()) trendChart_->BlockReceived(regs, startAddress);
}

void TMainForm::CloseMonitors() {
  delete trafficMonitor_;
  trafficMonitor_ = nullptr;
  delete trendChart_;
  trendChart_ = nullptr;
}
