#pragma once
// Every modal interaction with the operator goes through this interface, so that
// the program shows real dialogs and the tests answer from a script.
#include <QString>
#include <functional>
#include <memory>

namespace pellix {

enum class PromptKind {
  Information,   // OK
  Warning,       // Yes/No
  WarningOk,     // a warning with OK only
  Error,         // OK
  Confirmation,  // OK/Cancel or Yes/No
  InputQuery,
  MaskInputQuery,
  OpenFile,
  SaveFile,
};

enum class ConfirmButtons { OkCancel, YesNo };

// What an input query lets the operator type: the hint for a character it refuses (with a
// beep), or an empty text for one it takes.
using CharacterRule = std::function<QString(char32_t c)>;

struct FileDialogSpec {
  QString title;
  QString filter;            // in the "Text (*.ext)|*.EXT" form of the original dialogs
  QString defaultExtension;  // without the dot
  QString initialDir;
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  virtual void information(const QString& text, const QString& caption = {}) = 0;
  virtual void error(const QString& text, const QString& caption = {}) = 0;
  // true = Yes
  virtual bool warning(const QString& text, const QString& caption = {}) = 0;
  // A warning the operator only acknowledges.
  virtual void warningOk(const QString& text, const QString& caption = {}) = 0;
  // true = OK or Yes
  virtual bool confirmation(const QString& text, ConfirmButtons buttons, const QString& caption = {}) = 0;
  // true = OK; value is in/out
  virtual bool inputQuery(const QString& caption, const QString& prompt, QString& value,
                          const CharacterRule& rule = {}) = 0;
  virtual bool maskInputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
  virtual bool openFile(const FileDialogSpec& spec, QString& fileName) = 0;
  virtual bool saveFile(const FileDialogSpec& spec, QString& fileName) = 0;
};

// The process-wide instance. Without an installed one, every prompt is printed to
// stderr and answered negatively, so nothing ever blocks on a missing screen.
Prompts& prompts();
void installPrompts(std::unique_ptr<Prompts> p);
std::unique_ptr<Prompts> takePrompts();

}  // namespace pellix
