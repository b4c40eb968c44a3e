#include "ProgressDialogSink.h"
#include "uForm_ProgressDialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace {

TEST(ProgressDialog, InitialState) {
  TForm_ProgressDialog dlg;
  EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("Label_Progress")), dlg.Label_Progress);
  EXPECT_EQ(dlg.findChild<QProgressBar*>(QStringLiteral("Gauge1")), dlg.Gauge1);
  EXPECT_EQ(dlg.size(), QSize(442, 65));
  EXPECT_TRUE(dlg.Label_Progress->text().isEmpty());
  EXPECT_EQ(dlg.Gauge1->maximum(), 252);
  const Qt::WindowFlags f = dlg.windowFlags();
  EXPECT_TRUE(f & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(f & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(f & Qt::WindowMinMaxButtonsHint);
}

TEST(ProgressDialog, OperatorCannotCloseIt) {
  TForm_ProgressDialog dlg;
  dlg.show();
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(&dlg, &esc);
  EXPECT_TRUE(dlg.isVisible());
  dlg.hide();  // its user hides it
  EXPECT_FALSE(dlg.isVisible());
}

TEST(ProgressDialog, CentredUnlessPlaced) {
  TForm_ProgressDialog centred;
  centred.show();
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((centred.frameGeometry().center() - screenCentre).manhattanLength(), 4);

  TForm_ProgressDialog placed;
  placed.move(10, 20);
  placed.show();
  EXPECT_EQ(placed.pos(), QPoint(10, 20));
}

// The import advances by reading back the position it set last.
TEST(ProgressDialogSink, DrivesTheDialog) {
  QWidget mainWindow;
  mainWindow.setGeometry(100, 100, 800, 600);
  mainWindow.show();
  TForm_ProgressDialog dlg;
  TProgressDialogSink sink(dlg, &mainWindow);
  sink.SetCaption(QStringLiteral("Pellix Tool - Import from file"));
  sink.Show();
  sink.SetMaximum(40);
  sink.SetPosition(0);
  sink.SetPosition(sink.Position() + 1);
  sink.SetText(QStringLiteral("Writing channels from file a.bin... (Channel 0)"));
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Pellix Tool - Import from file"));
  EXPECT_EQ(dlg.Gauge1->maximum(), 40);
  EXPECT_EQ(sink.Position(), 1);
  EXPECT_EQ(dlg.Label_Progress->text(), QStringLiteral("Writing channels from file a.bin... (Channel 0)"));
  EXPECT_LE((dlg.frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength(), 4);
  sink.Hide();
  EXPECT_FALSE(dlg.isVisible());
}

}  // namespace
