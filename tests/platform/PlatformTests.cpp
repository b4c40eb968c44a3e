#include "ErrorReport.h"
#include "PortsFolder.h"
#include "QtPrompts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolTip>

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

// "*.*" means every file: here a name need not have a dot.
TEST(QtPrompts, PipeFilterBecomesQtFilterWithBothCases) {
  EXPECT_EQ(qtFileFilter(QStringLiteral("Binary files (*.bin)|*.BIN")),
            QStringLiteral("Binary files (*.BIN *.bin)"));
  EXPECT_EQ(qtFileFilter(QStringLiteral("Text files|*.txt|All|*.*")),
            QStringLiteral("Text files (*.txt *.TXT);;All (*)"));
}

// The real input dialog: a character the rule refuses never reaches the field, and the
// operator reads why.
TEST(QtPrompts, InputQueryKeepsOutWhatTheRuleRefusesAndShowsItsHint) {
  QString value = QStringLiteral("Kotel");
  QString hint;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* edit = dialog->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->end(false);
    for (const QString& typed : {QStringLiteral(" "), QString::fromUtf8("\u010D"), QStringLiteral("1")}) {
      QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
      QApplication::sendEvent(edit, &key);
      if (hint.isEmpty()) hint = QToolTip::text();
    }
    dialog->accept();
  });
  QTimer::singleShot(5000, [] {  // never hang on a dialog the test did not find
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  const bool ok = QtPrompts().inputQuery(
      QStringLiteral("Edit description - Channel 0"), QStringLiteral("Text:"), value,
      [](char32_t c) { return c == U'\u010D' ? QStringLiteral("No such character here.") : QString(); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(value, QStringLiteral("Kotel 1"));
  EXPECT_EQ(hint, QStringLiteral("No such character here."));
}

TEST(PortsFolder, EnvironmentOverridesTheConfigFolder) {
  EXPECT_EQ(portsFolder(), test::sandboxDir() + QStringLiteral("/ports"));
  EXPECT_EQ(portsFolderEntry(33), test::sandboxDir() + QStringLiteral("/ports/COM33"));
  const QByteArray saved = qgetenv("PELLIX_PORTS_DIR");
  qunsetenv("PELLIX_PORTS_DIR");
  EXPECT_EQ(portsFolder(), test::sandboxDir() + QStringLiteral("/home/.config/Quorvel/Pellix Tool/ports"));
  qputenv("PELLIX_PORTS_DIR", saved);
}
