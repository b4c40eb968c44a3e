#include "FixedCell.h"

#include <QGridLayout>

namespace pellix {

FixedCell::FixedCell(QWidget* widget)
    : QWidgetItem(widget), policy_(widget->sizePolicy()), explicitMinimum_(widget->minimumSize()) {}

QSize FixedCell::sizeHint() const {
  if (isEmpty()) return {0, 0};
  QSize s = widget()->sizeHint().expandedTo(minimumSize());
  if (policy_.horizontalPolicy() == QSizePolicy::Ignored) s.setWidth(0);
  if (policy_.verticalPolicy() == QSizePolicy::Ignored) s.setHeight(0);
  return s;
}

QSize FixedCell::minimumSize() const {
  if (isEmpty()) return {0, 0};
  // What a widget item would report for the widget while it was free to resize.
  const QSize hint = widget()->minimumSizeHint();
  const auto side = [](QSizePolicy::Policy p, int explicitMin, int hintMin) {
    if (explicitMin > 0) return explicitMin;
    return p == QSizePolicy::Ignored ? 0 : hintMin;
  };
  return {side(policy_.horizontalPolicy(), explicitMinimum_.width(), hint.width()),
          side(policy_.verticalPolicy(), explicitMinimum_.height(), hint.height())};
}

QSize FixedCell::maximumSize() const {
  if (isEmpty()) return {0, 0};
  return {policy_.horizontalPolicy() & QSizePolicy::GrowFlag ? QWIDGETSIZE_MAX : sizeHint().width(),
          policy_.verticalPolicy() & QSizePolicy::GrowFlag ? QWIDGETSIZE_MAX : sizeHint().height()};
}

Qt::Orientations FixedCell::expandingDirections() const { return policy_.expandingDirections(); }

void FixedCell::setGeometry(const QRect& rect) {
  if (isEmpty()) return;
  QWidget* w = widget();
  if (w->size() != rect.size()) w->setFixedSize(rect.size());
  if (w->pos() != rect.topLeft()) w->move(rect.topLeft());
}

QRect FixedCell::geometry() const { return widget()->geometry(); }

void AddFixedCell(QGridLayout* grid, QWidget* widget, int row, int column, int rowSpan, int columnSpan) {
  grid->addItem(new FixedCell(widget), row, column, rowSpan, columnSpan);
}

void SetCellText(QLabel* label, const QString& text) {
  if (label->text() == text) return;
  const bool longer = text.size() > label->text().size();
  label->setText(text);
  // A fixed label no longer tells its layout; tell it when the text needs more room. Digits
  // share one width in the usual fonts, so only a longer text is measured: measuring every
  // text would cost about as much as the pass it saves.
  if (!longer || label->minimumSize() != label->maximumSize()) return;
  if (label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) return;
  if (label->sizeHint().width() <= label->width()) return;
  if (QWidget* parent = label->parentWidget(); parent && parent->layout()) parent->layout()->invalidate();
}

}  // namespace pellix
