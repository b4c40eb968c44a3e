#pragma once
// The firmware upgrade window: loads an image and writes it into the gateway over a
// port of its own, paced by Timer1.
#include "AfComPort.h"
#include "FrameObserver.h"
#include "ProgrammerTransfer.h"

#include <QDialog>
#include <QList>
#include <QPixmap>

#include <cstdint>
#include <functional>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class TForm_Programmer : public QDialog {
  Q_OBJECT
 public:
  static constexpr int ClientWidth = 747;
  static constexpr int ClientHeight = 532;

  explicit TForm_Programmer(QWidget* owner = nullptr);
  ~TForm_Programmer() override;

  // Components without a view.
  TAfComPort AfComPort1{QStringLiteral("AfComPort1")};
  QTimer* Timer1;
  QList<QPixmap> CImgLst_Logo59x137;

  // Communication panel.
  QFrame* Panel_Comm;
  QLabel* Label_Caption;
  QCheckBox* CheckBox1;
  QLabel* Label_ErrInfo;
  // Work panel.
  QFrame* Panel_Work;
  QPushButton* Button_OpenFile;
  QPlainTextEdit* Memo_Path;
  QPlainTextEdit* Memo_FromFile;
  QPushButton* Button_DelProgMem;
  QProgressBar* Gauge1;
  QLabel* Label_Progress;
  QPushButton* Button_Abort;
  QPushButton* Button_Close;
  // Version line and logo.
  QLabel* Lb_FWVer;
  QFrame* Panel_Logo;
  QLabel* Img_Logo;

  pellix::ProgrammerTransfer& Transfer() { return *transfer_; }
  uint8_t SlaveAddr() const { return transfer_->SlaveAddr; }
  void SetSlaveAddr(uint8_t address) { transfer_->SlaveAddr = address; }

  void SetLinkBaudRate(int baudRate);
  void ShowLinkState(int kind);

  void CheckBox1Click();
  void Button_OpenFileClick();
  void Button_DelProgMemClick();
  void Button_AbortClick();
  void Button_CloseClick();
  void Timer1Timer();

  void reject() override;  // Esc closes like the close button

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  // FormCloseQuery and what follows: false when the window stays open.
  bool CloseWindow();
  void Render();

  std::unique_ptr<pellix::ComPortLink> link_;
  std::unique_ptr<pellix::ProgrammerTransfer> transfer_;
  int shownRevision_ = 0;
  bool closing_ = false;
};

namespace pellix {

// What the main window's upgrade command works with. Every member is required.
struct UpgradeHandOver {
  QWidget* mainWindow = nullptr;            // owns the upgrade window; hidden while it is shown
  QAction* upgradeItem = nullptr;           // UpgradeSW1
  QAction* connectItem = nullptr;           // Connect1
  QAction* disconnectItem = nullptr;        // Disconnect1
  QCheckBox* connectBox = nullptr;          // CheckBox_Connect of the communication frame
  QTimer* updateTimer = nullptr;            // Timer_Update of the communication frame
  std::function<bool()> timeoutShown;       // the frame's TimeoutShown
  std::function<int()> comNumber;           // the port list's SelectedComNumber()
  std::function<int()> baudRate;            // the gateway client's GetBaudRate()
  std::function<uint8_t()> slaveAddress;    // the gateway client's GetSlaveAddress()
  IFrameObserver* frameObserver = nullptr;  // the traffic monitor, while it is open
};

// The whole upgrade command: checks the connection, hands the port over, shows the
// upgrade window modally and gives the port back. The window is created on first use
// as a child of the main window and kept.
void RunFirmwareUpgrade(const UpgradeHandOver& host);

// The main window's upgrade window, if it was created.
TForm_Programmer* FindProgrammerWindow(QWidget* mainWindow);

}  // namespace pellix
