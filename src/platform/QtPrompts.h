#pragma once
// The program's Prompts: Qt message boxes, input dialogs and file dialogs.
#include "Prompts.h"

#include <functional>

class QWidget;

namespace pellix {

class QtPrompts final : public Prompts {
 public:
  using MaskQuery = std::function<bool(const QString& caption, const QString& prompt, QString& value)>;

  // The masked ROM-code box lives with the other small dialogs; the program hands it in.
  explicit QtPrompts(MaskQuery maskQuery = {});

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
  MaskQuery maskQuery_;
};

// The window a prompt belongs to: the modal dialog the operator works in, else the active
// window, else the prompt owner while it is visible, else any visible window of ours.
// Null only when no window of ours is visible. A box without a parent is a window of its
// own: the window manager puts it anywhere, and closing it may end the program.
QWidget* PromptParent();
// The window prompts belong to when none of ours is active (another program has the
// focus, or a file dialog has just closed): the main window.
void SetPromptOwner(QWidget* window);

// "Binary files (*.bin)|*.BIN" -> "Binary files (*.bin *.BIN)": Qt's form of a filter list.
// "*.*" becomes "*": on this system a file name need not have a dot.
QString qtFileFilter(const QString& pipeFilter);

}  // namespace pellix
