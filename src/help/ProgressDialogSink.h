#pragma once
// The progress dialog as the gateway client's import sees it. Header-only: whoever
// includes it links the engine anyway.
#include "GWYKomunikator.h"
#include "uForm_ProgressDialog.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>
#include <QWindow>

class TProgressDialogSink : public IProgressSink {
 public:
  // mainWindow: the window the dialog is centred on when shown (may be null).
  TProgressDialogSink(TForm_ProgressDialog& dialog, QWidget* mainWindow)
      : Dialog(dialog), MainWindow(mainWindow) {}

  void SetCaption(const QString& caption) override { Dialog.setWindowTitle(caption); }
  void Show() override {
    // Kept above the window it belongs to by the window manager.
    if (MainWindow && MainWindow->windowHandle() && !Dialog.parentWidget()) {
      Dialog.winId();
      Dialog.windowHandle()->setTransientParent(MainWindow->windowHandle());
    }
    Dialog.show();
    if (MainWindow) {
      QRect r = Dialog.frameGeometry();
      r.moveCenter(MainWindow->frameGeometry().center());
      Dialog.move(r.topLeft());
    }
  }
  void Hide() override { Dialog.hide(); }
  void SetMaximum(int maximum) override { Dialog.Gauge1->setMaximum(maximum); }
  void SetPosition(int position) override { Dialog.Gauge1->setValue(position); }
  int Position() const override { return Dialog.Gauge1->value(); }
  void SetText(const QString& text) override { Dialog.Label_Progress->setText(text); }
  void Repaint() override { Dialog.repaint(); }

 private:
  TForm_ProgressDialog& Dialog;
  QPointer<QWidget> MainWindow;
};
