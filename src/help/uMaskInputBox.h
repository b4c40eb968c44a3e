#pragma once
// The masked input box for a ROM code: eight groups of two hex digits.
#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TForm_MaskInputBox : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_MaskInputBox(QWidget* parent = nullptr);

  // Sets the prompt and grows or shrinks the box by the change of the label's height.
  void SetPrompt(const QString& prompt);
  // The entered characters without the dashes (blank positions left out).
  QString Value() const;

  QLabel* Label_Prompt;
  QLineEdit* MaskEdit1;
  QPushButton* Button_OK;
  QPushButton* Button_Cancel;

  // Sounded when the key filter refuses a key.
  std::function<void()> Beep;

  // The key filter: true when the key may reach the field.
  static bool MaskEdit1KeyAccepted(const class QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Button_OKClick();
  void layoutBelowPrompt();
};

// Shows the box modally. true and the 16 entered characters in value on OK; false
// and value unchanged on Cancel or close.
bool MaskInputQuery(const QString& caption, const QString& prompt, QString& value);
