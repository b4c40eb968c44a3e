#include "uMaskInputBox.h"

#include "Prompts.h"
#include "QtPrompts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kClientWidth = 290;
constexpr int kClientHeight = 100;
constexpr int kMargin = 8;
constexpr int kEditTop = 30;  // below a one-line prompt
constexpr int kEditHeight = 21;
constexpr int kButtonTop = 64;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

// Eight groups of two, fixed dashes, letters to capitals, blanks shown as "_".
// 'n' (alphanumeric, optional) rather than a hex class: the key filter narrows typing
// to hex digits, while pasted text only meets the mask's own rules.
const QString kMask = QStringLiteral(">nn-nn-nn-nn-nn-nn-nn-nn;_");
const QChar kBlank = QLatin1Char('_');

}  // namespace

TForm_MaskInputBox::TForm_MaskInputBox(QWidget* parent)
    : QDialog(parent),
      Label_Prompt(new QLabel(this)),
      MaskEdit1(new QLineEdit(this)),
      Button_OK(new QPushButton(QStringLiteral("OK"), this)),
      Button_Cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      Beep([] { QApplication::beep(); }) {
  setObjectName(QStringLiteral("Form_MaskInputBox"));
  Label_Prompt->setObjectName(QStringLiteral("Label_Prompt"));
  MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
  Button_OK->setObjectName(QStringLiteral("Button_OK"));
  Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));

  setFixedSize(kClientWidth, kClientHeight);
  Label_Prompt->move(kMargin, kMargin);
  Label_Prompt->setFixedHeight(kEditTop - kMargin - 4);
  Label_Prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  MaskEdit1->setGeometry(kMargin, kEditTop, kClientWidth - 2 * kMargin, kEditHeight);
  MaskEdit1->setInputMask(kMask);
  MaskEdit1->clear();
  MaskEdit1->installEventFilter(this);
  Button_OK->setGeometry(kClientWidth - 2 * (kButtonWidth + kMargin), kButtonTop, kButtonWidth,
                         kButtonHeight);
  Button_Cancel->setGeometry(kClientWidth - kButtonWidth - kMargin, kButtonTop, kButtonWidth, kButtonHeight);
  Button_OK->setDefault(true);

  // OK decides itself whether the box may close; Cancel always closes it.
  connect(Button_OK, &QPushButton::clicked, this, [this] { Button_OKClick(); });
  connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_MaskInputBox::SetPrompt(const QString& prompt) {
  const int oldHeight = Label_Prompt->height();
  Label_Prompt->setText(prompt);
  const int lines = prompt.count(QLatin1Char('\n')) + 1;
  const int newHeight = std::max(oldHeight, lines * Label_Prompt->fontMetrics().lineSpacing());
  Label_Prompt->setFixedHeight(newHeight);
  Label_Prompt->setFixedWidth(kClientWidth - 2 * kMargin);
  const int delta = newHeight - oldHeight;
  if (delta != 0) {
    setFixedSize(width(), height() + delta);
    layoutBelowPrompt();
  }
}

void TForm_MaskInputBox::layoutBelowPrompt() {
  const int top = Label_Prompt->geometry().bottom() + 5;
  MaskEdit1->move(MaskEdit1->x(), top);
  const int buttonTop = top + kButtonTop - kEditTop;
  Button_OK->move(Button_OK->x(), buttonTop);
  Button_Cancel->move(Button_Cancel->x(), buttonTop);
}

QString TForm_MaskInputBox::Value() const { return MaskEdit1->text().remove(QLatin1Char('-')); }

bool TForm_MaskInputBox::MaskEdit1KeyAccepted(const QKeyEvent& event) {
  if (event.matches(QKeySequence::Copy) || event.matches(QKeySequence::Paste)) return true;
  const int key = event.key();
  const QString text = event.text();
  if (event.modifiers() & Qt::ControlModifier) {
    // Ctrl with a letter types a control character (select all, cut, undo, ...): refused.
    // Ctrl with a key that types nothing (Ctrl+Left, ...) is editing: it passes.
    const bool typesCharacter = (key >= Qt::Key_A && key <= Qt::Key_Z) || key == Qt::Key_Backspace ||
                                (!text.isEmpty() && text.at(0).isPrint());
    return !typesCharacter;
  }
  if (key == Qt::Key_Backspace) return true;
  // The dialog's own keys and keys that type nothing (arrows, Home, Delete, ...) are
  // not characters for the field.
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Tab ||
      key == Qt::Key_Backtab || key == Qt::Key_Delete)
    return true;
  if (text.isEmpty()) return true;
  if (text.size() != 1) return false;
  const char16_t c = text.at(0).unicode();
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

bool TForm_MaskInputBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == MaskEdit1 && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!MaskEdit1KeyAccepted(*key)) {
      if (Beep) Beep();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm_MaskInputBox::Button_OKClick() {
  const QString shown = MaskEdit1->displayText();
  const qsizetype blank = shown.indexOf(kBlank);
  if (blank >= 0) {
    MaskEdit1->setFocus();
    MaskEdit1->setSelection(static_cast<int>(blank), 1);
    pellix::prompts().error(QStringLiteral("   Missing character.   "));
    return;
  }
  accept();
}

bool MaskInputQuery(const QString& caption, const QString& prompt, QString& value) {
  TForm_MaskInputBox box(pellix::PromptParent());
  box.setWindowTitle(caption);
  box.SetPrompt(prompt);
  box.MaskEdit1->setText(value);
  if (box.exec() != QDialog::Accepted) return false;
  value = box.Value();
  return true;
}
