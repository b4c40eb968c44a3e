#include "uForm_ProgressDialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace {
constexpr int kClientWidth = 442;
constexpr int kClientHeight = 65;
constexpr int kGaugeMaximum = 252;
}  // namespace

TForm_ProgressDialog::TForm_ProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      Label_Progress(new QLabel(this)),
      Gauge1(new QProgressBar(this)) {
  setObjectName(QStringLiteral("Form_ProgressDialog"));
  Label_Progress->setObjectName(QStringLiteral("Label_Progress"));
  Gauge1->setObjectName(QStringLiteral("Gauge1"));
  setFixedSize(kClientWidth, kClientHeight);
  Label_Progress->setGeometry(8, 6, kClientWidth - 16, 18);
  Gauge1->setGeometry(8, 30, kClientWidth - 16, 25);
  Gauge1->setRange(0, kGaugeMaximum);
  Gauge1->setValue(0);
}

void TForm_ProgressDialog::showEvent(QShowEvent* event) {
  // Centred on the desktop unless its user has placed it.
  if (!testAttribute(Qt::WA_Moved)) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect r = frameGeometry();
      r.moveCenter(screen->availableGeometry().center());
      move(r.topLeft());
      setAttribute(Qt::WA_Moved, false);
    }
  }
  QDialog::showEvent(event);
}

// The operation it shows runs on; the operator cannot close the window.
void TForm_ProgressDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm_ProgressDialog::closeEvent(QCloseEvent* event) {
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}
