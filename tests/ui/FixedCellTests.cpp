// Labels in fixed cells: a new text repaints the label and lays nothing out, yet a text
// that outgrows its cell gets the room it needs.
#include "FixedCell.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QGridLayout>

namespace {

using pellix::test::processEventsFor;

class Requests : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::LayoutRequest) ++count;
    return false;
  }
  int count = 0;
};

TEST(FixedCell, ANewTextLaysOutOnlyWhenItNoLongerFits) {
  QWidget host;
  auto* grid = new QGridLayout(&host);
  auto* label = new QLabel(QStringLiteral("Tx = 1"), &host);
  pellix::AddFixedCell(grid, label, 0, 0);
  grid->setColumnStretch(1, 1);  // the rest of the row takes what the label leaves
  host.resize(300, 40);
  host.show();
  processEventsFor(20);

  Requests requests;
  qApp->installEventFilter(&requests);
  pellix::SetCellText(label, QStringLiteral("Tx = 2"));
  processEventsFor(20);
  EXPECT_EQ(requests.count, 0);

  pellix::SetCellText(label, QStringLiteral("Tx = 1000000 and more text than the cell had room for"));
  processEventsFor(20);
  qApp->removeEventFilter(&requests);
  EXPECT_GT(requests.count, 0);
  EXPECT_GE(label->width(), label->sizeHint().width());
}

}  // namespace
