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
  bool confirmation(const QString& text, ConfirmButtons buttons, const QString& caption = {}) override;
  bool inputQuery(const QString& caption, const QString& prompt, QString& value,
                  const CharacterRule& rule = {}) override;
  bool maskInputQuery(const QString& caption, const QString& prompt, QString& value) override;
  bool openFile(const FileDialogSpec& spec, QString& fileName) override;
  bool saveFile(const FileDialogSpec& spec, QString& fileName) override;

 private:
  MaskQuery maskQuery_;
};

// "Binary files (*.bin)|*.BIN" -> "Binary files (*.bin *.BIN)": Qt's form of a filter list.
QString qtFileFilter(const QString& pipeFilter);

}  // namespace pellix
