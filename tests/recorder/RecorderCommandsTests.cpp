#include "FileRecorder.h"
#include "RecorderCommands.h"
#include "RecorderTestUtil.h"
#include "TestSupport.h"
#include "uFrm_RecSettings.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <sys/resource.h>

using namespace pellix;
using files_test::Folder;
using files_test::readAll;
using files_test::writeAll;
using pellix::test::scriptedPrompts;
using recorder_test::Channel;
using recorder_test::FileRows;
using recorder_test::FileSizeLimit;

namespace {

// The parts of the main window that the recorder uses, with a link that can be cut.
class RecorderCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (int c = 1; c <= 40; ++c) records.push_back(Channel(c, 0xFFFF, 0xFFFF));
    records[0] = Channel(1, 0x2801, 215);
    for (int c = 1; c <= 40; ++c) backups.push_back(MakeBackupData(c, records[c - 1].RomCode, QString()));
    start.setEnabled(true);
    stop.setEnabled(false);
    links.IsConnected = [this] { return connected; };
    links.TimeoutShown = [this] { return timeout; };
    links.CollectRecords = [this](TDynamicLogArray& out) {
      out.insert(out.end(), records.begin(), records.end());
    };
    links.ExportDescriptions = [this](TDynamicBackupArray& out) {
      out.insert(out.end(), backups.begin(), backups.end());
    };
    links.Timer = &timer;
    links.StartItem = &start;
    links.StopItem = &stop;
    links.StatusPanel = &panel;
    links.SaveDialog = &dialog;
    links.FallbackFolder = fallback.root();
    links.Clock = [this] { return now; };
  }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }

  // Start Logging with the save dialog answering path.
  void Start(const QString& path) {
    scriptedPrompts().expect(PromptKind::SaveFile, true, path);
    StartLoggingCommand(links);
  }
  RecorderSession* Session() { return RecorderSession::Find(&timer); }
  bool Logging() { return timer.isActive() && Session() && Session()->Writer; }

  bool connected = true;
  bool timeout = false;
  TDynamicLogArray records;
  TDynamicBackupArray backups;
  QDateTime now{QDate(2026, 12, 7), QTime(6, 45, 54)};
  QTimer timer;
  QAction start{QStringLiteral("Start Logging")};
  QAction stop{QStringLiteral("Stop Logging")};
  QLabel panel;
  FileDialogSpec dialog{QStringLiteral("Save to File"), QStringLiteral("Binary files (*.bin)|*.bin"), {}, {}};
  Folder folder;
  Folder fallback;
  TForm_RecSettings options;
  RecorderLinks links;
};

TEST_F(RecorderCommandsTest, StartWritesTheHeaderAndTheFirstSampleAtOnce) {
  const QString path = folder.path("log.csv");
  Start(path);
  EXPECT_EQ(dialog.filter, QStringLiteral("CSV text files (*.csv)|*.CSV"));
  EXPECT_EQ(dialog.defaultExtension, QStringLiteral("csv"));
  EXPECT_EQ(dialog.title, QStringLiteral("Save to File"));
  const QList<QByteArray> rows = FileRows(path);
  ASSERT_EQ(rows.size(), 8);
  EXPECT_TRUE(rows[0].startsWith("Application:,"));
  EXPECT_TRUE(rows[3].startsWith("Channel:,Ch0,Ch1,"));
  EXPECT_EQ(rows[7],
            "\"7.12.2026 6:45:54\",\"21.5 \xB0"
            "C\"" +
                QByteArray(39, ','));
  EXPECT_EQ(panel.text(), QStringLiteral("Logging... (0)"));
  EXPECT_FALSE(start.isEnabled());
  EXPECT_TRUE(stop.isEnabled());
  EXPECT_TRUE(timer.isActive());
  EXPECT_EQ(timer.interval(), 60000);
  EXPECT_EQ(Session()->SampleCounter, 1);
}

TEST_F(RecorderCommandsTest, EachTickAddsARowAndCountsIt) {
  const QString path = folder.path("log.csv");
  Start(path);
  now = now.addSecs(60);
  records[0].Values[0] = 0xFFFB;
  RecorderTimerTick(links);
  const QList<QByteArray> rows = FileRows(path);
  ASSERT_EQ(rows.size(), 9);
  EXPECT_EQ(rows[8],
            "\"7.12.2026 6:46:54\",\"-0.5 \xB0"
            "C\"" +
                QByteArray(39, ','));
  EXPECT_EQ(panel.text(), QStringLiteral("Logging... (1)"));
}

TEST_F(RecorderCommandsTest, TheTimerRunsTheConfirmedPeriod) {
  options.SpinEdit_Period->setValue(5);
  options.Button_SAVE->click();
  Start(folder.path("log.csv"));
  EXPECT_EQ(timer.interval(), 5000);
}

TEST_F(RecorderCommandsTest, APeriodBeyondTheTimersRangeSamplesEverySecondTick) {
  options.SpinEdit_Period->setValue(4294967);
  options.Button_SAVE->click();
  const QString path = folder.path("log.csv");
  Start(path);
  EXPECT_EQ(timer.interval(), 2147483500);
  ASSERT_EQ(FileRows(path).size(), 8);
  RecorderTimerTick(links);
  EXPECT_EQ(FileRows(path).size(), 8);
  RecorderTimerTick(links);
  EXPECT_EQ(FileRows(path).size(), 9);
}

TEST_F(RecorderCommandsTest, CancelledDialogStartsNothing) {
  scriptedPrompts().expect(PromptKind::SaveFile, false);
  StartLoggingCommand(links);
  EXPECT_TRUE(start.isEnabled());
  EXPECT_FALSE(stop.isEnabled());
  EXPECT_FALSE(timer.isActive());
  EXPECT_TRUE(panel.text().isEmpty());
}

TEST_F(RecorderCommandsTest, ARejectedNameOpensTheDialogAgain) {
  const QString path = folder.path("log.csv");
  scriptedPrompts().expect(PromptKind::SaveFile, true, folder.path("l?g.csv"));
  scriptedPrompts().expect(PromptKind::Information);
  Start(path);
  EXPECT_TRUE(Logging());
  EXPECT_EQ(FileRows(path).size(), 8);
}

TEST_F(RecorderCommandsTest, AnExistingFileIsRewrittenOnlyAfterYes) {
  const QString path = folder.path("old.csv");
  writeAll(path, "keep me\r\n");
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  scriptedPrompts().expect(PromptKind::Warning, false);
  scriptedPrompts().expect(PromptKind::SaveFile, false);
  StartLoggingCommand(links);
  EXPECT_EQ(readAll(path), QByteArray("keep me\r\n"));
  EXPECT_FALSE(timer.isActive());

  scriptedPrompts().clearRecords();
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  scriptedPrompts().expect(PromptKind::Warning, true);
  StartLoggingCommand(links);
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Warning),
            std::vector<QString>{path + QStringLiteral(" already exists. Do you want to rewrite it?")});
  const QList<QByteArray> rows = FileRows(path);
  ASSERT_EQ(rows.size(), 8);
  EXPECT_TRUE(rows[0].startsWith("Application:"));
}

TEST_F(RecorderCommandsTest, NoSampleWhileDisconnectedOrTimedOutAndTheCountGoesOn) {
  const QString path = folder.path("log.csv");
  Start(path);
  connected = false;
  RecorderTimerTick(links);
  connected = true;
  timeout = true;
  RecorderTimerTick(links);
  EXPECT_EQ(FileRows(path).size(), 8);
  EXPECT_EQ(panel.text(), QStringLiteral("Logging... (0)"));
  EXPECT_TRUE(timer.isActive());
  timeout = false;
  RecorderTimerTick(links);
  EXPECT_EQ(FileRows(path).size(), 9);
  EXPECT_EQ(panel.text(), QStringLiteral("Logging... (1)"));
}

TEST_F(RecorderCommandsTest, StartWhileTheLinkShowsATimeoutWritesOnlyTheHeader) {
  timeout = true;
  const QString path = folder.path("log.csv");
  Start(path);
  EXPECT_EQ(FileRows(path).size(), 7);
  EXPECT_EQ(panel.text(), QStringLiteral("Logging..."));
  EXPECT_TRUE(Logging());
}

TEST_F(RecorderCommandsTest, StopClosesTheLogAndReadiesStartWhenConnected) {
  const QString path = folder.path("log.csv");
  Start(path);
  StopLoggingCommand(links);
  EXPECT_FALSE(timer.isActive());
  EXPECT_FALSE(Session()->Writer);
  EXPECT_TRUE(start.isEnabled());
  EXPECT_FALSE(stop.isEnabled());
  EXPECT_EQ(panel.text(), QStringLiteral("Logging stopped."));
  RecorderTimerTick(links);  // a tick already queued changes nothing
  EXPECT_EQ(FileRows(path).size(), 8);
}

TEST_F(RecorderCommandsTest, StopWhileDisconnectedLeavesStartDisabled) {
  Start(folder.path("log.csv"));
  connected = false;
  StopLoggingCommand(links);
  EXPECT_FALSE(start.isEnabled());
  EXPECT_FALSE(stop.isEnabled());
}

TEST_F(RecorderCommandsTest, StartingAgainWhileLoggingDoesNothing) {
  const QString path = folder.path("log.csv");
  Start(path);
  StartLoggingCommand(links);  // no dialog expected
  EXPECT_EQ(FileRows(path).size(), 8);
}

TEST_F(RecorderCommandsTest, AnUncreatableFileLogsIntoTheFallbackAndTheStatusBarSaysWhere) {
  Start(folder.path("no folder/log.csv"));
  EXPECT_TRUE(Logging());
  const QString used = Session()->Writer->FileName();
  EXPECT_EQ(QFileInfo(used), QFileInfo(fallback.path("LogFile.csv")));
  EXPECT_EQ(FileRows(fallback.path("LogFile.csv")).size(), 8);
  EXPECT_EQ(panel.text(), QStringLiteral("Logging... (0) to ") + used);
  EXPECT_EQ(panel.toolTip(), panel.text());
  RecorderTimerTick(links);
  EXPECT_EQ(panel.text(), QStringLiteral("Logging... (1) to ") + used);
}

// A description the files' code page cannot hold makes the log UTF-8 instead of losing it.
TEST_F(RecorderCommandsTest, ADescriptionBeyondTheCodePageMakesTheLogUtf8) {
  backups[1].Description = QString::fromUtf8("Kotel \u010D");  // English: Windows-1252 has no "č"
  const QString path = folder.path("log.csv");
  Start(path);
  const QByteArray bytes = files_test::readAll(path);
  EXPECT_TRUE(
      bytes.startsWith("\xEF\xBB\xBF"
                       "Application:,"));
  const QList<QByteArray> rows = FileRows(path);
  ASSERT_EQ(rows.size(), 8);
  EXPECT_TRUE(rows[5].startsWith("Description:,,\"Kotel \xC4\x8D\","));
  EXPECT_TRUE(
      rows[7].contains("\"21.5 \xC2\xB0"
                       "C\""));
}

TEST_F(RecorderCommandsTest, NeitherFileCreatableIsReportedAndTheMenusStayUsable) {
  links.FallbackFolder = folder.path("missing too");
  scriptedPrompts().expect(PromptKind::SaveFile, true, folder.path("no folder/log.csv"));
  scriptedPrompts().expect(PromptKind::Error);
  StartLoggingCommand(links);
  const std::vector<QString> errors = scriptedPrompts().texts(PromptKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].contains(folder.path("no folder/log.csv")));
  EXPECT_TRUE(errors[0].contains(QStringLiteral("LogFile.csv")));
  EXPECT_FALSE(timer.isActive());
  EXPECT_FALSE(Session()->Writer);
  EXPECT_TRUE(start.isEnabled());
  EXPECT_FALSE(stop.isEnabled());
}

TEST_F(RecorderCommandsTest, AHeaderThatCannotBeWrittenIsReported) {
  if (!QFileInfo::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
  scriptedPrompts().expect(PromptKind::SaveFile, true, QStringLiteral("/dev/full"));
  scriptedPrompts().expect(PromptKind::Warning, true);  // it exists
  scriptedPrompts().expect(PromptKind::Error);
  StartLoggingCommand(links);
  EXPECT_FALSE(timer.isActive());
  EXPECT_TRUE(start.isEnabled());
  EXPECT_FALSE(stop.isEnabled());
  EXPECT_EQ(panel.text(), QStringLiteral("Logging stopped."));
}

TEST_F(RecorderCommandsTest, ASampleThatCannotBeWrittenStopsLoggingAndIsReportedOnce) {
  const QString path = folder.path("log.csv");
  Start(path);
  const qint64 size = QFileInfo(path).size();
  bool timerStoppedBeforeTheMessage = false;
  scriptedPrompts().expect(
      {PromptKind::Error, true, {}, [&] { timerStoppedBeforeTheMessage = !timer.isActive(); }});
  {
    const FileSizeLimit limit(size + 10);
    ASSERT_TRUE(limit.Active());
    RecorderTimerTick(links);
  }
  EXPECT_TRUE(timerStoppedBeforeTheMessage);
  const std::vector<QString> errors = scriptedPrompts().texts(PromptKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Cannot write the file ") + path))
      << errors[0].toStdString();
  EXPECT_FALSE(Logging());
  EXPECT_TRUE(start.isEnabled());
  EXPECT_FALSE(stop.isEnabled());
  EXPECT_EQ(panel.text(), QStringLiteral("Logging stopped."));
  RecorderTimerTick(links);  // nothing more to report
}

TEST_F(RecorderCommandsTest, WithoutAWindowSaveDialogTheRecorderUsesItsOwn) {
  links.SaveDialog = nullptr;
  const QString path = folder.path("log.csv");
  Start(path);
  ASSERT_FALSE(scriptedPrompts().records().empty());
  EXPECT_EQ(scriptedPrompts().records().front().text, QStringLiteral("CSV text files (*.csv)|*.CSV"));
  EXPECT_TRUE(Logging());
}

TEST_F(RecorderCommandsTest, TheTimersTimeoutTakesTheNextSample) {
  options.SpinEdit_Period->setValue(1);
  options.Button_SAVE->click();
  QObject::connect(&timer, &QTimer::timeout, [this] { RecorderTimerTick(links); });
  const QString path = folder.path("log.csv");
  Start(path);
  EXPECT_TRUE(pellix::test::waitUntil([&] { return FileRows(path).size() == 9; }, 3000));
}

}  // namespace
