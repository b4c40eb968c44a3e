#pragma once
// Test double of the Prompts seam: answers from a queue and records every prompt.
#include "Prompts.h"

#include <deque>
#include <functional>
#include <vector>

namespace pellix {

struct PromptRecord {
  PromptKind kind;
  QString caption;
  QString text;   // message text, or the prompt of an input query, or a dialog's title
  QString value;  // the value an input query started with
};

struct PromptAnswer {
  PromptKind kind;
  bool accept = true;  // OK / Yes
  QString value;       // for input queries and file dialogs
  // Runs while the prompt is "open" (a nested event loop in the real program).
  std::function<void()> whileOpen;
};

class ScriptedPrompts final : public Prompts {
 public:
  // Called when a prompt arrives that the script does not expect; the prompt is
  // then answered negatively. The default prints and aborts, so that a test never hangs.
  using FailureHandler = std::function<void(const QString& message)>;

  ScriptedPrompts();

  void expect(PromptAnswer answer);
  void expect(PromptKind kind, bool accept = true, QString value = {});
  // Answer the prompts that have only an OK button without scripting them.
  void setAutoAcknowledge(bool on) { autoAcknowledge_ = on; }
  void setFailureHandler(FailureHandler h) { failure_ = std::move(h); }

  const std::vector<PromptRecord>& records() const { return records_; }
  std::vector<QString> texts(PromptKind kind) const;
  void clearRecords() { records_.clear(); }
  // The hints of the characters input queries refused.
  const std::vector<QString>& refusals() const { return refusals_; }
  int pending() const { return static_cast<int>(queue_.size()); }

  void information(const QString& text, const QString& caption = {}) override;
  void error(const QString& text, const QString& caption = {}) override;
  bool warning(const QString& text, const QString& caption = {}) override;
  void warningOk(const QString& text, const QString& caption = {}) override;
  bool confirmation(const QString& text, ConfirmButtons buttons, const QString& caption = {}) override;
  // With a rule, the answer is typed in character by character: a refused character stays
  // out and its hint is noted in refusals().
  bool inputQuery(const QString& caption, const QString& prompt, QString& value,
                  const CharacterRule& rule = {}) override;
  bool maskInputQuery(const QString& caption, const QString& prompt, QString& value) override;
  bool openFile(const FileDialogSpec& spec, QString& fileName) override;
  bool saveFile(const FileDialogSpec& spec, QString& fileName) override;

 private:
  bool answer(PromptRecord rec, QString* value);

  std::deque<PromptAnswer> queue_;
  std::vector<PromptRecord> records_;
  std::vector<QString> refusals_;
  FailureHandler failure_;
  bool autoAcknowledge_ = false;
};

const char* promptKindName(PromptKind kind);

}  // namespace pellix
