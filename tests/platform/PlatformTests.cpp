#include "ErrorReport.h"
#include "PortsFolder.h"
#include "QtPrompts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QTimer>

#include <stdexcept>

using namespace pellix;

TEST(ErrorReport, ExceptionLeavingAnEventHandlerReachesTheHandlerOnce) {
  std::vector<std::string> seen;
  setErrorHandler([&](const std::exception& e) { seen.emplace_back(e.what()); });
  QTimer::singleShot(0, [] { throw std::runtime_error("Read data error - AfComPort1 "); });
  QTimer::singleShot(0, [] { throw SilentException(); });
  test::processEventsFor(30);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "Read data error - AfComPort1 ");
}

TEST(ErrorReport, DefaultHandlerShowsTheMessageAsAnError) {
  test::scriptedPrompts().expect(PromptKind::Error);
  EXPECT_FALSE(guarded([] { throw std::runtime_error("Port is not closed - AfComPort1 "); }));
  ASSERT_EQ(test::scriptedPrompts().records().size(), 1u);
  EXPECT_EQ(test::scriptedPrompts().records()[0].text, QStringLiteral("Port is not closed - AfComPort1 "));
}

TEST(ScriptedPrompts, AnswersInOrderAndRecordsEveryPrompt) {
  auto& p = test::scriptedPrompts();
  p.expect(PromptKind::InputQuery, true, QStringLiteral("7"));
  p.expect(PromptKind::Confirmation, false);
  QString v = QStringLiteral("old");
  EXPECT_TRUE(prompts().inputQuery(QStringLiteral("Save device with index: 3"), QStringLiteral("Enter"), v));
  EXPECT_EQ(v, QStringLiteral("7"));
  EXPECT_FALSE(prompts().confirmation(QStringLiteral("Sure?"), ConfirmButtons::OkCancel));
  ASSERT_EQ(p.records().size(), 2u);
  EXPECT_EQ(p.records()[0].caption, QStringLiteral("Save device with index: 3"));
  EXPECT_EQ(p.records()[0].value, QStringLiteral("old"));
}

TEST(ScriptedPrompts, UnexpectedPromptIsReportedAndAnsweredNegatively) {
  ScriptedPrompts p;
  QString failure;
  p.setFailureHandler([&](const QString& m) { failure = m; });
  p.expect(PromptKind::Error);
  EXPECT_FALSE(p.warning(QStringLiteral("Overwrite?")));
  EXPECT_TRUE(failure.contains(QStringLiteral("unexpected Warning prompt \"Overwrite?\"")));
  EXPECT_TRUE(failure.contains(QStringLiteral("expected Error")));
}

TEST(QtPrompts, PipeFilterBecomesQtFilterWithBothCases) {
  EXPECT_EQ(qtFileFilter(QStringLiteral("Binary files (*.bin)|*.BIN")),
            QStringLiteral("Binary files (*.BIN *.bin)"));
  EXPECT_EQ(qtFileFilter(QStringLiteral("Text files|*.txt|All|*.*")),
            QStringLiteral("Text files (*.txt *.TXT);;All (*.*)"));
}

TEST(PortsFolder, EnvironmentOverridesTheConfigFolder) {
  EXPECT_EQ(portsFolder(), test::sandboxDir() + QStringLiteral("/ports"));
  EXPECT_EQ(portsFolderEntry(33), test::sandboxDir() + QStringLiteral("/ports/COM33"));
  const QByteArray saved = qgetenv("PELLIX_PORTS_DIR");
  qunsetenv("PELLIX_PORTS_DIR");
  EXPECT_EQ(portsFolder(), test::sandboxDir() + QStringLiteral("/home/.config/Quorvel/Pellix Tool/ports"));
  qputenv("PELLIX_PORTS_DIR", saved);
}
