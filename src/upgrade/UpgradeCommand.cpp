// The main window's upgrade command: the main window lets go of its port, the upgrade
// window works on the same COM port with its own, and the main window takes it back.
#include "ErrorReport.h"
#include "Komunikator.h"
#include "Prompts.h"
#include "uMain_Programmer.h"

#include <QAction>
#include <QCheckBox>
#include <QTimer>

namespace pellix {
namespace {

// Notes whether an error reached the application's report while it lives; the report
// itself still shows it.
class ErrorWatch {
 public:
  ErrorWatch() {
    previous_ = setErrorHandler([this](const std::exception& e) {
      reported_ = true;
      if (previous_) previous_(e);
    });
  }
  ~ErrorWatch() { setErrorHandler(previous_); }
  ErrorWatch(const ErrorWatch&) = delete;
  ErrorWatch& operator=(const ErrorWatch&) = delete;
  bool reported() const { return reported_; }

 private:
  ErrorHandler previous_;
  bool reported_ = false;
};

}  // namespace

TForm_Programmer* FindProgrammerWindow(QWidget* mainWindow) {
  return mainWindow->findChild<TForm_Programmer*>(QStringLiteral("Form_Programmer"),
                                                  Qt::FindDirectChildrenOnly);
}

void RunFirmwareUpgrade(const UpgradeHandOver& host) {
  host.upgradeItem->setEnabled(false);
  struct EnableAgain {
    QAction* item;
    ~EnableAgain() { item->setEnabled(true); }
  } enableAgain{host.upgradeItem};

  {
    // Connecting reports its own failure; then there is nothing more to say.
    ErrorWatch watch;
    host.connectBox->setChecked(true);
    if (watch.reported()) return;
  }
  if (!host.connectBox->isChecked()) {
    ShowPortInactive();
    return;
  }
  if (host.timeoutShown()) {
    prompts().information(QStringLiteral("Timeout."));
    return;
  }

  host.connectBox->setChecked(false);
  host.updateTimer->stop();
  struct StartAgain {
    QTimer* timer;
    ~StartAgain() { timer->start(); }
  } startAgain{host.updateTimer};

  TForm_Programmer* form = FindProgrammerWindow(host.mainWindow);
  if (!form) form = new TForm_Programmer(host.mainWindow);
  form->setWindowTitle(QStringLiteral("Pellix Tool - Upgrade SW"));

  form->AfComPort1.SetComNumber(host.comNumber());
  form->SetLinkBaudRate(host.baudRate());
  form->SetSlaveAddr(host.slaveAddress());
  form->CheckBox1->setChecked(true);
  if (!form->CheckBox1->isChecked()) {
    // The port did not open: the report has shown why, the window stays hidden.
    host.connectItem->setEnabled(true);
    host.disconnectItem->setEnabled(false);
    return;
  }

  host.connectItem->setEnabled(false);
  host.disconnectItem->setEnabled(true);
  host.mainWindow->hide();
  form->Transfer().FrameObserver = host.frameObserver;
  const int result = form->exec();
  form->Transfer().FrameObserver = nullptr;
  host.mainWindow->show();

  if (result == QDialog::Accepted) {
    form->CheckBox1->setChecked(false);
    host.connectBox->setChecked(true);
  } else {
    host.connectItem->setEnabled(true);
    host.disconnectItem->setEnabled(false);
  }
}

}  // namespace pellix
