// The counters frame on its own: texts and colours.
#include "Pocitadlo.h"
#include "uFrame_Pocitadlo.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPaintEvent>

namespace {

TEST(Pocitadlo, ErrorsAndTimeoutInRedRepliesInBlue) {
  TFrame_Pocitadlo frame;
  EXPECT_EQ(frame.Label_Rx->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_EQ(frame.Label_Error->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(frame.Label_Timeout->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(frame.Label_Tx->palette().color(QPalette::WindowText),
            frame.palette().color(QPalette::WindowText));
}

TEST(Pocitadlo, ShowsTheCeilingAndHidesTimeoutAgain) {
  TFrame_Pocitadlo frame;
  frame.ShowValues(TPocitadloValues{1000000, 999999, 0, true});
  EXPECT_EQ(frame.Label_Rx->text(), QStringLiteral("Rx = 1000000"));
  EXPECT_EQ(frame.Label_Tx->text(), QStringLiteral("Tx = 999999"));
  EXPECT_EQ(frame.Label_Error->text(), QStringLiteral("Err = 0"));
  EXPECT_FALSE(frame.Label_Timeout->isHidden());
  frame.ShowValues(TPocitadloValues{0, 0, 0, false});
  EXPECT_TRUE(frame.Label_Timeout->isHidden());
  EXPECT_EQ(frame.Label_Rx->text(), QStringLiteral("Rx = 0"));
}

// "Error - Disconnected" replaces "Timeout", counters grow by a digit: nothing moves
// sideways, and the longest state text has its room.
TEST(Pocitadlo, LongerTextsMoveNothingSideways) {
  TFrame_Pocitadlo frame;
  frame.resize(240, 50);
  frame.show();
  frame.ShowValues(TPocitadloValues{5, 5, 1, true});
  QApplication::processEvents();
  const int rx = frame.Label_Rx->x();
  const int timeout = frame.Label_Timeout->x();
  frame.Label_Timeout->setText(QStringLiteral("Error - Disconnected"));
  frame.ShowValues(TPocitadloValues{100000, 1000000, 1000000, true});
  QApplication::processEvents();
  EXPECT_EQ(frame.Label_Rx->x(), rx);
  EXPECT_EQ(frame.Label_Timeout->x(), timeout);
  EXPECT_GE(frame.Label_Timeout->contentsRect().width(),
            frame.Label_Timeout->fontMetrics().horizontalAdvance(frame.Label_Timeout->text()));
  EXPECT_GE(frame.Label_Error->contentsRect().width(),
            frame.Label_Error->fontMetrics().horizontalAdvance(frame.Label_Error->text()));
}

// Counts the paint events a widget gets.
class Paints : public QObject {
 public:
  explicit Paints(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++count;
    return false;
  }
  int count = 0;
};

void processEventsFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A request's Tx waits for its reply's Rx, so that one repaint shows both; without a reply
// it shows on its own a moment later. The text is right at once either way.
TEST(Pocitadlo, ARequestIsPaintedWithItsReplyOrSoonWithout) {
  TFrame_Pocitadlo frame;
  frame.show();
  frame.ShowValues(TPocitadloValues{0, 0, 0, false});
  processEventsFor(100);
  Paints tx(frame.Label_Tx), rx(frame.Label_Rx);
  frame.ShowValues(TPocitadloValues{0, 1, 0, false});
  EXPECT_EQ(frame.Label_Tx->text(), QStringLiteral("Tx = 1"));
  QApplication::processEvents();
  EXPECT_EQ(tx.count, 0);
  frame.ShowValues(TPocitadloValues{1, 1, 0, false});
  QApplication::processEvents();
  EXPECT_EQ(tx.count, 1);
  EXPECT_EQ(rx.count, 1);

  frame.ShowValues(TPocitadloValues{1, 2, 0, false});  // no reply comes
  processEventsFor(200);
  EXPECT_EQ(tx.count, 2);
  EXPECT_EQ(rx.count, 1);
}

}  // namespace
