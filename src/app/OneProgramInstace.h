#pragma once
// One running instance per version and user. The first instance holds a lock file
// named by the instance key and listens on a local socket of the same name; a later
// start finds the lock, asks the running instance to restore its window and ends.
#include <QString>

#include <functional>
#include <memory>

class QWidget;
class QLockFile;
class QLocalServer;

namespace pellix {

// Folder of the lock and the socket: the user's runtime folder ($XDG_RUNTIME_DIR).
QString InstanceFolder();

class SingleInstance {
 public:
  explicit SingleInstance(const QString& key);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // False only when a live instance holds the lock. True when this process now is the
  // instance (it holds the lock and listens), and also when the lock cannot be made at
  // all: that is reported on stderr and the program runs without it.
  bool Acquire();
  bool IsOwner() const;

  // Asks the instance holding `key` to restore its window and waits for its answer.
  // False when none answered within timeoutMs.
  static bool RequestRestore(const QString& key, int timeoutMs);

  // Runs on the GUI thread for every restore request that arrives.
  std::function<void()> OnRestore;

 private:
  QString key_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

// Brings a window back from the task bar and to the front; while a modal window runs,
// that one comes to the front instead.
void RestoreWindow(QWidget* window);

// The process-wide instance made by CheckSingleInstance (null before).
SingleInstance* ProgramInstance();

}  // namespace pellix

// Returns when no other instance of this version runs; otherwise asks that one to
// restore its window and ends the process with exit code 0.
void CheckSingleInstance();
// Restore requests bring `window` to the front from now on / no longer.
void HookMainWindow(QWidget* window);
void UnhookMainWindow(QWidget* window);
