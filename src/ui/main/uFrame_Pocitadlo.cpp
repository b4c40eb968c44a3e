#include "uFrame_Pocitadlo.h"

#include "FixedCell.h"
#include "Pocitadlo.h"

#include <QGridLayout>
#include <QLabel>

#include <algorithm>

namespace {

QLabel* counterLabel(QWidget* parent, const char* name, const QColor& colour) {
  auto* l = new QLabel(parent);
  l->setObjectName(QLatin1String(name));
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, colour);
  l->setPalette(p);
  // Opaque on the same colour: a new count repaints the label, not the frames beneath it.
  l->setAutoFillBackground(true);
  return l;
}

}  // namespace

TFrame_Pocitadlo::TFrame_Pocitadlo(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Frame_Pocitadlo"));
  const QColor text = palette().color(QPalette::WindowText);
  Label_Tx = counterLabel(this, "Label_Tx", text);
  Label_Rx = counterLabel(this, "Label_Rx", Qt::blue);
  Label_Error = counterLabel(this, "Label_Error", Qt::red);
  Label_Timeout = counterLabel(this, "Label_Timeout", Qt::red);
  QFont bold = Label_Timeout->font();
  bold.setBold(true);
  Label_Timeout->setFont(bold);
  Label_Timeout->setText(QStringLiteral("Timeout"));
  Label_Timeout->hide();

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setVerticalSpacing(2);
  // Counts change on every request and reply: fixed cells keep that from the layouts.
  pellix::AddFixedCell(grid, Label_Tx, 0, 0);
  pellix::AddFixedCell(grid, Label_Rx, 0, 1);
  pellix::AddFixedCell(grid, Label_Error, 1, 0);
  pellix::AddFixedCell(grid, Label_Timeout, 1, 1);
  // The row keeps its height whether "Timeout" shows or not.
  grid->setRowMinimumHeight(1, Label_Error->sizeHint().height());
  // Columns as wide as their widest texts, whatever they show now: a longer state text
  // or another digit moves nothing sideways.
  const QFontMetrics plain = Label_Tx->fontMetrics();
  const QFontMetrics boldMetrics(bold);
  const int counterWidth = plain.horizontalAdvance(QStringLiteral("Err = 1000000")) + 8;
  const int stateWidth = std::max(plain.horizontalAdvance(QStringLiteral("Rx = 1000000")),
                                  boldMetrics.horizontalAdvance(QStringLiteral("Error - Disconnected")));
  grid->setColumnMinimumWidth(0, counterWidth);
  grid->setColumnMinimumWidth(1, stateWidth);
  grid->setColumnStretch(1, 1);
  for (QLabel* l : {Label_Tx, Label_Rx, Label_Error, Label_Timeout})
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  TxHold.setSingleShot(true);
  TxHold.setInterval(TxHoldMs);
  connect(&TxHold, &QTimer::timeout, this, &TFrame_Pocitadlo::ReleaseTx);
}

void TFrame_Pocitadlo::ShowValues(const TPocitadloValues& values) {
  const bool requestOnly = values.Tx != ShownTx && ShownTx >= 0 && values.Rx == ShownRx &&
                           values.Err == ShownErr && values.Timeout == ShownTimeout;
  if (requestOnly && isVisible()) {
    if (!TxHold.isActive()) {
      Label_Tx->setUpdatesEnabled(false);
      TxHold.start();
    }
  } else {
    ReleaseTx();  // repainted together with what changes now
  }
  // Only a count that moved is written out: on most calls that is one of the three.
  const auto show = [](QLabel* label, int& shown, int value, QLatin1StringView prefix) {
    if (value == shown) return;
    shown = value;
    pellix::SetCellText(label, prefix + QString::number(value));
  };
  show(Label_Rx, ShownRx, values.Rx, QLatin1StringView("Rx = "));
  show(Label_Tx, ShownTx, values.Tx, QLatin1StringView("Tx = "));
  show(Label_Error, ShownErr, values.Err, QLatin1StringView("Err = "));
  ShownTimeout = values.Timeout;
  Label_Timeout->setVisible(values.Timeout);
}

void TFrame_Pocitadlo::ReleaseTx() {
  TxHold.stop();
  if (!Label_Tx->updatesEnabled()) Label_Tx->setUpdatesEnabled(true);
}
