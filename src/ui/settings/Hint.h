#pragma once
// A hint is "short|long": the short part is the tooltip, the long part goes to the
// status bar. Without a "|" both parts are the whole text.
#include <QString>

class QWidget;

namespace pellix {

QString ShortHint(const QString& hint);
QString LongHint(const QString& hint);
// Sets tooltip and status tip and keeps the whole text in the "hint" property.
void SetHint(QWidget* widget, const QString& hint);
QString HintOf(const QWidget* widget);

}  // namespace pellix
