#pragma once
// The main window: menu, communication column, the two line views with their search
// views, the status bar, the settings store and the application-wide error report.
#include "GWYKomunikator.h"
#include "PortReturnWatch.h"
#include "Prompts.h"

#include <QList>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolButton;
class TFrame_Komunikace;
class TFrame_Logo;
class TFrame_LineTab;
class TFrame_FindNewTab;
class TFrame_SensorBox;
class TFrame_SensorNewBox;
class TdlgGWYSettings;
class TForm_ProgressDialog;
class TdlgAboutQuorvel;
namespace pellix::monitor {
class TrafficMonitorWindow;
}
namespace pellix::trend {
class TrendChartWindow;
}

namespace pellix {

// Where the window goes: centred at `topLeft` with its fixed size, or maximised and
// sizeable when it does not fit into the work area.
struct WindowPlacement {
  bool maximised = false;
  QPoint topLeft;
};
WindowPlacement ChooseWindowPlacement(const QSize& outerSize, const QRect& workArea);

}  // namespace pellix

class TMainForm : public QMainWindow, public IImportHost {
  Q_OBJECT
 public:
  // The client area without the menu bar.
  static constexpr int ClientWidth = 1211;
  static constexpr int ClientHeight = 681;
  static constexpr int LeftColumnWidth = 240;

  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // Components without a view.
  TAfComPort* AfComPort1 = nullptr;  // owned
  std::unique_ptr<TGWYKomunikator> GWYKomunikator;
  QTimer* Timer_recorder = nullptr;
  pellix::FileDialogSpec OpenDialog1;
  pellix::FileDialogSpec SaveDialog1;

  // Left column.
  QLabel* Pan_CommHead = nullptr;
  TFrame_Komunikace* Frame_Komunikace1 = nullptr;
  QLabel* Pan_GWYSettingsHead = nullptr;
  QFrame* Pan_GWYSettings = nullptr;
  QToolButton* SpdBtn_GWYSettings = nullptr;
  QLabel* Label_SWVer = nullptr;
  QLabel* Label_HWVer = nullptr;
  TFrame_Logo* Frame_Logo1 = nullptr;

  // Right area.
  QFrame* Panel_MainTable = nullptr;
  TFrame_LineTab* Frame_LineTab1 = nullptr;
  TFrame_LineTab* Frame_LineTab2 = nullptr;
  TFrame_FindNewTab* Frame_FindNewTab1 = nullptr;
  TFrame_FindNewTab* Frame_FindNewTab2 = nullptr;

  QStatusBar* StatusBar = nullptr;
  QLabel* StatusPanel0 = nullptr;  // the long hint
  QLabel* StatusPanel1 = nullptr;  // the recorder state

  TdlgGWYSettings* dlgGWYSettings = nullptr;
  TdlgAboutQuorvel* dlgAboutQuorvel = nullptr;

  QList<TFrame_SensorBox*> ChannelBoxes;    // 40: LINE 1's 20, then LINE 2's
  QList<TFrame_SensorNewBox*> ResultSlots;  // 40: LINE 1's view first

  // Menu bar.
  QMenu* File1 = nullptr;
  QAction* Import1 = nullptr;
  QAction* Export1 = nullptr;
  QAction* N3 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Communication1 = nullptr;
  QAction* Connect1 = nullptr;
  QAction* Disconnect1 = nullptr;
  QAction* N6 = nullptr;
  QAction* AssignComNumber1 = nullptr;
  QAction* TrafficMonitor1 = nullptr;
  QMenu* Settings1 = nullptr;
  QAction* Portsetti1 = nullptr;
  QAction* N4 = nullptr;
  QAction* Expertsettings1 = nullptr;
  QMenu* SWUpgrade1 = nullptr;
  QAction* UpgradeSW1 = nullptr;
  QMenu* Descriptions1 = nullptr;
  QAction* ShowDescriptions1 = nullptr;
  QAction* DeleteDescriptions1 = nullptr;
  QAction* N1 = nullptr;
  QAction* SaveToFile1 = nullptr;
  QAction* LoadfomFile1 = nullptr;
  QMenu* Record1 = nullptr;
  QAction* Startlogging1 = nullptr;
  QAction* StopLogging1 = nullptr;
  QAction* N2 = nullptr;
  QAction* RecordOptions1 = nullptr;
  QMenu* Language1 = nullptr;
  QActionGroup* LanguageGroup = nullptr;
  QAction* Czech1 = nullptr;
  QAction* English1 = nullptr;
  QMenu* View1 = nullptr;
  QAction* TrendChart1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* ApplicationManual = nullptr;
  QAction* GatewayManual = nullptr;
  QAction* N5 = nullptr;
  QAction* About1 = nullptr;
  QAction* About2 = nullptr;

  // Main.cpp
  void ApplicationEvents1Exception(const std::exception& e);
  void ApplicationEvents1Hint(const QString& hint);

  // MainViews.cpp
  void DispatchRegisterBlock(const TRegisterBlock& regs, uint16_t startAddress);
  void ClearViews();
  // Every channel block (0, 100, 200, 300) has been shown since the views were cleared.
  bool ChannelBlocksRead() const { return channelBlocksRead_ == AllChannelBlocks; }
  void EditRomCode(TFrame_SensorBox* box);

  // MainFindNew.cpp
  void Portsetti1Click();
  void Expertsettings1Click();
  void SpdBtn_GWYSettingsClick();

  // MainCommands.cpp
  void Timer_recorderTimer();

  // MainMonitors.cpp: the traffic monitor and the trend chart, created on first use.
  void TrafficMonitor1Click();
  void TrendChart1Click();
  pellix::monitor::TrafficMonitorWindow* TrafficMonitor() const { return trafficMonitor_; }
  pellix::trend::TrendChartWindow* TrendChart() const { return trendChart_; }

  // The configuration import drives the window through these.
  void SetMainWindowEnabled(bool enabled) override;
  IProgressSink& ProgressDialog() override;
  void SetConnectChecked() override;
  // Created on first use (or by the program at start), owned by the window.
  TForm_ProgressDialog* Form_ProgressDialog();

  // Fixed size and centred in the work area when it fits there, else maximised and sizeable.
  void PlaceWindow(const QRect& workArea);

  // Resets every process-wide creation counter of the frames (tests build several windows).
  static void ResetCreationCounters();

  // Runs a command that waits in a nested event loop (the configuration import, the
  // firmware upgrade). The client, the port and the windows it uses are freed by the
  // window's close, so a close or Exit asked for meanwhile happens once it has ended.
  void RunWaiting(const std::function<void()>& command);
  bool RunInProgress() const { return runDepth_ > 0; }

 signals:
  // The window was closed (not Exit): the program ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The constructor's steps, in this order.
  void CreateComponents();
  void CreateMenu();
  void CreateLayout();
  void JoinApplication();  // hook, title, hint filter, language and captions
  void CreateSettingsDialog();
  void CollectChannelBoxes();
  void CreateClient();
  void FillCommunicationLists();
  void WireControls();
  void WireSearchViews();
  void ShowHints();
  void HideSettingsMenu();

  void FormClose();
  void EndRun();

  // Main.cpp
  void ApplyCaptions();
  void Exit1Click();
  void English1Click(QAction* item);
  void OnRegistersReceived();
  void Frame_Komunikace1CheckBox_ConnectClick();
  void Frame_Komunikace1ComboBox_BaudRateChange();
  void Frame_Komunikace1ComboBox_AddrChange();
  void Frame_Komunikace1Cb_ParityChange();
  void Frame_Komunikace1Cb_StopbitChange();
  void Connect1Click();
  void Disconnect1Click();
  void AssignComNumber1Click();
  void ReadSettings();
  void SaveSettings();

  // MainViews.cpp
  void SaveNewClick(TFrame_SensorBox* box);
  void DeleteClick(TFrame_SensorBox* box);

  // MainFindNew.cpp: the two lines' search views share these; line 0 is LINE 1.
  TFrame_LineTab* LineView(int line) const;
  TFrame_FindNewTab* SearchView(int line) const;
  void OpenSearch(int line);
  void CloseSearch(int line);
  void SearchCommand(int line, void (TGWYKomunikator::*command)(int));

  // MainCommands.cpp
  void Import1Click();
  void Export1Click();
  void UpgradeSW1Click();
  void ShowDescriptions1Click();
  void DeleteDescriptions1Click();
  void SaveToFile1Click();
  void LoadfomFile1Click();
  void Startlogging1Click();
  void StopLogging1Click();
  void RecordOptions1Click();
  void ApplicationManualClick();
  void GatewayManualClick();
  void About1Click();

  enum class PendingEnd { None, Close, Exit };
  int runDepth_ = 0;
  PendingEnd pendingEnd_ = PendingEnd::None;
  // Applies the baud-rate and address boxes and opens the link on comNumber.
  void OpenConnection(int comNumber);
  // The port came back after a read error closed it while "Connected" stayed checked.
  void PortBack(int comNumber);
  // A note about the lost port in the status bar, taken away with the connection.
  void ShowPortNote(const QString& text);

  static constexpr uint8_t AllChannelBlocks = 0x0F;
  uint8_t channelBlocksRead_ = 0;  // one bit per channel block
  std::unique_ptr<TAfComPort> port_;
  // A window of its own, not a child: the import disables this window, and a child
  // would be disabled (drawn grey) with it.
  std::unique_ptr<TForm_ProgressDialog> progressDialog_;
  PortReturnWatch portWatch_;
  QString portNote_;
  std::unique_ptr<IProgressSink> progressSink_;
  pellix::monitor::TrafficMonitorWindow* trafficMonitor_ = nullptr;  // a child window
  pellix::trend::TrendChartWindow* trendChart_ = nullptr;            // a child window
  // Frees both; they listen to the client, which goes after them.
  void CloseMonitors();
  // Feeds the trend chart while it is shown.
  void FeedTrend(const TRegisterBlock& regs, uint16_t startAddress);
};
