// bench_qt_floor: the least a Qt widget program pays for what the program does on every poll.
// One window with one label whose count goes up every 300 ms (one timer wake-up, one repaint
// of a short text); nothing is read or written. compare-mbpoll.sh measures it beside the
// program and mbpoll, so that the program's cost can be told apart from the toolkit's.
// Runs until SIGTERM; the environment is the program's own (no X shared memory).
#include <QApplication>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_quit[2];
}

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  QApplication app(argc, argv);
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_quit) != 0) return 1;
  signal(SIGTERM, [](int) { [[maybe_unused]] ssize_t n = ::write(g_quit[0], "q", 1); });
  QSocketNotifier quit(g_quit[1], QSocketNotifier::Read);
  QObject::connect(&quit, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

  QWidget window;
  auto* label = new QLabel(QStringLiteral("Tx = 0"));
  label->setAutoFillBackground(true);
  (new QVBoxLayout(&window))->addWidget(label);
  label->setFixedSize(120, 20);
  window.show();
  int count = 0;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, label,
                   [&] { label->setText(QStringLiteral("Tx = ") + QString::number(++count)); });
  timer.start(300);
  return app.exec();
}
