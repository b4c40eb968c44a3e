#include "AppIdentificators.h"
#include "CommandLine.h"
#include "DesktopIdentity.h"
#include "OneProgramInstace.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QIcon>
#include <QProcess>

#include <sstream>
#include <string>
#include <vector>

namespace pellix::test {
namespace {

struct Outcome {
  std::optional<int> exitCode;
  std::string out;
  std::string err;
};

Outcome run(std::vector<const char*> args) {
  args.insert(args.begin(), "pellix-tool");
  std::ostringstream out, err;
  const auto code = HandleCommandLine(static_cast<int>(args.size()), args.data(), out, err);
  return {code, out.str(), err.str()};
}

const std::string Version = "Pellix Tool V1.09.3 (DUNO)\n";

TEST(CommandLine, NothingOrQtsOwnOptionsStartTheProgram) {
  EXPECT_EQ(run({}).exitCode, std::nullopt);
  // A value of Qt's is Qt's, even when it looks like one of ours.
  const Outcome qt = run({"-platform", "offscreen", "--style", "fusion", "-stylesheet=a.qss", "-reverse",
                          "-qwindowtitle", "--version"});
  EXPECT_EQ(qt.exitCode, std::nullopt);
  EXPECT_EQ(qt.out + qt.err, "");
}

TEST(CommandLine, HelpAndVersionPrintAndEnd) {
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: pellix-tool [option]...\n", 0), 0u) << help.out;
  EXPECT_EQ(run({"-h"}).out, help.out);
  const Outcome version = run({"-display", ":0", "--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, Version);
  EXPECT_EQ(help.err + version.err, "");
}

struct MistakeRow {
  std::vector<const char*> args;
  const char* what;
};

void PrintTo(const MistakeRow& r, std::ostream* os) {
  for (const char* a : r.args) *os << a;
}

class CommandLineMistake : public ::testing::TestWithParam<MistakeRow> {};

TEST_P(CommandLineMistake, IsNamedAndEndsWithExitCode2) {
  const Outcome o = run(GetParam().args);
  EXPECT_EQ(o.exitCode, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, std::string("pellix-tool: ") + GetParam().what +
                       "\nTry 'pellix-tool --help' for more information.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineMistake,
    ::testing::Values(MistakeRow{{"--bogus"}, "unknown option '--bogus'"},
                      MistakeRow{{"config.bin"},
                                 "unexpected argument 'config.bin'; the program takes no files"},
                      MistakeRow{{"-style"}, "option '-style' needs a value"},
                      MistakeRow{{"--version", "-x"}, "unknown option '-x'"}));

// Every option the command line passes on as Qt's is one that Qt takes out: none of
// them may be mistaken for an argument, and none may swallow the argument after it.
TEST(CommandLine, QtTakesEveryOptionPassedOnToIt) {
  QStringList args;
  for (const QtOption& o : QtOptions()) {
    if (o.x11Only) continue;
    const QString name = QString::fromLatin1(o.name);
    args << (name == QLatin1String("-reverse") ? QStringLiteral("-") + name : name);  // also Qt's "--" form
    if (!o.takesValue) continue;
    if (name == QLatin1String("-platform"))
      args << QStringLiteral("offscreen");
    else if (name == QLatin1String("-qwindowgeometry"))
      args << QStringLiteral("100x100");
    else
      args << sandboxDir() + QStringLiteral("/none");
  }
  args << QStringLiteral("left-over");
  std::vector<QByteArray> bytes;
  std::vector<const char*> argv;
  for (const QString& a : args) bytes.push_back(a.toLocal8Bit());
  for (const QByteArray& b : bytes) argv.push_back(b.constData());
  EXPECT_EQ(run(argv).err,
            "pellix-tool: unexpected argument 'left-over'; the program takes no files\n"
            "Try 'pellix-tool --help' for more information.\n");

  QProcess probe;
  probe.start(QStringLiteral(QT_OPTIONS_PROBE), args);
  ASSERT_TRUE(probe.waitForFinished(20000));
  EXPECT_EQ(QString::fromLocal8Bit(probe.readAllStandardOutput()), QStringLiteral("left-over\n"))
      << args.join(QLatin1Char(' ')).toStdString();
}

// The installed program answers from any shell: no display, and a running instance
// does not swallow the answer.
TEST(ProgramCommandLine, AnswersWithoutADisplayWhileAnInstanceRuns) {
  const QString runtime = sandboxDir() + QStringLiteral("/runtime");
  QDir().mkpath(runtime);
  qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
  SingleInstance running(InstanceKey());
  ASSERT_TRUE(running.Acquire());

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  QProcess tool;
  tool.setProcessEnvironment(env);
  tool.start(QStringLiteral(PELLIX_TOOL), {QStringLiteral("--version")});
  ASSERT_TRUE(tool.waitForFinished(20000));
  EXPECT_EQ(tool.exitCode(), 0);
  EXPECT_EQ(tool.readAllStandardOutput().toStdString(), Version);

  tool.start(QStringLiteral(PELLIX_TOOL), {QStringLiteral("--bogus")});
  ASSERT_TRUE(tool.waitForFinished(20000));
  EXPECT_EQ(tool.exitCode(), 2);
  EXPECT_TRUE(tool.readAllStandardError().startsWith("pellix-tool: unknown option '--bogus'"));
}

TEST(DesktopIdentity, TheProgramCarriesItsIconInEveryDesktopSize) {
  const QIcon icon = ProgramIcon();
  for (int size : {48, 64, 128, 256}) {
    const QPixmap pixmap = icon.pixmap(QSize(size, size));
    EXPECT_FALSE(pixmap.isNull()) << size;
    EXPECT_EQ(pixmap.size(), QSize(size, size));
  }
}

}  // namespace
}  // namespace pellix::test
