#include "Hint.h"

#include <QVariant>
#include <QWidget>

namespace pellix {

QString ShortHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.mid(bar + 1);
}

void SetHint(QWidget* widget, const QString& hint) {
  widget->setToolTip(ShortHint(hint));
  widget->setStatusTip(LongHint(hint));
  widget->setProperty("hint", hint);
}

QString HintOf(const QWidget* widget) { return widget->property("hint").toString(); }

}  // namespace pellix
