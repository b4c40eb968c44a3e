#pragma once
// The progress window of long operations (the configuration import). Its user sets
// the caption, the text, the gauge and shows or hides it.
#include <QDialog>

class QLabel;
class QProgressBar;

class TForm_ProgressDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_ProgressDialog(QWidget* parent = nullptr);

  QLabel* Label_Progress;
  QProgressBar* Gauge1;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};
