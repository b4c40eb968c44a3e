#pragma once
// pellix-cli on a terminal or in a script: the one question before a command overwrites,
// the prompts of the shared code as lines, and a progress line on stderr.
#include "Prompts.h"

#include <QString>

namespace pellix::cli {

bool StdinIsTerminal();
bool StderrIsTerminal();

// With --yes: true. Otherwise asks `question` once on a terminal ("[y/N]"); without a
// terminal CliError(ExitUsage), for nothing may be written unasked.
bool ConfirmOverwrite(const QString& command, const QString& question, bool yes);

void PrintOut(const QString& text);  // stdout, as is
void PrintErr(const QString& text);  // stderr, as is

// Rewrites one line of stderr while stderr is a terminal; prints nothing elsewhere.
class ProgressLine {
 public:
  void Show(const QString& text, int position = -1, int maximum = 0);
  // Ends the line on a terminal.
  void Finish();

 private:
  QString last_;
  bool open_ = false;
};

// The prompts of the shared code: messages go to stderr (errors) or stdout, a question
// is answered as the operator already did with --yes or on the terminal.
class CliPrompts : public Prompts {
 public:
  // answer: what every question gets. informationToStderr: while the messages are
  // about the command's own input, not its outcome.
  explicit CliPrompts(bool answer, bool informationToStderr = false)
      : answer_(answer), informationToStderr_(informationToStderr) {}
  void information(const QString& text, const QString& caption = {}) override;
  void error(const QString& text, const QString& caption = {}) override;
  bool warning(const QString& text, const QString& caption = {}) override;
  void warningOk(const QString& text, const QString& caption = {}) override;
  bool confirmation(const QString& text, ConfirmButtons buttons, const QString& caption = {}) override;
  bool inputQuery(const QString& caption, const QString& prompt, QString& value,
                  const CharacterRule& rule = {}) override;
  bool maskInputQuery(const QString& caption, const QString& prompt, QString& value) override;
  bool openFile(const FileDialogSpec& spec, QString& fileName) override;
  bool saveFile(const FileDialogSpec& spec, QString& fileName) override;

 private:
  bool answer_;
  bool informationToStderr_;
};

}  // namespace pellix::cli
