#include "QtPrompts.h"

#include "ApplicationTitle.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QToolTip>
#include <QValidator>

namespace pellix {
namespace {

// Refuses an edit that would bring in a character the rule refuses: the field keeps its
// text, the operator hears a beep and reads why under the field.
class RuleValidator final : public QValidator {
 public:
  RuleValidator(CharacterRule rule, QLineEdit* edit)
      : QValidator(edit), rule_(std::move(rule)), edit_(edit) {}

  State validate(QString& input, int&) const override {
    for (char32_t c : input.toUcs4()) {
      const QString hint = rule_(c);
      if (hint.isEmpty()) continue;
      QApplication::beep();
      // Above the field, so that it hides none of the buttons.
      QToolTip::showText(edit_->mapToGlobal(QPoint(0, -2 * edit_->height())), hint, edit_);
      return Invalid;
    }
    return Acceptable;
  }

 private:
  CharacterRule rule_;
  QLineEdit* edit_;
};

QPointer<QWidget>& ownerSlot() {
  static QPointer<QWidget> owner;
  return owner;
}

// A window a prompt can stand on. A disabled one would disable its prompt with it.
bool canOwnPrompt(const QWidget* w) {
  if (!w || !w->isVisible() || !w->isEnabled()) return false;
  switch (w->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
      return false;
    default:
      return true;
  }
}

QWidget* dialogParent() { return PromptParent(); }

QString titleOr(const QString& caption) { return caption.isEmpty() ? ApplicationTitle() : caption; }

bool runFileDialog(const FileDialogSpec& spec, QString& fileName, QFileDialog::AcceptMode mode) {
  QFileDialog dlg(dialogParent(), spec.title, spec.initialDir, qtFileFilter(spec.filter));
  dlg.setAcceptMode(mode);
  // Whoever asks for a name asks about overwriting in its own words; once is enough.
  dlg.setOption(QFileDialog::DontConfirmOverwrite);
  dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!spec.defaultExtension.isEmpty()) dlg.setDefaultSuffix(spec.defaultExtension);
  if (!fileName.isEmpty()) dlg.selectFile(fileName);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  fileName = dlg.selectedFiles().constFirst();
  return true;
}

}  // namespace

QWidget* PromptParent() {
  if (QWidget* modal = QApplication::activeModalWidget(); canOwnPrompt(modal)) return modal;
  if (QWidget* active = QApplication::activeWindow(); canOwnPrompt(active)) return active;
  if (QWidget* owner = ownerSlot(); canOwnPrompt(owner)) return owner;
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* w : windows)
    if (canOwnPrompt(w)) return w;
  return nullptr;
}

void SetPromptOwner(QWidget* window) { ownerSlot() = window; }

QString qtFileFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i];
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList all;
    for (const QString& p : patterns) {
      QString t = p.trimmed();
      if (t == QLatin1String("*.*")) t = QStringLiteral("*");
      for (const QString& v : {t, t.toLower(), t.toUpper()})
        if (!all.contains(v)) all << v;
    }
    desc.remove(QRegularExpression(QStringLiteral("\\s*\\([^)]*\\)\\s*$")));
    out << QStringLiteral("%1 (%2)").arg(desc, all.join(QLatin1Char(' ')));
  }
  return out.join(QStringLiteral(";;"));
}

QtPrompts::QtPrompts(MaskQuery maskQuery) : maskQuery_(std::move(maskQuery)) {}

void QtPrompts::information(const QString& text, const QString& caption) {
  QMessageBox::information(dialogParent(), titleOr(caption), text, QMessageBox::Ok);
}

void QtPrompts::error(const QString& text, const QString& caption) {
  QMessageBox::critical(dialogParent(), titleOr(caption), text, QMessageBox::Ok);
}

bool QtPrompts::warning(const QString& text, const QString& caption) {
  return QMessageBox::warning(dialogParent(), titleOr(caption), text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void QtPrompts::warningOk(const QString& text, const QString& caption) {
  QMessageBox::warning(dialogParent(), titleOr(caption), text, QMessageBox::Ok);
}

bool QtPrompts::confirmation(const QString& text, ConfirmButtons buttons, const QString& caption) {
  if (buttons == ConfirmButtons::YesNo)
    return QMessageBox::question(dialogParent(), titleOr(caption), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  return QMessageBox::question(dialogParent(), titleOr(caption), text,
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtPrompts::inputQuery(const QString& caption, const QString& prompt, QString& value,
                           const CharacterRule& rule) {
  QInputDialog dlg(dialogParent());
  dlg.setWindowTitle(caption);
  dlg.setLabelText(prompt);
  dlg.setInputMode(QInputDialog::TextInput);
  dlg.setTextValue(value);
  if (rule) {
    if (auto* edit = dlg.findChild<QLineEdit*>()) edit->setValidator(new RuleValidator(rule, edit));
  }
  if (dlg.exec() != QDialog::Accepted) return false;
  value = dlg.textValue();
  return true;
}

bool QtPrompts::maskInputQuery(const QString& caption, const QString& prompt, QString& value) {
  if (maskQuery_) return maskQuery_(caption, prompt, value);
  return inputQuery(caption, prompt, value);
}

bool QtPrompts::openFile(const FileDialogSpec& spec, QString& fileName) {
  return runFileDialog(spec, fileName, QFileDialog::AcceptOpen);
}

bool QtPrompts::saveFile(const FileDialogSpec& spec, QString& fileName) {
  return runFileDialog(spec, fileName, QFileDialog::AcceptSave);
}

}  // namespace pellix
