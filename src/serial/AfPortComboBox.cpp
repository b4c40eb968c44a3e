#include "AfPortComboBox.h"

#include "AfComPort.h"
#include "ComNumbers.h"
#include "PortNames.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QStatusTipEvent>
#include <QStyledItemDelegate>

namespace {

// Owner-drawn entries: fixed height (font height + 5); with pcHighlightOpen busy
// ports in the grey-text colour and free ones in the button-text colour.
class PortItemDelegate : public QStyledItemDelegate {
 public:
  explicit PortItemDelegate(TAfPortComboBox* box) : QStyledItemDelegate(box), FBox(box) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(QFontMetrics(FBox->font()).height() + 5);
    return size;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!(FBox->Options() & pcHighlightOpen)) return;
    const QColor colour = FBox->EntryTextColour(index.row());
    option->palette.setColor(QPalette::Text, colour);
    option->palette.setColor(QPalette::HighlightedText, colour);
  }

 private:
  TAfPortComboBox* FBox;
};

}  // namespace

namespace pellix {

void installBusyCursor() {
  setBusyCursorHook([](bool busy) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (busy)
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QGuiApplication::restoreOverrideCursor();
  });
}

}  // namespace pellix

TAfPortComboBox::TAfPortComboBox(QWidget* parent) : QComboBox(parent) {
  pellix::installBusyCursor();
  setItemDelegate(new PortItemDelegate(this));
  connect(this, qOverload<int>(&QComboBox::activated), this, &TAfPortComboBox::OnActivated);
  connect(this, qOverload<int>(&QComboBox::highlighted), this, &TAfPortComboBox::ShowStatusLine);
  RefreshPorts();
}

void TAfPortComboBox::SetMaxComPorts(int value) {
  if (value == maxComPorts_) return;
  maxComPorts_ = value;
  RefreshPorts();
}

void TAfPortComboBox::SetOptions(TAfPortCtlOptions value) {
  if (value == options_) return;
  options_ = value;
  RefreshPorts();
}

void TAfPortComboBox::RefreshPorts() {
  const QSignalBlocker block(this);
  clear();
  const bool checkExist = options_ & pcCheckExist;
  const bool freeOnly = checkExist && (options_ & pcDisableOpen);
  for (int n = 1; n <= maxComPorts_; ++n) {
    const pellix::PortState state = checkExist ? pellix::probeComPort(n) : pellix::PortState::Free;
    if (checkExist && state == pellix::PortState::Absent) continue;
    if (freeOnly && state != pellix::PortState::Free) continue;
    addItem(QStringLiteral("COM %1").arg(n));
    const int index = count() - 1;
    setItemData(index, n, ComNumberRole);
    setItemData(index, static_cast<int>(state), PortStateRole);
    // Hovering an entry of the open list shows which device it is, and so does the
    // status bar (the view sends the status tip).
    const QString description = pellix::comPortDescription(n);
    setItemData(index, description, Qt::ToolTipRole);
    setItemData(index, description, Qt::StatusTipRole);
  }
  Reselect();
}

void TAfPortComboBox::Reselect() {
  const QSignalBlocker block(this);
  int index = findData(selectedComNumber_, ComNumberRole);
  if (index < 0 && count() > 0) index = 0;
  setCurrentIndex(index);
  selectedComNumber_ = index >= 0 ? itemData(index, ComNumberRole).toInt() : 0;
  UpdateToolTip();
}

QColor TAfPortComboBox::EntryTextColour(int index) const {
  if (!(options_ & pcHighlightOpen)) return palette().color(QPalette::Text);
  const auto state = static_cast<pellix::PortState>(itemData(index, PortStateRole).toInt());
  return state == pellix::PortState::Busy ? palette().color(QPalette::Disabled, QPalette::Text)
                                          : palette().color(QPalette::ButtonText);
}

void TAfPortComboBox::SetSelectedComNumber(int value) {
  if (value == selectedComNumber_) return;
  selectedComNumber_ = value;
  Reselect();
}

void TAfPortComboBox::UpdateToolTip() {
  setToolTip(selectedComNumber_ > 0 ? pellix::comPortDescription(selectedComNumber_) : QString());
}

void TAfPortComboBox::showPopup() {
  QComboBox::showPopup();
  ShowStatusLine(currentIndex());
}

void TAfPortComboBox::ShowStatusLine(int index) {
  if (index < 0) return;
  QStatusTipEvent tip(itemData(index, Qt::StatusTipRole).toString());
  QCoreApplication::sendEvent(this, &tip);
}

void TAfPortComboBox::OnActivated(int index) {
  if (index < 0) return;
  selectedComNumber_ = itemData(index, ComNumberRole).toInt();
  UpdateToolTip();
  if (comPort_ && selectedComNumber_ != 0) {
    comPort_->SetComNumber(selectedComNumber_);
    if (!comPort_->IsOpen()) comPort_->OpenPort();
    RefreshPorts();
  }
}
