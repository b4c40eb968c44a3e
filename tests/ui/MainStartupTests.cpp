// Product identifiers, the version formatter and the one-instance rule.
#include "AppIdentificators.h"
#include "OneProgramInstace.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <ostream>

namespace {

struct VersionCase {
  int number;
  const char* text;
};
void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.number; }

class FormatVersionNumberTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(FormatVersionNumberTest, MinorPartHasTwoDigits) {
  EXPECT_EQ(FormatVersionNumber(GetParam().number), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Words, FormatVersionNumberTest,
                         ::testing::Values(VersionCase{109, "V1.09"}, VersionCase{112, "V1.12"},
                                           VersionCase{100, "V1.00"}, VersionCase{5, "V0.05"},
                                           VersionCase{0, "V0.00"}, VersionCase{1234, "V12.34"},
                                           VersionCase{110, "V1.10"}, VersionCase{65535, "V655.35"}));

TEST(ProductIdentifiers, CaptionAndInstanceKey) {
  EXPECT_EQ(pellix::WindowCaption(), QStringLiteral("Pellix Tool V1.09.3 (DUNO)"));
  EXPECT_EQ(pellix::InstanceKey(), QStringLiteral("Pellix ToolV1.09.3 (DUNO)"));
  EXPECT_EQ(pellix::StartupTitle, QStringLiteral("Pellix-MOD Tool"));
}

// Every test gets a runtime folder of its own, so the lock and the socket of one test
// (or of a real running tool) never meet another's.
class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_ = pellix::test::sandboxDir() + QStringLiteral("/run-") +
               QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    QDir().mkpath(runtime_);
    QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime_.toLocal8Bit());
  }

  // Runs RequestRestore on another thread while this one serves the event loop.
  bool requestFromThread(const QString& key) {
    std::atomic<int> result{-1};
    QThread* t = QThread::create([&] { result = pellix::SingleInstance::RequestRestore(key, 3000) ? 1 : 0; });
    t->start();
    const bool done = pellix::test::waitUntil([&] { return result >= 0; }, 5000);
    t->wait();
    delete t;
    return done && result == 1;
  }

  QString runtime_;
};

TEST_F(SingleInstanceTest, SecondOfTheSameKeyIsRefused) {
  pellix::SingleInstance first(QStringLiteral("KeyA"));
  ASSERT_TRUE(first.Acquire());
  pellix::SingleInstance second(QStringLiteral("KeyA"));
  EXPECT_FALSE(second.Acquire());
  EXPECT_FALSE(second.IsOwner());
}

TEST_F(SingleInstanceTest, AnotherVersionRunsBesideIt) {
  pellix::SingleInstance first(QStringLiteral("Pellix ToolV1.09.3 (DUNO)"));
  ASSERT_TRUE(first.Acquire());
  pellix::SingleInstance other(QStringLiteral("Pellix ToolV1.10.0 (DUNO)"));
  EXPECT_TRUE(other.Acquire());
}

TEST_F(SingleInstanceTest, RestoreRequestRunsTheHandlerAndIsAnswered) {
  pellix::SingleInstance first(QStringLiteral("KeyB"));
  ASSERT_TRUE(first.Acquire());
  int restored = 0;
  first.OnRestore = [&] { ++restored; };
  EXPECT_TRUE(requestFromThread(QStringLiteral("KeyB")));
  EXPECT_EQ(restored, 1);
}

// Neither a lock that cannot be created nor something else in its place means that the
// tool runs already: the program must start all the same.
TEST_F(SingleInstanceTest, LockThatCannotBeMadeIsNoRunningInstance) {
  QDir().mkpath(runtime_ + QStringLiteral("/KeyC.lock"));  // a folder where the lock goes
  pellix::SingleInstance blocked(QStringLiteral("KeyC"));
  EXPECT_TRUE(blocked.Acquire());
  EXPECT_FALSE(blocked.IsOwner());

  // Not even root can create a file here.
  qputenv("XDG_RUNTIME_DIR", "/proc/self");
  pellix::SingleInstance unwritable(QStringLiteral("KeyC"));
  EXPECT_TRUE(unwritable.Acquire());
  EXPECT_FALSE(unwritable.IsOwner());
}

TEST_F(SingleInstanceTest, RequestWithoutARunningInstanceFails) {
  EXPECT_FALSE(pellix::SingleInstance::RequestRestore(QStringLiteral("Nobody"), 300));
}

TEST_F(SingleInstanceTest, RestoreBringsAMinimisedWindowBack) {
  QWidget w;
  w.resize(200, 100);
  w.show();
  w.showMinimized();
  ASSERT_TRUE(w.isMinimized());
  pellix::RestoreWindow(&w);
  EXPECT_FALSE(w.isMinimized());
  EXPECT_TRUE(w.isVisible());
}

// The upgrade hides the main window and runs modally: a second start brings the upgrade
// window forward and leaves the disconnected main window hidden.
TEST_F(SingleInstanceTest, RestoreDuringAModalWindowKeepsAHiddenWindowHidden) {
  QWidget main;
  main.resize(200, 100);
  QDialog upgrade;
  bool mainShown = true;
  QTimer::singleShot(0, &upgrade, [&] {
    pellix::RestoreWindow(&main);
    mainShown = main.isVisible();
    upgrade.reject();
  });
  upgrade.exec();
  EXPECT_FALSE(mainShown);
}

QProcessEnvironment toolEnvironment(const QString& runtime) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  return env;
}

// This process plays the running tool; the real program is started a second time.
TEST_F(SingleInstanceTest, SecondProgramStartRestoresTheFirstAndExitsWithZero) {
  pellix::SingleInstance first(pellix::InstanceKey());
  ASSERT_TRUE(first.Acquire());
  QWidget w;
  w.resize(200, 100);
  w.show();
  w.showMinimized();
  first.OnRestore = [&] { pellix::RestoreWindow(&w); };

  QProcess second;
  second.setProcessEnvironment(toolEnvironment(runtime_));
  second.start(QStringLiteral(PELLIX_TOOL_PATH), {});
  ASSERT_TRUE(second.waitForStarted(5000));
  ASSERT_TRUE(pellix::test::waitUntil([&] { return second.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(SingleInstanceTest, ProgramStartedTwiceKeepsTheFirstRunning) {
  QProcess first;
  first.setProcessEnvironment(toolEnvironment(runtime_));
  first.start(QStringLiteral(PELLIX_TOOL_PATH), {});
  ASSERT_TRUE(first.waitForStarted(5000));
  const QString socket = runtime_ + QLatin1Char('/') + pellix::InstanceKey();
  ASSERT_TRUE(pellix::test::waitUntil([&] { return QFile::exists(socket); }, 10000));

  QProcess second;
  second.setProcessEnvironment(toolEnvironment(runtime_));
  second.start(QStringLiteral(PELLIX_TOOL_PATH), {});
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);

  first.terminate();
  first.waitForFinished(5000);
}

TEST_F(SingleInstanceTest, ProgramWithoutARuntimeFolderToLockInRunsAndSaysWhy) {
  QProcess tool;
  tool.setProcessEnvironment(toolEnvironment(QStringLiteral("/proc/self")));
  tool.start(QStringLiteral(PELLIX_TOOL_PATH), {});
  ASSERT_TRUE(tool.waitForStarted(5000));
  // Still running a good while after the lock was tried.
  EXPECT_FALSE(tool.waitForFinished(3000));
  EXPECT_EQ(tool.state(), QProcess::Running);
  tool.terminate();
  tool.waitForFinished(5000);
  EXPECT_TRUE(tool.readAllStandardError().contains("lock file")) << "no word on stderr";
}

TEST_F(SingleInstanceTest, LockOfACrashedInstanceIsTakenOver) {
  QProcess crashed;
  crashed.setProcessEnvironment(toolEnvironment(runtime_));
  crashed.start(QStringLiteral(PELLIX_TOOL_PATH), {});
  ASSERT_TRUE(crashed.waitForStarted(5000));
  const QString socket = runtime_ + QLatin1Char('/') + pellix::InstanceKey();
  ASSERT_TRUE(pellix::test::waitUntil([&] { return QFile::exists(socket); }, 10000));
  crashed.kill();
  crashed.waitForFinished(5000);

  pellix::SingleInstance next(pellix::InstanceKey());
  EXPECT_TRUE(next.Acquire());
  EXPECT_TRUE(next.IsOwner());
}

}  // namespace
