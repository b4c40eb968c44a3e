#include "TrendChartWindow.h"

#include "ChannelsNumbering.h"
#include "CheckFileName.h"
#include "FileIo.h"
#include "FileRecorder.h"
#include "Hint.h"
#include "Prompts.h"
#include "RegisterMap.h"
#include "TextCodePage.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace pellix::trend {
namespace {

QColor ChannelColour(int channelNumber) {
  // 40 colours that stay apart: hue steps of a little over a quarter turn.
  return QColor::fromHsv(((channelNumber - 1) * 97) % 360, 220, channelNumber % 2 ? 200 : 150);
}

}  // namespace

TrendChartWindow::TrendChartWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Form_TrendChart"));
  setWindowTitle(QStringLiteral("Trend chart"));
  Clock = [] { return QDateTime::currentMSecsSinceEpoch(); };

  List_Channels = new QListWidget(this);
  List_Channels->setObjectName(QStringLiteral("List_Channels"));
  for (int c = 1; c <= RegisterMap::ChannelCount; ++c) {
    auto* item = new QListWidgetItem(QStringLiteral("Ch%1").arg(DisplayedNumber(c)), List_Channels);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
    item->setForeground(ChannelColour(c));
  }
  List_Channels->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 16);
  SetHint(List_Channels, QStringLiteral("Channels|Tick the channels whose values the chart shows."));

  ComboBox_Window = new QComboBox(this);
  ComboBox_Window->setObjectName(QStringLiteral("ComboBox_Window"));
  for (int m : WindowMinutes) ComboBox_Window->addItem(QStringLiteral("%1 min").arg(m));
  ComboBox_Window->setCurrentIndex(1);
  SetHint(ComboBox_Window, QStringLiteral("Time window|How far back the chart reaches."));
  Button_Identify = new QPushButton(QStringLiteral("&Identify"), this);
  Button_Identify->setObjectName(QStringLiteral("Button_Identify"));
  Button_Identify->setCheckable(true);
  SetHint(
      Button_Identify,
      QStringLiteral("Identify a sensor|Warm or cool one sensor by hand: the channel whose value moves most "
                     "(by at least 0.5 °C within 30 s) is marked and its box blinks."));
  Label_Identify = new QLabel(this);
  Label_Identify->setObjectName(QStringLiteral("Label_Identify"));
  Button_ExportPng = new QPushButton(QStringLiteral("Save as &PNG..."), this);
  Button_ExportPng->setObjectName(QStringLiteral("Button_ExportPng"));
  SetHint(Button_ExportPng, QStringLiteral("Save as PNG|Saves the chart as a picture."));
  Button_ExportCsv = new QPushButton(QStringLiteral("Save as &CSV..."), this);
  Button_ExportCsv->setObjectName(QStringLiteral("Button_ExportCsv"));
  SetHint(Button_ExportCsv,
          QStringLiteral("Save as CSV|Saves the data shown as a CSV file in the recorder's format."));

  chart_ = new QChart;
  chart_->legend()->setAlignment(Qt::AlignBottom);
  axisTime_ = new QDateTimeAxis(chart_);
  axisTime_->setFormat(QStringLiteral("hh:mm:ss"));
  axisTime_->setTitleText(QStringLiteral("Time"));
  axisTemperature_ = new QValueAxis(chart_);
  axisTemperature_->setTitleText(QStringLiteral("Temperature [°C]"));
  axisValue_ = new QValueAxis(chart_);
  axisValue_->setTitleText(QStringLiteral("Value 1 [raw]"));
  chart_->addAxis(axisTime_, Qt::AlignBottom);
  chart_->addAxis(axisTemperature_, Qt::AlignLeft);
  chart_->addAxis(axisValue_, Qt::AlignRight);
  axisValue_->setVisible(false);
  // An axis that no series uses when the chart is first shown stays hidden for good: an
  // empty series holds the time and temperature axes from the start.
  auto* anchor = new QLineSeries;
  chart_->addSeries(anchor);
  anchor->attachAxis(axisTime_);
  anchor->attachAxis(axisTemperature_);
  for (QLegendMarker* m : chart_->legend()->markers(anchor)) m->setVisible(false);
  Chart_Trend = new QChartView(chart_, this);
  Chart_Trend->setObjectName(QStringLiteral("Chart_Trend"));
  Chart_Trend->setRenderHint(QPainter::Antialiasing);

  auto* bar = new QHBoxLayout;
  bar->addWidget(ComboBox_Window);
  bar->addWidget(Button_Identify);
  bar->addWidget(Label_Identify, 1);
  bar->addWidget(Button_ExportPng);
  bar->addWidget(Button_ExportCsv);
  auto* right = new QVBoxLayout;
  right->addLayout(bar);
  right->addWidget(Chart_Trend, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(List_Channels);
  layout->addLayout(right, 1);
  resize(960, 560);

  redraw_ = new QTimer(this);
  redraw_->setSingleShot(true);
  redraw_->setInterval(RedrawMs);
  connect(redraw_, &QTimer::timeout, this, [this] { Redraw(); });
  connect(List_Channels, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (updatingList_) return;
    touched_[static_cast<std::size_t>(List_Channels->row(item))] = true;
    Redraw();
  });
  connect(ComboBox_Window, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
  connect(Button_Identify, &QPushButton::clicked, this, [this] { Button_IdentifyClick(); });
  connect(Button_ExportPng, &QPushButton::clicked, this, [this] { Button_ExportPngClick(); });
  connect(Button_ExportCsv, &QPushButton::clicked, this, [this] { Button_ExportCsvClick(); });
  UpdateNames();
}

bool TrendChartWindow::Ticked(int channelNumber) const {
  return List_Channels->item(channelNumber - 1)->checkState() == Qt::Checked;
}

void TrendChartWindow::SetTicked(int channelNumber, bool ticked) {
  List_Channels->item(channelNumber - 1)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

int TrendChartWindow::WindowMs() const {
  return WindowMinutes[static_cast<std::size_t>(std::max(0, ComboBox_Window->currentIndex()))] * 60 * 1000;
}

void TrendChartWindow::BlockReceived(const TRegisterBlock& registers, uint16_t startAddress) {
  if (!RegisterMap::IsChannelBlock(startAddress)) return;
  const qint64 now = Clock();
  const int first = RegisterMap::FirstChannelOfBlock(startAddress);
  for (int i = 0; i < RegisterMap::ChannelsPerBlock; ++i) {
    const int c = first + i;
    const TChannelData record = ChannelFromRegisters(c, registers.data() + i * RegisterMap::ChannelRegisters);
    const bool firstSeen = !store_.Last(c).has_value();
    store_.Add(now, record);
    // Until the operator decides, every thermometer is ticked.
    if (firstSeen && !touched_[static_cast<std::size_t>(c - 1)]) {
      updatingList_ = true;
      SetTicked(c, record.Status != 255 && HasTemperature(FamilyCode(record.RomCode)));
      updatingList_ = false;
    }
  }
  if (Button_Identify->isChecked()) Identify();
  if (!redraw_->isActive()) redraw_->start();
}

QString TrendChartWindow::SeriesName(int channelNumber) const {
  return names_[static_cast<std::size_t>(channelNumber - 1)];
}

void TrendChartWindow::UpdateNames() {
  const TDynamicBackupArray info = ChannelInfo ? ChannelInfo() : TDynamicBackupArray{};
  updatingList_ = true;
  for (int c = 1; c <= RegisterMap::ChannelCount; ++c) {
    QString name = QStringLiteral("Ch%1").arg(DisplayedNumber(c));
    if (c <= static_cast<int>(info.size()) && !info[static_cast<std::size_t>(c - 1)].Description.isEmpty())
      name += QLatin1Char(' ') + info[static_cast<std::size_t>(c - 1)].Description;
    QListWidgetItem* item = List_Channels->item(c - 1);
    if (item->text() != name) item->setText(name);
    names_[static_cast<std::size_t>(c - 1)] = name;
    QFont f = item->font();
    if (f.bold() != (c == identified_)) {
      f.setBold(c == identified_);
      item->setFont(f);
    }
  }
  updatingList_ = false;
}

QLineSeries* TrendChartWindow::Segment(int channelNumber, int index, bool temperature) {
  ChannelSeries& cs = series_[static_cast<std::size_t>(channelNumber - 1)];
  if (cs.OnTemperatureAxis != temperature) {
    // The device changed kind: its old series belong to the other axis.
    for (QLineSeries* s : cs.Segments) {
      chart_->removeSeries(s);
      delete s;
    }
    cs.Segments.clear();
    cs.OnTemperatureAxis = temperature;
  }
  while (static_cast<int>(cs.Segments.size()) <= index) {
    auto* s = new QLineSeries;
    s->setColor(ChannelColour(channelNumber));
    chart_->addSeries(s);
    s->attachAxis(axisTime_);
    s->attachAxis(temperature ? axisTemperature_ : axisValue_);
    // One legend entry per channel, however many stretches it has.
    const auto markers = chart_->legend()->markers(s);
    for (QLegendMarker* m : markers) m->setVisible(cs.Segments.empty());
    cs.Segments.push_back(s);
  }
  return cs.Segments[static_cast<std::size_t>(index)];
}

void TrendChartWindow::DrawChannel(int channelNumber, qint64 fromMs) {
  ChannelSeries& cs = series_[static_cast<std::size_t>(channelNumber - 1)];
  const auto& last = store_.Last(channelNumber);
  std::vector<QList<QPointF>> stretches;
  if (Ticked(channelNumber) && last) {
    QList<QPointF>* current = nullptr;
    for (const TrendPoint& p : store_.Points(channelNumber)) {
      if (p.Ms < fromMs) continue;
      if (p.Gap) {
        current = nullptr;
        continue;
      }
      if (!current) current = &stretches.emplace_back();
      current->append(QPointF(static_cast<qreal>(p.Ms), p.Value));
    }
  }
  const bool temperature = !last || HasTemperature(FamilyCode(last->RomCode));
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    QLineSeries* s = Segment(channelNumber, static_cast<int>(i), temperature);
    s->replace(stretches[i]);
    QPen pen = s->pen();
    pen.setWidth(channelNumber == identified_ ? 4 : 2);
    s->setPen(pen);
  }
  for (std::size_t i = stretches.size(); i < cs.Segments.size(); ++i) cs.Segments[i]->clear();
  if (!cs.Segments.empty()) {
    cs.Segments.front()->setName(SeriesName(channelNumber));
    for (QLegendMarker* m : chart_->legend()->markers(cs.Segments.front())) m->setVisible(!stretches.empty());
  }
}

void TrendChartWindow::Redraw() {
  redraw_->stop();
  UpdateNames();
  const qint64 now = Clock();
  const qint64 from = now - WindowMs();
  for (int c = 1; c <= RegisterMap::ChannelCount; ++c) DrawChannel(c, from);
  // Axis ranges from what is drawn, with a margin so a flat line is not on the border.
  double lo[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
  double hi[2] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
  for (const ChannelSeries& cs : series_)
    for (QLineSeries* s : cs.Segments)
      for (const QPointF& p : s->points()) {
        const int a = cs.OnTemperatureAxis ? 0 : 1;
        lo[a] = std::min(lo[a], p.y());
        hi[a] = std::max(hi[a], p.y());
      }
  QValueAxis* axes[2] = {axisTemperature_, axisValue_};
  for (int a = 0; a < 2; ++a) {
    const bool any = lo[a] <= hi[a];
    if (a == 1) axisValue_->setVisible(any);
    if (!any) continue;
    const double margin = std::max(0.5, (hi[a] - lo[a]) * 0.1);
    axes[a]->setRange(std::floor(lo[a] - margin), std::ceil(hi[a] + margin));
    axes[a]->applyNiceNumbers();
  }
  axisTime_->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(now));
}

std::vector<QLineSeries*> TrendChartWindow::SeriesOf(int channelNumber) const {
  std::vector<QLineSeries*> out;
  for (QLineSeries* s : series_[static_cast<std::size_t>(channelNumber - 1)].Segments)
    if (s->count() > 0) out.push_back(s);
  return out;
}

void TrendChartWindow::showEvent(QShowEvent* e) {
  UpdateNames();
  QWidget::showEvent(e);
}

// ---- Identify -----------------------------------------------------------------

void TrendChartWindow::Button_IdentifyClick() {
  if (!Button_Identify->isChecked()) {
    Label_Identify->clear();
    return;
  }
  Label_Identify->setText(QStringLiteral("Warm or cool one sensor by hand..."));
  Identify();
}

void TrendChartWindow::Identify() {
  const auto moved = store_.MovedMost(Clock());
  if (!moved) return;
  identified_ = moved->ChannelNumber;
  Button_Identify->setChecked(false);
  Label_Identify->setText(QStringLiteral("%1: moved by %2 °C")
                              .arg(SeriesName(identified_))
                              .arg(QLocale().toString(moved->Delta, 'f', 1)));
  ShowIdentified();
  if (OnIdentified) OnIdentified(identified_);
}

void TrendChartWindow::ShowIdentified() {
  // The chart must show it, even when the operator had unticked it.
  if (!Ticked(identified_)) SetTicked(identified_, true);
  List_Channels->setCurrentRow(identified_ - 1);
  List_Channels->scrollToItem(List_Channels->item(identified_ - 1));
  Redraw();
}

// ---- Export -------------------------------------------------------------------

void TrendChartWindow::Button_ExportPngClick() {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Save chart as PNG");
  spec.filter = QStringLiteral("PNG images (*.png)|*.PNG");
  spec.defaultExtension = QStringLiteral("png");
  const QString fileName = AskSaveFileName(spec);
  if (fileName.isEmpty()) return;
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Chart_Trend->grab().save(&buffer, "PNG");
  }
  WriteFileSafely(fileName, bytes);
}

QList<QStringList> TrendChartWindow::CsvRows() const {
  QList<QStringList> rows;
  for (QStringList row : LogTitleRows()) {
    while (row.size() < LogFieldCount) row << QString();
    rows << row;
  }
  const TDynamicBackupArray info = ChannelInfo ? ChannelInfo() : TDynamicBackupArray{};
  rows << LogChannelRows(info);

  // One row per second in which a block came: every ticked channel as it stood then, the
  // way the recorder samples the boxes.
  const qint64 from = Clock() - WindowMs();
  std::vector<qint64> seconds;
  for (int c = 1; c <= RegisterMap::ChannelCount; ++c)
    if (Ticked(c))
      for (const TrendPoint& p : store_.Points(c))
        if (p.Ms >= from) seconds.push_back(p.Ms / 1000);
  std::sort(seconds.begin(), seconds.end());
  seconds.erase(std::unique(seconds.begin(), seconds.end()), seconds.end());
  std::array<std::size_t, RegisterMap::ChannelCount> next{};
  std::array<const TrendPoint*, RegisterMap::ChannelCount> held{};
  for (qint64 second : seconds) {
    TDynamicLogArray records(RegisterMap::ChannelCount);
    for (int c = 1; c <= RegisterMap::ChannelCount; ++c) {
      const std::size_t i = static_cast<std::size_t>(c - 1);
      const auto& points = store_.Points(c);
      while (next[i] < points.size() && points[next[i]].Ms / 1000 <= second) held[i] = &points[next[i]++];
      TChannelData& r = records[i];
      r.ChannelNumber = static_cast<uint8_t>(c);
      // A channel not ticked, in error or not yet heard of gives an empty field.
      if (!Ticked(c) || !held[i] || held[i]->Gap || held[i]->Ms < from || !store_.Last(c)) continue;
      r.RomCode = store_.Last(c)->RomCode;
      r.Values[0] = held[i]->Raw;
    }
    rows << LogSampleRow(QDateTime::fromMSecsSinceEpoch(second * 1000), records);
  }
  return rows;
}

void TrendChartWindow::Button_ExportCsvClick() {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Save data as CSV");
  spec.filter = QStringLiteral("CSV text files (*.csv)|*.CSV");
  spec.defaultExtension = QStringLiteral("csv");
  const QString fileName = AskSaveFileName(spec);
  if (fileName.isEmpty()) return;
  const QList<QStringList> rows = CsvRows();
  QStringList texts;
  for (const QStringList& row : rows) texts += row;
  const TextFileEncoding encoding = TextFileEncoding::For(texts, TextFileCodePage());
  const QChar delimiter = CsvDelimiter();
  QString text;
  for (const QStringList& row : rows) text += CsvRow(row, delimiter) + QStringLiteral("\r\n");
  QByteArray bytes = encoding.Utf8 ? QByteArray(Utf8Bom) : QByteArray();
  bytes += encoding.Encode(text);
  WriteFileSafely(fileName, bytes);
}

}  // namespace pellix::trend
