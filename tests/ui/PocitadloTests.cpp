// The counters frame on its own: texts and colours.
#include "Pocitadlo.h"
#include "uFrame_Pocitadlo.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>

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

}  // namespace
