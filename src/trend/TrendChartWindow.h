#pragma once
// The live trend chart: value 1 of the ticked channels over the last 1, 10 or 60 minutes,
// fed by the poll while the window is shown, and "Identify", which finds the sensor the
// operator warms or cools by hand.
#include "ChannelData.h"
#include "RegisterMap.h"
#include "TrendStore.h"

#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace pellix::trend {

class TrendChartWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int RedrawMs = 500;
  static constexpr std::array<int, 3> WindowMinutes = {1, 10, 60};

  explicit TrendChartWindow(QWidget* parent = nullptr);

  // The channels' displayed numbers, ROM codes and descriptions as the boxes hold them.
  std::function<TDynamicBackupArray()> ChannelInfo;
  // The channel (1..40) that Identify found.
  std::function<void(int)> OnIdentified;
  // ms since the epoch; tests set their own.
  std::function<qint64()> Clock;

  // A block the poll received; channel blocks are taken, others ignored.
  void BlockReceived(const TRegisterBlock& registers, uint16_t startAddress);

  QListWidget* List_Channels;
  QComboBox* ComboBox_Window;
  QPushButton* Button_Identify;
  QLabel* Label_Identify;
  QPushButton* Button_ExportPng;
  QPushButton* Button_ExportCsv;
  QChartView* Chart_Trend;

  const TrendStore& Store() const { return store_; }
  bool Ticked(int channelNumber) const;
  void SetTicked(int channelNumber, bool ticked);
  int WindowMs() const;
  // The channel Identify marked last (0: none).
  int Identified() const { return identified_; }
  // The series drawn for a channel: one per stretch without a gap.
  std::vector<QLineSeries*> SeriesOf(int channelNumber) const;

  void Button_IdentifyClick();
  void Button_ExportPngClick();
  void Button_ExportCsvClick();
  // Draws the chart from the store now (the timer does it a little later).
  void Redraw();
  // The shown data as the recorder's CSV rows.
  QList<QStringList> CsvRows() const;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  struct ChannelSeries {
    std::vector<QLineSeries*> Segments;
    bool OnTemperatureAxis = true;
  };
  void UpdateNames();
  void DrawChannel(int channelNumber, qint64 fromMs);
  QLineSeries* Segment(int channelNumber, int index, bool temperature);
  void Identify();
  void ShowIdentified();
  QString SeriesName(int channelNumber) const;

  TrendStore store_;
  std::array<ChannelSeries, ::ChannelCount> series_;
  std::array<QString, ::ChannelCount> names_;   // displayed number and description
  std::array<bool, ::ChannelCount> touched_{};  // the operator ticked or unticked it
  int identified_ = 0;
  bool updatingList_ = false;
  QChart* chart_;
  QDateTimeAxis* axisTime_;
  QValueAxis* axisTemperature_;
  QValueAxis* axisValue_;
  QTimer* redraw_;
};

}  // namespace pellix::trend
