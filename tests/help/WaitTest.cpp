#include "Wait.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {

double threadCpuMs() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

TEST(WaitWithMessages, ZeroReturnsWithoutHandlingAnything) {
  bool timerRan = false;
  bool postedRan = false;
  QTimer::singleShot(0, [&] { timerRan = true; });
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&] { postedRan = true; }, Qt::QueuedConnection);
  WaitWithMessages(0);
  WaitWithMessages(-5);
  EXPECT_FALSE(timerRan);
  EXPECT_FALSE(postedRan);
  QCoreApplication::processEvents();  // do not leave them pending
}

TEST(WaitWithMessages, HandlesTimersAndPostedEventsForTheWholeWait) {
  int timerRuns = 0;
  bool postedRan = false;
  QTimer repeating;
  QObject::connect(&repeating, &QTimer::timeout, [&] { ++timerRuns; });
  repeating.start(10);
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&] { postedRan = true; }, Qt::QueuedConnection);
  QElapsedTimer clock;
  clock.start();
  WaitWithMessages(50);
  const qint64 took = clock.elapsed();
  EXPECT_TRUE(postedRan);
  EXPECT_GE(timerRuns, 2);  // not just the first event: it keeps handling until the deadline
  EXPECT_GE(took, 50);
  EXPECT_LT(took, 2000);
}

TEST(WaitWithMessages, NestedWaitInsideAHandler) {
  bool innerDone = false;
  QTimer::singleShot(5, [&] {
    WaitWithMessages(20);
    innerDone = true;
  });
  QElapsedTimer clock;
  clock.start();
  WaitWithMessages(60);
  EXPECT_TRUE(innerDone);
  EXPECT_GE(clock.elapsed(), 60);
}

// The import waits thousands of times; a spinning wait would burn a core throughout.
TEST(WaitWithMessages, BlocksInsteadOfSpinning) {
  const double before = threadCpuMs();
  WaitWithMessages(300);
  const double used = threadCpuMs() - before;
  EXPECT_LT(used, 60.0) << "CPU time used during a 300 ms wait: " << used << " ms";
}

}  // namespace
