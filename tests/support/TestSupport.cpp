#include "TestSupport.h"

#include "ErrorReport.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QThread>

#include <cstdlib>
#include <memory>

namespace pellix::test {
namespace {

ScriptedPrompts* g_prompts = nullptr;
QString g_sandbox;

// A fresh script and an empty settings store for every test, so that no test depends on
// what another one left behind; answers it did not use are a failure.
class PromptsListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    QSettings store(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
    store.clear();
    store.sync();
    auto p = std::make_unique<ScriptedPrompts>();
    p->setFailureHandler([](const QString& msg) { ADD_FAILURE() << msg.toStdString(); });
    g_prompts = p.get();
    installPrompts(std::move(p));
    setErrorHandler({});
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    if (g_prompts && g_prompts->pending() > 0)
      ADD_FAILURE() << g_prompts->pending() << " scripted prompt answer(s) were never asked for";
  }
};

}  // namespace

ScriptedPrompts& scriptedPrompts() { return *g_prompts; }
QString sandboxDir() { return g_sandbox; }

bool waitUntil(const std::function<bool()>& pred, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() >= timeoutMs) return pred();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

void processEventsFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

// Called by the mains before the application object exists.
void prepareSandbox() {
  QByteArray tmpl = QDir::tempPath().toLocal8Bit() + "/pellix-test-XXXXXX";
  char* dir = mkdtemp(tmpl.data());
  if (!dir) std::abort();
  g_sandbox = QString::fromLocal8Bit(dir);
  const QByteArray base = QByteArray(dir);
  for (const char* sub : {"/home", "/home/.config", "/home/.local/share", "/ports", "/by-id"})
    QDir().mkpath(QString::fromLocal8Bit(base + sub));
  setenv("HOME", base + "/home", 1);
  setenv("XDG_CONFIG_HOME", base + "/home/.config", 1);
  setenv("XDG_DATA_HOME", base + "/home/.local/share", 1);
  setenv("PELLIX_PORTS_DIR", base + "/ports", 1);
  setenv("PELLIX_BY_ID_DIR", base + "/by-id", 1);
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::UnitTest::GetInstance()->listeners().Append(new PromptsListener);
}

void removeSandbox() {
  if (!g_sandbox.isEmpty() && !getenv("PELLIX_KEEP_SANDBOX")) QDir(g_sandbox).removeRecursively();
}

}  // namespace pellix::test
