#include "Pocitadlo.h"
#include "RecorderLinks.h"
#include "RecorderTestUtil.h"
#include "TestSupport.h"
#include "uFrame_Komunikace.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"
#include "uFrm_RecSettings.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QWidget>

using namespace pellix;
using files_test::Folder;
using pellix::test::scriptedPrompts;
using recorder_test::Channel;
using recorder_test::FileRows;

namespace {

// The recorder on the window's real communication frame and line views.
class RecorderViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TFrame_SensorBox::ResetCreationCounter();
    TFrame_LineTab::ResetCreationCounter();
    communication = new TFrame_Komunikace(&window);
    line1 = new TFrame_LineTab(&window);
    line2 = new TFrame_LineTab(&window);
    timer = new QTimer(&window);
    stop.setEnabled(false);
    links = RecorderLinksOf(communication, line1, line2, timer, &start, &stop, &panel, &dialog);
    links.FallbackFolder = folder.root();
  }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }

  QWidget window;
  TFrame_Komunikace* communication = nullptr;
  TFrame_LineTab* line1 = nullptr;
  TFrame_LineTab* line2 = nullptr;
  QTimer* timer = nullptr;
  QAction start;
  QAction stop;
  QLabel panel;
  FileDialogSpec dialog;
  TForm_RecSettings options;
  Folder folder;
  RecorderLinks links;
};

TEST_F(RecorderViewsTest, ColumnsFollowTheBoxesLineOneThenLineTwo) {
  line1->Boxes[0]->UpdateFromRecord(Channel(1, 0x2801, 100));
  line1->Boxes[0]->SetDescription(QStringLiteral("Hall"));
  line2->Boxes[0]->UpdateFromRecord(Channel(21, 0x1001, 0xFFFB));
  line2->Boxes[19]->UpdateFromRecord(Channel(40, 0x0101, 1));
  communication->CheckBox_Connect->setChecked(true);
  const QString path = folder.path("log.csv");
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  StartLoggingCommand(links);

  const QList<QByteArray> rows = FileRows(path);
  ASSERT_EQ(rows.size(), 8);
  const QList<QByteArray> names = rows[3].split(',');
  ASSERT_EQ(names.size(), 41);
  EXPECT_EQ(names[1], "Ch0");
  EXPECT_EQ(names[21], "Ch20");
  EXPECT_EQ(rows[4].split(',')[21], "1001123456780015");
  EXPECT_EQ(rows[5].split(',')[1], "Hall");
  const QList<QByteArray> sample = rows[7].split(',');
  ASSERT_EQ(sample.size(), 41);
  EXPECT_EQ(sample[1],
            "\"10.0 \xB0"
            "C\"");
  EXPECT_EQ(sample[21],
            "\"-0.5 \xB0"
            "C\"");
  EXPECT_EQ(sample[40], "");
}

TEST_F(RecorderViewsTest, TheFramesConnectionAndTimeoutGateTheSamples) {
  communication->CheckBox_Connect->setChecked(true);
  const QString path = folder.path("log.csv");
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  StartLoggingCommand(links);
  ASSERT_EQ(FileRows(path).size(), 8);

  communication->ShowCounters({0, 5, 1, true});
  RecorderTimerTick(links);
  EXPECT_EQ(FileRows(path).size(), 8);
  communication->ShowCounters({1, 6, 1, false});
  communication->CheckBox_Connect->setChecked(false);
  RecorderTimerTick(links);
  EXPECT_EQ(FileRows(path).size(), 8);
  communication->CheckBox_Connect->setChecked(true);
  RecorderTimerTick(links);
  EXPECT_EQ(FileRows(path).size(), 9);
  EXPECT_EQ(panel.text(), QStringLiteral("Logging... (1)"));
}

}  // namespace
