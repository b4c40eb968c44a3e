#include "ScriptedPrompts.h"

#include <QList>

#include <cstdio>
#include <cstdlib>

namespace pellix {

const char* promptKindName(PromptKind kind) {
  switch (kind) {
    case PromptKind::Information:
      return "Information";
    case PromptKind::Warning:
      return "Warning";
    case PromptKind::WarningOk:
      return "WarningOk";
    case PromptKind::Error:
      return "Error";
    case PromptKind::Confirmation:
      return "Confirmation";
    case PromptKind::InputQuery:
      return "InputQuery";
    case PromptKind::MaskInputQuery:
      return "MaskInputQuery";
    case PromptKind::OpenFile:
      return "OpenFile";
    case PromptKind::SaveFile:
      return "SaveFile";
  }
  return "?";
}

ScriptedPrompts::ScriptedPrompts()
    : failure_([](const QString& message) {
        std::fprintf(stderr, "ScriptedPrompts: %s\n", message.toLocal8Bit().constData());
        std::abort();
      }) {}

void ScriptedPrompts::expect(PromptAnswer answer) { queue_.push_back(std::move(answer)); }

void ScriptedPrompts::expect(PromptKind kind, bool accept, QString value) {
  queue_.push_back(PromptAnswer{kind, accept, std::move(value), {}});
}

std::vector<QString> ScriptedPrompts::texts(PromptKind kind) const {
  std::vector<QString> out;
  for (const auto& r : records_)
    if (r.kind == kind) out.push_back(r.text);
  return out;
}

bool ScriptedPrompts::answer(PromptRecord rec, QString* value) {
  const PromptKind kind = rec.kind;
  records_.push_back(rec);
  if (queue_.empty() || queue_.front().kind != kind) {
    if (autoAcknowledge_ &&
        (kind == PromptKind::Information || kind == PromptKind::Error || kind == PromptKind::WarningOk))
      return true;
    QString msg = QStringLiteral("unexpected %1 prompt \"%2\" (caption \"%3\")")
                      .arg(QString::fromLatin1(promptKindName(kind)), rec.text, rec.caption);
    if (!queue_.empty())
      msg += QStringLiteral("; expected %1").arg(QString::fromLatin1(promptKindName(queue_.front().kind)));
    failure_(msg);
    return false;
  }
  PromptAnswer a = std::move(queue_.front());
  queue_.pop_front();
  if (a.whileOpen) a.whileOpen();
  if (value && a.accept) *value = a.value;
  return a.accept;
}

void ScriptedPrompts::information(const QString& text, const QString& caption) {
  answer({PromptKind::Information, caption, text, {}}, nullptr);
}
void ScriptedPrompts::error(const QString& text, const QString& caption) {
  answer({PromptKind::Error, caption, text, {}}, nullptr);
}
bool ScriptedPrompts::warning(const QString& text, const QString& caption) {
  return answer({PromptKind::Warning, caption, text, {}}, nullptr);
}
void ScriptedPrompts::warningOk(const QString& text, const QString& caption) {
  answer({PromptKind::WarningOk, caption, text, {}}, nullptr);
}
bool ScriptedPrompts::confirmation(const QString& text, ConfirmButtons, const QString& caption) {
  return answer({PromptKind::Confirmation, caption, text, {}}, nullptr);
}
bool ScriptedPrompts::inputQuery(const QString& caption, const QString& prompt, QString& value,
                                 const CharacterRule& rule) {
  QString typed;
  if (!answer({PromptKind::InputQuery, caption, prompt, value}, &typed)) return false;
  if (!rule) {
    value = typed;
    return true;
  }
  value.clear();
  for (char32_t c : typed.toUcs4()) {
    const QString hint = rule(c);
    if (hint.isEmpty())
      value += QString::fromUcs4(&c, 1);
    else
      refusals_.push_back(hint);
  }
  return true;
}
bool ScriptedPrompts::maskInputQuery(const QString& caption, const QString& prompt, QString& value) {
  return answer({PromptKind::MaskInputQuery, caption, prompt, value}, &value);
}
bool ScriptedPrompts::openFile(const FileDialogSpec& spec, QString& fileName) {
  return answer({PromptKind::OpenFile, spec.title, spec.filter, fileName}, &fileName);
}
bool ScriptedPrompts::saveFile(const FileDialogSpec& spec, QString& fileName) {
  return answer({PromptKind::SaveFile, spec.title, spec.filter, fileName}, &fileName);
}

}  // namespace pellix
