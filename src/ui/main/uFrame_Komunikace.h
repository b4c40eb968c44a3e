#pragma once
// The communication frame: port list, connect and USB check boxes, the four line
// parameter lists and the message counters.
#include <QFrame>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QTimer;
class TAfPortComboBox;
class TFrame_Pocitadlo;
struct TPocitadloValues;

class TFrame_Komunikace : public QFrame {
  Q_OBJECT
 public:
  // The entries that the gateway's USB port uses.
  static constexpr int UsbAddrIndex = 0;     // address 1
  static constexpr int UsbParityIndex = 0;   // NONE
  static constexpr int UsbStopbitIndex = 0;  // One
  static constexpr int UsbErrorLimit = 7;
  static constexpr int PortListRefreshMs = 10000;

  explicit TFrame_Komunikace(QWidget* parent = nullptr);

  QLabel* Label_PortCap;
  TAfPortComboBox* AfPortComboBox1;
  QCheckBox* CheckBox_Connect;
  QCheckBox* CheckBox_USB;
  QLabel* Label_BdCap;
  QComboBox* ComboBox_BaudRate;
  QLabel* Label_AddrCap;
  QComboBox* ComboBox_Addr;
  QLabel* Lb_Parity;
  QComboBox* Cb_Parity;
  QLabel* Lb_Stopbit;
  QComboBox* Cb_Stopbit;
  TFrame_Pocitadlo* Frame_Pocitadlo1;
  QTimer* Timer_Update;

  // The timeout state of the last counters update.
  bool TimeoutShown = false;
  // The number that was selected when a refresh no longer found it (its adapter is
  // out), until it is back, is connected to, or the operator picks another; 0 when none.
  int MissingComNumber = 0;

  bool IsConnected() const;
  void ShowCounters(const TPocitadloValues& values);
  // Rebuilds the port list; a selected number that is gone is remembered as missing and
  // selected again when it is back.
  void RefreshPortsKeepingChoice();
  // The number to connect to, after a fresh look at the ports: the missing one (the port
  // says that it is missing), else the list's selection.
  int ComNumberToConnect();
  // After a successful connect: the list shows the number connected to.
  void ConnectedTo(int comNumber);
  // What the settings store keeps: the missing number, else the list's selection.
  int ComNumberToSave() const;

  // The frame's own handlers.
  void CheckBox_ConnectClick();
  void CheckBox_USBClick();
  void ComboBox_BaudRateChange();
  // Checks the USB box exactly when all four lists show the USB port's entries; every
  // list's change calls this.
  void SyncUsbCheck();
  void Timer_UpdateTimer();

  // The owner's handlers for the connect box and the four lists; each runs the
  // frame's own handler first. Without one the frame's own handler runs alone.
  std::function<void()> OnConnectClick;
  std::function<void()> OnBaudRateChange;
  std::function<void()> OnAddrChange;
  std::function<void()> OnParityChange;
  std::function<void()> OnStopbitChange;

 private:
  void ConnectToggled();
  bool Listed(int comNumber) const;
  static void RunChange(const std::function<void()>& ownerHandler, TFrame_Komunikace* frame);
};
