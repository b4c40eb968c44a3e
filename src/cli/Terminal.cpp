#include "Terminal.h"

#include "CliOptions.h"

#include <unistd.h>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <string>

namespace pellix::cli {

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void PrintOut(const QString& text) {
  std::cout << text.toLocal8Bit().constData();
  std::cout.flush();
}

void PrintErr(const QString& text) {
  std::cerr << text.toLocal8Bit().constData();
  std::cerr.flush();
}

bool ConfirmOverwrite(const QString& command, const QString& question, bool yes) {
  if (yes) return true;
  if (!StdinIsTerminal())
    throw CliError(ExitUsage,
                   QStringLiteral("%1 overwrites the gateway: confirm it with --yes (standard input is "
                                  "not a terminal)")
                       .arg(command));
  PrintErr(question + QStringLiteral(" [y/N] "));
  std::string answer;
  if (!std::getline(std::cin, answer)) answer.clear();
  const QString a = QString::fromLocal8Bit(answer.c_str()).trimmed().toLower();
  if (a == QLatin1String("y") || a == QLatin1String("yes")) return true;
  PrintErr(QStringLiteral("Nothing was written.\n"));
  return false;
}

void ProgressLine::Show(const QString& text, int position, int maximum) {
  // A script's stderr gets the outcome only.
  if (!StderrIsTerminal()) return;
  QString line = text;
  if (maximum > 0) line = QStringLiteral("%1% %2").arg(100 * position / maximum, 3).arg(text);
  if (line == last_) return;
  // Clear the rest of an earlier, longer line.
  PrintErr(QStringLiteral("\r\x1b[K") + line);
  last_ = line;
  open_ = true;
}

void ProgressLine::Finish() {
  if (open_) PrintErr(QStringLiteral("\n"));
  open_ = false;
  last_.clear();
}

void CliPrompts::information(const QString& text, const QString&) {
  if (informationToStderr_)
    PrintErr(text + QLatin1Char('\n'));
  else
    PrintOut(text + QLatin1Char('\n'));
}
void CliPrompts::error(const QString& text, const QString&) { PrintErr(text + QLatin1Char('\n')); }
void CliPrompts::warningOk(const QString& text, const QString&) { PrintErr(text + QLatin1Char('\n')); }

bool CliPrompts::warning(const QString& text, const QString&) {
  PrintErr(text + QLatin1Char('\n'));
  return answer_;
}

bool CliPrompts::confirmation(const QString& text, ConfirmButtons, const QString&) {
  PrintErr(text + (answer_ ? QStringLiteral(" yes\n") : QStringLiteral(" no\n")));
  return answer_;
}

// pellix-cli asks for nothing else: its arguments are the answers.
bool CliPrompts::inputQuery(const QString&, const QString&, QString&, const CharacterRule&) { return false; }
bool CliPrompts::maskInputQuery(const QString&, const QString&, QString&) { return false; }
bool CliPrompts::openFile(const FileDialogSpec&, QString&) { return false; }
bool CliPrompts::saveFile(const FileDialogSpec&, QString&) { return false; }

}  // namespace pellix::cli
