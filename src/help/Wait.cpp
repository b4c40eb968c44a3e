#include "Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

void WaitWithMessages(int ms) {
  if (ms <= 0) return;
  QElapsedTimer clock;  // monotonic, 64-bit: no wrap during a wait
  clock.start();
  for (;;) {
    const qint64 remaining = ms - clock.elapsed();
    if (remaining <= 0) return;
    if (!QCoreApplication::instance() || !QThread::currentThread()->eventDispatcher()) {
      QThread::msleep(static_cast<unsigned long>(remaining));  // no event loop to run
      continue;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    bool reached = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
      reached = true;
      loop.quit();
    });
    deadline.start(static_cast<int>(remaining));
    loop.exec();
    // Left without our deadline: the application is quitting; do not keep it waiting.
    if (!reached) return;
  }
}
