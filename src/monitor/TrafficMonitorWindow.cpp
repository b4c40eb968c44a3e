#include "TrafficMonitorWindow.h"

#include "ChannelStatus.h"
#include "CheckFileName.h"
#include "FileIo.h"
#include "Hint.h"
#include "Komunikator.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace pellix::monitor {
namespace {

constexpr std::size_t CacheLimit = 2048;
// The grid shows the first bytes of a frame: eliding a 205-byte frame's 614 characters on
// every paint cost more than everything else the monitor does. The tooltip, Copy and Save
// have them all.
constexpr qsizetype ShownBytesChars = 3 * 32;

const QColor& BadRowColour() {
  static const QColor c{QRgb(FaultRgb)};
  return c;
}

}  // namespace

// ---- The model ----------------------------------------------------------------

TrafficModel::TrafficModel(const TrafficLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log), seen_(log.NextSequence()) {}

int TrafficModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

const RowTexts& TrafficModel::Texts(uint64_t sequence) const {
  auto it = cache_.find(sequence);
  if (it != cache_.end()) return it->second;
  if (cache_.size() >= CacheLimit) cache_.clear();
  RowTexts texts;
  if (log_.Holds(sequence)) texts = FormatRow(log_.At(sequence), log_.Before(sequence));
  return cache_.emplace(sequence, std::move(texts)).first->second;
}

RowTexts TrafficModel::Row(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  return Texts(rows_[static_cast<std::size_t>(row)]);
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const RowTexts& t = Texts(rows_[static_cast<std::size_t>(index.row())]);
  switch (role) {
    case Qt::DisplayRole: {
      const QString& text = t.Cells[static_cast<std::size_t>(index.column())];
      if (index.column() == ColBytes && text.size() > ShownBytesChars)
        return text.left(ShownBytesChars - 1) + QStringLiteral(" \u2026");
      return text;
    }
    case Qt::ToolTipRole:
      return index.column() == ColBytes || index.column() == ColDecoded
                 ? QVariant(t.Cells[static_cast<std::size_t>(index.column())])
                 : QVariant();
    case Qt::BackgroundRole:
      return t.Bad ? QVariant(BadRowColour()) : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == ColDelta || index.column() == ColLength
                 ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                 : QVariant();
    default:
      return {};
  }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return ColumnTitles().value(section);
}

bool TrafficModel::Shows(uint64_t sequence) const { return !errorsOnly_ || Texts(sequence).Bad; }

void TrafficModel::Refresh() {
  // Rows whose frames the ring dropped go first.
  const uint64_t first = log_.FirstSequence();
  const auto kept = std::lower_bound(rows_.begin(), rows_.end(), first);
  if (kept != rows_.begin()) {
    beginRemoveRows({}, 0, static_cast<int>(kept - rows_.begin()) - 1);
    rows_.erase(rows_.begin(), kept);
    endRemoveRows();
  }
  std::vector<uint64_t> added;
  for (uint64_t s = std::max(seen_, first); s < log_.NextSequence(); ++s)
    if (Shows(s)) added.push_back(s);
  seen_ = log_.NextSequence();
  if (added.empty()) return;
  const int at = rowCount();
  beginInsertRows({}, at, at + static_cast<int>(added.size()) - 1);
  rows_.insert(rows_.end(), added.begin(), added.end());
  endInsertRows();
}

void TrafficModel::Rebuild() {
  beginResetModel();
  rows_.clear();
  cache_.clear();
  for (uint64_t s = log_.FirstSequence(); s < log_.NextSequence(); ++s)
    if (Shows(s)) rows_.push_back(s);
  seen_ = log_.NextSequence();
  endResetModel();
}

void TrafficModel::SetErrorsOnly(bool on) {
  if (on == errorsOnly_) return;
  errorsOnly_ = on;
  Rebuild();
}

// ---- The window ---------------------------------------------------------------

TrafficMonitorWindow::TrafficMonitorWindow(TKomunikator* engine, QWidget* parent)
    : QWidget(parent, Qt::Window), engine_(engine), model_(log_, this) {
  setObjectName(QStringLiteral("Form_TrafficMonitor"));
  setWindowTitle(QStringLiteral("Traffic monitor"));

  Button_Pause = new QPushButton(QStringLiteral("&Pause"), this);
  Button_Pause->setObjectName(QStringLiteral("Button_Pause"));
  Button_Pause->setCheckable(true);
  SetHint(Button_Pause, QStringLiteral("Pause|Freezes the view; the frames are still collected."));
  Button_Clear = new QPushButton(QStringLiteral("&Clear"), this);
  Button_Clear->setObjectName(QStringLiteral("Button_Clear"));
  SetHint(Button_Clear, QStringLiteral("Clear|Forgets every frame collected so far."));
  CheckBox_ErrorsOnly = new QCheckBox(QStringLiteral("&Errors only"), this);
  CheckBox_ErrorsOnly->setObjectName(QStringLiteral("CheckBox_ErrorsOnly"));
  SetHint(CheckBox_ErrorsOnly,
          QStringLiteral("Errors only|Shows only CRC errors, short and missing replies and exceptions."));
  Button_Copy = new QPushButton(QStringLiteral("C&opy"), this);
  Button_Copy->setObjectName(QStringLiteral("Button_Copy"));
  SetHint(Button_Copy, QStringLiteral("Copy|Copies the selected rows as tab-separated text."));
  Button_Save = new QPushButton(QStringLiteral("&Save as text..."), this);
  Button_Save->setObjectName(QStringLiteral("Button_Save"));
  SetHint(Button_Save, QStringLiteral("Save as text|Saves the rows shown into a tab-separated text file."));
  Label_Dropped = new QLabel(this);
  Label_Dropped->setObjectName(QStringLiteral("Label_Dropped"));
  Label_Dropped->setVisible(false);

  Grid_Frames = new QTableView(this);
  Grid_Frames->setObjectName(QStringLiteral("Grid_Frames"));
  Grid_Frames->setModel(&model_);
  Grid_Frames->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid_Frames->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Grid_Frames->setWordWrap(false);
  Grid_Frames->setTextElideMode(Qt::ElideNone);
  Grid_Frames->verticalHeader()->setVisible(false);
  // Fixed row heights and column widths: new rows cost no measuring of their texts.
  Grid_Frames->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Grid_Frames->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  QHeaderView* h = Grid_Frames->horizontalHeader();
  h->setSectionResizeMode(QHeaderView::Interactive);
  const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  h->resizeSection(ColTime, digit * 14);
  h->resizeSection(ColDelta, digit * 9);
  h->resizeSection(ColDirection, digit * 5);
  h->resizeSection(ColLength, digit * 7);
  h->resizeSection(ColBytes, digit * 36);
  h->setStretchLastSection(true);

  auto* bar = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{Button_Pause, Button_Clear, CheckBox_ErrorsOnly,
                                                    Button_Copy, Button_Save})
    bar->addWidget(w);
  bar->addStretch(1);
  bar->addWidget(Label_Dropped);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(Grid_Frames, 1);
  resize(900, 480);

  refresh_ = new QTimer(this);
  refresh_->setSingleShot(true);
  refresh_->setInterval(RefreshMs);
  connect(refresh_, &QTimer::timeout, this, [this] { RefreshView(); });
  // Taking a frame only copies it; the view catches up once per RefreshMs.
  log_.OnAppended = [this] {
    if (!refresh_->isActive()) refresh_->start();
  };

  connect(Button_Pause, &QPushButton::clicked, this, [this] { Button_PauseClick(); });
  connect(Button_Clear, &QPushButton::clicked, this, [this] { Button_ClearClick(); });
  connect(CheckBox_ErrorsOnly, &QCheckBox::clicked, this, [this] { CheckBox_ErrorsOnlyClick(); });
  connect(Button_Copy, &QPushButton::clicked, this, [this] { Button_CopyClick(); });
  connect(Button_Save, &QPushButton::clicked, this, [this] { Button_SaveClick(); });
}

TrafficMonitorWindow::~TrafficMonitorWindow() { Attach(false); }

void TrafficMonitorWindow::Attach(bool on) {
  if (on == attached_ || !engine_) return;
  // Never take over another observer's place, and never drop one that is not ours.
  if (on && engine_->GetFrameObserver()) return;
  if (!on && engine_->GetFrameObserver() != &log_) {
    attached_ = false;
    return;
  }
  engine_->SetFrameObserver(on ? &log_ : nullptr);
  attached_ = on;
}

void TrafficMonitorWindow::showEvent(QShowEvent* e) {
  Attach(true);
  QWidget::showEvent(e);
}

void TrafficMonitorWindow::hideEvent(QHideEvent* e) {
  // Minimised it still listens; closed it costs the engine nothing.
  if (!e->spontaneous()) Attach(false);
  QWidget::hideEvent(e);
}

void TrafficMonitorWindow::RefreshView() {
  refresh_->stop();
  if (Button_Pause->isChecked()) return;
  QScrollBar* v = Grid_Frames->verticalScrollBar();
  // The view follows the tail unless the operator scrolled up.
  const bool atBottom = v->value() >= v->maximum();
  model_.Refresh();
  ShowDropped();
  if (atBottom) Grid_Frames->scrollToBottom();
}

void TrafficMonitorWindow::ShowDropped() {
  const uint64_t dropped = log_.Dropped();
  const QString text = dropped == 0 ? QString()
                                    : QStringLiteral("%1 older frames dropped (the last %2 are kept)")
                                          .arg(dropped)
                                          .arg(log_.Capacity());
  if (Label_Dropped->text() != text) Label_Dropped->setText(text);
  Label_Dropped->setVisible(dropped != 0);
}

void TrafficMonitorWindow::Button_PauseClick() {
  Button_Pause->setText(Button_Pause->isChecked() ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
  if (!Button_Pause->isChecked()) RefreshView();
}

void TrafficMonitorWindow::Button_ClearClick() {
  log_.Clear();
  model_.Rebuild();
  ShowDropped();
}

void TrafficMonitorWindow::CheckBox_ErrorsOnlyClick() {
  model_.SetErrorsOnly(CheckBox_ErrorsOnly->isChecked());
  Grid_Frames->scrollToBottom();
}

void TrafficMonitorWindow::Button_CopyClick() {
  QModelIndexList rows = Grid_Frames->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<RowTexts> texts;
  for (const QModelIndex& i : rows) texts.push_back(model_.Row(i.row()));
  if (texts.empty()) return;
  QApplication::clipboard()->setText(RowsAsText(texts, false));
}

QString TrafficMonitorWindow::ShownText() const {
  std::vector<RowTexts> texts;
  for (int r = 0; r < model_.rowCount(); ++r) texts.push_back(model_.Row(r));
  return RowsAsText(texts, true);
}

void TrafficMonitorWindow::Button_SaveClick() {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Save traffic as text");
  spec.filter = QStringLiteral("Text files (*.txt)|*.TXT");
  spec.defaultExtension = QStringLiteral("txt");
  const QString fileName = AskSaveFileName(spec);
  if (fileName.isEmpty()) return;
  WriteFileSafely(fileName, ShownText().toUtf8());
}

}  // namespace pellix::monitor
