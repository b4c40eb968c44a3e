#include "OneProgramInstace.h"

#include "AppIdentificators.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace pellix {
namespace {

const QByteArray RestoreRequest = "restore\n";
const QByteArray RestoreDone = "ok\n";

QString socketPath(const QString& key) { return InstanceFolder() + QLatin1Char('/') + key; }
QString lockPath(const QString& key) { return socketPath(key) + QStringLiteral(".lock"); }

QString lockFailure(const QLockFile& lock) {
  const QString name = QDir::toNativeSeparators(lock.fileName());
  switch (lock.error()) {
    case QLockFile::PermissionError:
      return QStringLiteral("cannot create the lock file %1 (permission denied)").arg(name);
    case QLockFile::LockFailedError:
      return QStringLiteral("the lock file %1 is not a lock of this program").arg(name);
    default:
      return QStringLiteral("cannot create the lock file %1").arg(name);
  }
}

std::unique_ptr<SingleInstance>& programInstance() {
  static std::unique_ptr<SingleInstance> instance;
  return instance;
}

QPointer<QWidget>& hookedWindow() {
  static QPointer<QWidget> window;
  return window;
}

}  // namespace

QString InstanceFolder() {
  QString dir = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
  if (dir.isEmpty() || !QDir(dir).exists())
    dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return dir;
}

SingleInstance::SingleInstance(const QString& key) : key_(key) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

bool SingleInstance::IsOwner() const { return server_ && server_->isListening(); }

bool SingleInstance::Acquire() {
  if (IsOwner()) return true;
  QDir().mkpath(InstanceFolder());
  lock_ = std::make_unique<QLockFile>(lockPath(key_));
  // A lock left by a crashed instance is stale and taken over by tryLock.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    // Only a lock that a live instance holds means "already running"; a lock that cannot
    // be made is no reason to refuse the operator the program.
    qint64 pid = 0;
    QString host, app;
    const bool held =
        lock_->error() == QLockFile::LockFailedError && lock_->getLockInfo(&pid, &host, &app) && pid > 0;
    const QString reason = lockFailure(*lock_);
    lock_.reset();
    if (held) return false;
    std::fprintf(stderr, "single instance: %s; running without it.\n", qPrintable(reason));
    return true;
  }
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(socketPath(key_));  // a socket file left by a crash
  if (!server_->listen(socketPath(key_))) {
    // Without the socket we still are the one instance; a second start then only
    // cannot bring us to the front.
    std::fprintf(stderr, "single instance: %s\n", qPrintable(server_->errorString()));
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      QObject::connect(s, &QLocalSocket::readyRead, s, [this, s] {
        while (s->canReadLine()) {
          if (s->readLine() != RestoreRequest) continue;
          if (OnRestore) OnRestore();
          s->write(RestoreDone);
          s->flush();
        }
      });
    }
  });
  return true;
}

bool SingleInstance::RequestRestore(const QString& key, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  // The running instance may hold the lock but not listen yet: try again a little.
  while (t.elapsed() < timeoutMs) {
    QLocalSocket s;
    s.connectToServer(socketPath(key));
    if (s.waitForConnected(200)) {
      s.write(RestoreRequest);
      if (!s.waitForBytesWritten(500)) return false;
      const int left = std::max(1, timeoutMs - static_cast<int>(t.elapsed()));
      while (!s.canReadLine() && s.waitForReadyRead(left)) {
      }
      return s.canReadLine() && s.readLine() == RestoreDone;
    }
    QThread::msleep(50);
  }
  return false;
}

void RestoreWindow(QWidget* window) {
  if (!window) return;
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  // A modal window (the upgrade window, for which the main window is hidden, or any
  // prompt) is what the operator works in: it comes forward, a hidden window stays hidden.
  QWidget* front = QApplication::activeModalWidget();
  if (!front) {
    window->show();
    front = window;
  }
  front->raise();
  front->activateWindow();
}

SingleInstance* ProgramInstance() { return programInstance().get(); }

}  // namespace pellix

void CheckSingleInstance() {
  auto& instance = pellix::programInstance();
  instance = std::make_unique<pellix::SingleInstance>(pellix::InstanceKey());
  if (instance->Acquire()) {
    instance->OnRestore = [] { pellix::RestoreWindow(pellix::hookedWindow()); };
    return;
  }
  pellix::SingleInstance::RequestRestore(pellix::InstanceKey(), 2000);
  std::fflush(nullptr);
  std::_Exit(0);
}

void HookMainWindow(QWidget* window) { pellix::hookedWindow() = window; }

void UnhookMainWindow(QWidget* window) {
  if (pellix::hookedWindow() == window) pellix::hookedWindow() = nullptr;
}
