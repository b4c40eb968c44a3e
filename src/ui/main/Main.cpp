#include "Main.h"

#include "AfComPort.h"
#include "AfPortComboBox.h"
#include "AppIdentificators.h"
#include "ApplicationTitle.h"
#include "ErrorReport.h"
#include "Frame_ServiceRegSensorBox.h"
#include "GWYKomunikator.h"
#include "Hint.h"
#include "OneProgramInstace.h"
#include "ProgressDialogSink.h"
#include "SettingsStore.h"
#include "StrConsts.h"
#include "dlgAboutQuorvel.h"
#include "dlgAssignComNumber.h"
#include "dlg_GWYSettings.h"
#include "uForm_ProgressDialog.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_Komunikace.h"
#include "uFrame_LineTab.h"
#include "uFrame_Logo.h"
#include "uFrame_Pocitadlo.h"
#include "uFrame_SensorBox.h"
#include "uMain_Programmer.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace pellix {

WindowPlacement ChooseWindowPlacement(const QSize& outerSize, const QRect& workArea) {
  WindowPlacement p;
  if (workArea.height() > outerSize.height() && workArea.width() > outerSize.width()) {
    p.topLeft = QPoint(workArea.left() + (workArea.width() - outerSize.width()) / 2,
                       workArea.top() + (workArea.height() - outerSize.height()) / 2);
  } else {
    p.maximised = true;
  }
  return p;
}

}  // namespace pellix

namespace {

const QString SettingsGroup = QStringLiteral("CommSetting");
const QString EndsAfterTheRun = QStringLiteral("The program ends when the running operation has finished.");
const QString PortLostText = QStringLiteral("COM %1 is lost: waiting for it to come back");
const QString PortBackText = QStringLiteral("COM %1 is back: polling again");

// Title bar and borders a window manager usually adds around the client area.
const QSize FrameAllowance(8, 31);

QAction* addItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key = {}) {
  auto* a = menu->addAction(caption);
  a->setObjectName(QLatin1String(name));
  if (!key.isEmpty()) a->setShortcut(key);
  return a;
}

QAction* addSeparator(QMenu* menu, const char* name) {
  QAction* a = menu->addSeparator();
  a->setObjectName(QLatin1String(name));
  return a;
}

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* m = bar->addMenu(caption);
  m->setObjectName(QLatin1String(name));
  m->menuAction()->setObjectName(QLatin1String(name));
  return m;
}

// A menu item's hint: the short part as tooltip, the long part for the status bar.
void setItemHint(QAction* a, const QString& hint) {
  a->setToolTip(pellix::ShortHint(hint));
  a->setStatusTip(pellix::LongHint(hint));
}

QLabel* captionBar(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QLatin1String(name));
  l->setAlignment(Qt::AlignCenter);
  l->setAutoFillBackground(true);
  QPalette p = l->palette();
  p.setColor(QPalette::Window, QColor(0, 84, 166));
  p.setColor(QPalette::WindowText, Qt::white);
  l->setPalette(p);
  QFont f = l->font();
  f.setBold(true);
  l->setFont(f);
  l->setFixedHeight(22);
  return l;
}

// Reads one integer; false when the value is missing or not an integer.
bool readInt(QSettings& s, const QString& name, int& out) {
  if (!s.contains(name)) return false;
  bool ok = false;
  const int v = s.value(name).toInt(&ok);
  if (!ok) return false;
  out = v;
  return true;
}

// An index read back selects its entry only when the list has one there.
void restoreIndex(QComboBox* list, int index) {
  if (index >= 0 && index < list->count()) {
    const QSignalBlocker block(list);
    list->setCurrentIndex(index);
  }
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainForm"));
  CreateComponents();
  CreateMenu();
  CreateLayout();
  JoinApplication();
  CreateSettingsDialog();
  CollectChannelBoxes();
  CreateClient();
  FillCommunicationLists();
  WireControls();
  ShowHints();
  const QScreen* screen = QGuiApplication::primaryScreen();
  PlaceWindow(screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080));
  ReadSettings();
  HideSettingsMenu();
  dlgAboutQuorvel = new TdlgAboutQuorvel(this);
  dlgAboutQuorvel->setObjectName(QStringLiteral("dlgAboutQuorvel"));
}

void TMainForm::CreateComponents() {
  port_ = std::make_unique<TAfComPort>(QStringLiteral("AfComPort1"));
  AfComPort1 = port_.get();
  Timer_recorder = new QTimer(this);
  Timer_recorder->setObjectName(QStringLiteral("Timer_recorder"));
  Timer_recorder->setInterval(10000);
  OpenDialog1 = {QStringLiteral("Open File"), QStringLiteral("Binary files (*.bin)|*.BIN"), {}, {}};
  SaveDialog1 = {QStringLiteral("Save to File"), QStringLiteral("Binary files (*.bin)|*.bin"), {}, {}};
}

void TMainForm::JoinApplication() {
  HookMainWindow(this);
  setWindowTitle(pellix::WindowCaption());
  pellix::SetApplicationTitle(pellix::WindowCaption());
  // Tooltips and the status bar hint are always on; the long part of every hint
  // reaches panel 0 through the application-wide filter.
  qApp->installEventFilter(this);
  (Language() == LanguageCzech ? Czech1 : English1)->setChecked(true);
  ApplyCaptions();
  SetCaptionsObserver([this] { ApplyCaptions(); });
}

void TMainForm::CreateSettingsDialog() {
  dlgGWYSettings = new TdlgGWYSettings(this);
  dlgGWYSettings->setObjectName(QStringLiteral("dlgGWYSettings"));
  dlgGWYSettings->setWindowTitle(QStringLiteral("Gateway settings"));
}

void TMainForm::CollectChannelBoxes() {
  Frame_LineTab1->AppendBoxes(ChannelBoxes);
  Frame_LineTab2->AppendBoxes(ChannelBoxes);
  Frame_FindNewTab1->AppendSlots(ResultSlots);
  Frame_FindNewTab2->AppendSlots(ResultSlots);
  for (TFrame_SensorBox* box : ChannelBoxes) {
    box->SetRomClickAction([this, box] { EditRomCode(box); });
    connect(box->SpeedButton_Edit, &QToolButton::clicked, this, [this, box] { SaveNewClick(box); });
    connect(box->SpeedButton_Delete, &QToolButton::clicked, this, [this, box] { DeleteClick(box); });
  }
}

void TMainForm::CreateClient() {
  GWYKomunikator = std::make_unique<TGWYKomunikator>(*AfComPort1);
  GWYKomunikator->OnRegisters = [this] { OnRegistersReceived(); };
  GWYKomunikator->SetImportHost(this);
  portWatch_.OnBack = [this](int comNumber) { PortBack(comNumber); };
  GWYKomunikator->SetCountersHandler(
      [frame = Frame_Komunikace1](const TPocitadloValues& v) { frame->ShowCounters(v); });
  dlgGWYSettings->Bind(GWYKomunikator.get());
}

void TMainForm::FillCommunicationLists() {
  TFrame_Komunikace* f = Frame_Komunikace1;
  const std::pair<QComboBox*, void (*)(QStringList&, TPortKind)> lists[] = {
      {f->ComboBox_BaudRate, &TGWYKomunikator::FillBaudRates},
      {f->ComboBox_Addr, &TGWYKomunikator::FillAddresses},
      {f->Cb_Parity, &TGWYKomunikator::FillParities},
      {f->Cb_Stopbit, &TGWYKomunikator::FillStopBits}};
  for (const auto& [list, fill] : lists) {
    QStringList items;
    fill(items, pkRS485);
    list->addItems(items);
  }
  f->ComboBox_BaudRate->setCurrentIndex(TGWYKomunikator::DefaultBaudRateIndex);
  f->ComboBox_Addr->setCurrentIndex(0);
  f->Cb_Parity->setCurrentIndex(0);
  f->Cb_Stopbit->setCurrentIndex(0);
}

void TMainForm::ShowHints() {
  Label_SWVer->clear();
  Label_HWVer->clear();
  setItemHint(
      Import1,
      QStringLiteral("Import ROM codes from file|If a gateway connected, ROM codes from that file will be "
                     "written to the gateway."));
  setItemHint(Export1, QStringLiteral("Save to file|Used to back up the gateway configurations."));
  setItemHint(UpgradeSW1, QStringLiteral("|If connected, the firmware update window is open."));
  setItemHint(
      AssignComNumber1,
      QStringLiteral("Give a serial adapter a fixed COM number|Links an adapter to a COM number of your "
                     "choice in the ports folder, lists these links and removes them."));
  setItemHint(
      TrafficMonitor1,
      QStringLiteral("Watch the line|Shows every frame sent to and received from the gateway, decoded, "
                     "with CRC errors, short replies and timeouts marked."));
  setItemHint(TrendChart1,
              QStringLiteral("Trend chart|Draws the values of the chosen channels over time; Identify finds "
                             "the sensor you warm or cool by hand."));
  pellix::SetHint(SpdBtn_GWYSettings, QStringLiteral("RS485 and RS232 configuration"));
}

// The port settings are not offered in this build: the menu and the panel stay hidden.
void TMainForm::HideSettingsMenu() {
  Settings1->menuAction()->setVisible(false);
  Pan_GWYSettingsHead->setVisible(false);
  Pan_GWYSettings->setVisible(false);
}

TMainForm::~TMainForm() {
  qApp->removeEventFilter(this);
  SetCaptionsObserver({});
  UnhookMainWindow(this);
  SaveSettings();
  // The client goes before the port it borrows, and after the windows that listen to it.
  CloseMonitors();
  GWYKomunikator.reset();
}

void TMainForm::ResetCreationCounters() {
  TFrame_SensorBox::ResetCreationCounter();
  TFrame_LineTab::ResetCreationCounter();
  TFrame_SensorNewBox::ResetCreationCounter();
}

void TMainForm::CreateMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  File1 = addMenu(bar, "File1", QStringLiteral("File"));
  Import1 = addItem(File1, "Import1", QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
  Export1 = addItem(File1, "Export1", QStringLiteral("Save to File"), QKeySequence(Qt::CTRL | Qt::Key_S));
  N3 = addSeparator(File1, "N3");
  Exit1 = addItem(File1, "Exit1", QStringLiteral("Exit"), QKeySequence(Qt::ALT | Qt::Key_F4));

  Communication1 = addMenu(bar, "Communication1", QStringLiteral("Communication"));
  Connect1 = addItem(Communication1, "Connect1", QStringLiteral("Connect"), QKeySequence(Qt::Key_F3));
  Disconnect1 =
      addItem(Communication1, "Disconnect1", QStringLiteral("Disconnect"), QKeySequence(Qt::Key_F4));
  Disconnect1->setEnabled(false);
  N6 = addSeparator(Communication1, "N6");
  AssignComNumber1 = addItem(Communication1, "AssignComNumber1", QStringLiteral("Assign COM number\u2026"));
  TrafficMonitor1 = addItem(Communication1, "TrafficMonitor1", QStringLiteral("Traffic monitor"),
                            QKeySequence(Qt::CTRL | Qt::Key_T));

  Settings1 = addMenu(bar, "Settings1", QStringLiteral("Settings"));
  Portsetti1 = addItem(Settings1, "Portsetti1", QStringLiteral("Port  settings..."));
  N4 = addSeparator(Settings1, "N4");
  Expertsettings1 = addItem(Settings1, "Expertsettings1", QStringLiteral("Expert settings..."));

  SWUpgrade1 = addMenu(bar, "SWUpgrade1", QStringLiteral("Upgrade SW"));
  SWUpgrade1->menuAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
  UpgradeSW1 = addItem(SWUpgrade1, "UpgradeSW1", QStringLiteral("Upgrade SW"), QKeySequence(Qt::Key_F5));

  Descriptions1 = addMenu(bar, "Descriptions1", QStringLiteral("Descriptions"));
  ShowDescriptions1 =
      addItem(Descriptions1, "ShowDescriptions1", QStringLiteral("Show"), QKeySequence(Qt::CTRL | Qt::Key_D));
  DeleteDescriptions1 = addItem(Descriptions1, "DeleteDescriptions1", QStringLiteral("Delete"));
  N1 = addSeparator(Descriptions1, "N1");
  SaveToFile1 = addItem(Descriptions1, "SaveToFile1", QStringLiteral("Save to File"));
  LoadfomFile1 = addItem(Descriptions1, "LoadfomFile1", QStringLiteral("Load from File"));

  Record1 = addMenu(bar, "Record1", QStringLiteral("Recorder"));
  Startlogging1 = addItem(Record1, "Startlogging1", QStringLiteral("Start Logging"));
  Startlogging1->setEnabled(false);
  StopLogging1 = addItem(Record1, "StopLogging1", QStringLiteral("Stop Logging"));
  StopLogging1->setEnabled(false);
  N2 = addSeparator(Record1, "N2");
  RecordOptions1 = addItem(Record1, "RecordOptions1", QStringLiteral("Recorder Options"));

  Language1 = addMenu(bar, "Language1", QStringLiteral("Language"));
  Language1->menuAction()->setVisible(false);
  LanguageGroup = new QActionGroup(this);
  LanguageGroup->setExclusive(true);
  Czech1 = addItem(Language1, "Czech1", QStringLiteral("Ceština"));
  English1 = addItem(Language1, "English1", QStringLiteral("English"));
  for (QAction* a : {Czech1, English1}) {
    a->setCheckable(true);
    LanguageGroup->addAction(a);
  }
  English1->setChecked(true);

  View1 = addMenu(bar, "View1", QStringLiteral("View"));
  TrendChart1 =
      addItem(View1, "TrendChart1", QStringLiteral("Trend chart"), QKeySequence(Qt::CTRL | Qt::Key_G));

  Help1 = addMenu(bar, "Help1", QStringLiteral("Help"));
  ApplicationManual = addItem(Help1, "ApplicationManual", QStringLiteral("Pellix Tool User Manual"),
                              QKeySequence(Qt::Key_F1));
  GatewayManual = addItem(Help1, "GatewayManual", QStringLiteral("Gateway 1-Wire/Modbus User Manual"));
  GatewayManual->setData(1);  // the tag picks the gateway's manual
  GatewayManual->setVisible(false);
  N5 = addSeparator(Help1, "N5");
  About1 = addItem(Help1, "About1", QStringLiteral("About..."));
  About2 = bar->addAction(QStringLiteral("About"));
  About2->setObjectName(QStringLiteral("About2"));
}

void TMainForm::CreateLayout() {
  // Every control fits a 1024 x 700 work area as it is; on a still smaller screen (or at
  // 200 % scaling) the client area scrolls instead of cutting channels off.
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("ClientScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  auto* central = new QWidget;
  central->setObjectName(QStringLiteral("ClientArea"));

  auto* left = new QFrame(central);
  left->setObjectName(QStringLiteral("Panel_Left"));
  left->setFixedWidth(LeftColumnWidth);
  left->setFrameShape(QFrame::StyledPanel);
  Pan_CommHead = captionBar(left, "Pan_CommHead", QStringLiteral("Communication"));
  Frame_Komunikace1 = new TFrame_Komunikace(left);
  Frame_Komunikace1->setObjectName(QStringLiteral("Frame_Komunikace1"));
  Pan_GWYSettingsHead = captionBar(left, "Pan_GWYSettingsHead", QStringLiteral("Port settings"));
  Pan_GWYSettings = new QFrame(left);
  Pan_GWYSettings->setObjectName(QStringLiteral("Pan_GWYSettings"));
  SpdBtn_GWYSettings = new QToolButton(Pan_GWYSettings);
  SpdBtn_GWYSettings->setObjectName(QStringLiteral("SpdBtn_GWYSettings"));
  SpdBtn_GWYSettings->setText(QStringLiteral("Edit"));
  auto* gwyLayout = new QHBoxLayout(Pan_GWYSettings);
  gwyLayout->setContentsMargins(8, 4, 8, 4);
  gwyLayout->addWidget(SpdBtn_GWYSettings);
  gwyLayout->addStretch();
  Label_SWVer = new QLabel(left);
  Label_SWVer->setObjectName(QStringLiteral("Label_SWVer"));
  Label_HWVer = new QLabel(left);
  Label_HWVer->setObjectName(QStringLiteral("Label_HWVer"));
  for (QLabel* l : {Label_SWVer, Label_HWVer}) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setContentsMargins(8, 0, 8, 0);
  }
  Frame_Logo1 = new TFrame_Logo(left);
  Frame_Logo1->setObjectName(QStringLiteral("Frame_Logo1"));

  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 4);
  leftLayout->setSpacing(4);
  leftLayout->addWidget(Pan_CommHead);
  leftLayout->addWidget(Frame_Komunikace1);
  leftLayout->addWidget(Pan_GWYSettingsHead);
  leftLayout->addWidget(Pan_GWYSettings);
  leftLayout->addSpacing(8);
  leftLayout->addWidget(Label_SWVer);
  leftLayout->addWidget(Label_HWVer);
  leftLayout->addStretch();
  leftLayout->addWidget(Frame_Logo1);

  Panel_MainTable = new QFrame(central);
  Panel_MainTable->setObjectName(QStringLiteral("Panel_MainTable"));
  Frame_LineTab1 = new TFrame_LineTab(Panel_MainTable);
  Frame_LineTab1->setObjectName(QStringLiteral("Frame_LineTab1"));
  Frame_LineTab2 = new TFrame_LineTab(Panel_MainTable);
  Frame_LineTab2->setObjectName(QStringLiteral("Frame_LineTab2"));
  // Each search view stands over the OTHER line's view, so the line being searched
  // stays in sight; created after the line views, they lie on top of them.
  Frame_FindNewTab1 = new TFrame_FindNewTab(1, Panel_MainTable);
  Frame_FindNewTab1->setObjectName(QStringLiteral("Frame_FindNewTab1"));
  Frame_FindNewTab2 = new TFrame_FindNewTab(2, Panel_MainTable);
  Frame_FindNewTab2->setObjectName(QStringLiteral("Frame_FindNewTab2"));
  for (TFrame_FindNewTab* search : {Frame_FindNewTab1, Frame_FindNewTab2}) {
    search->setAutoFillBackground(true);  // opaque, or the covered line shows through
    search->hide();
  }
  auto* table = new QGridLayout(Panel_MainTable);
  table->setContentsMargins(2, 0, 0, 0);
  table->setHorizontalSpacing(2);
  table->addWidget(Frame_LineTab1, 0, 0);
  table->addWidget(Frame_LineTab2, 0, 1);
  table->addWidget(Frame_FindNewTab2, 0, 0);
  table->addWidget(Frame_FindNewTab1, 0, 1);
  table->setColumnStretch(0, 1);
  table->setColumnStretch(1, 1);

  auto* client = new QHBoxLayout(central);
  client->setContentsMargins(0, 0, 0, 0);
  client->setSpacing(0);
  client->addWidget(left);
  client->addWidget(Panel_MainTable, 1);
  scroll->setWidget(central);
  setCentralWidget(scroll);

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  StatusBar->setSizeGripEnabled(false);
  setStatusBar(StatusBar);
  // 1000 and 200 pixels in the window's own size; the hint panel gives way on a smaller one.
  StatusPanel0 = new QLabel(StatusBar);
  StatusPanel0->setObjectName(QStringLiteral("StatusBar_Panel0"));
  StatusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  StatusPanel1 = new QLabel(StatusBar);
  StatusPanel1->setObjectName(QStringLiteral("StatusBar_Panel1"));
  StatusPanel1->setFixedWidth(200);
  StatusBar->addWidget(StatusPanel0, 1);
  StatusBar->addWidget(StatusPanel1);
}

void TMainForm::WireControls() {
  Frame_Komunikace1->OnConnectClick = [this] { Frame_Komunikace1CheckBox_ConnectClick(); };
  Frame_Komunikace1->OnBaudRateChange = [this] { Frame_Komunikace1ComboBox_BaudRateChange(); };
  Frame_Komunikace1->OnAddrChange = [this] { Frame_Komunikace1ComboBox_AddrChange(); };
  Frame_Komunikace1->OnParityChange = [this] { Frame_Komunikace1Cb_ParityChange(); };
  Frame_Komunikace1->OnStopbitChange = [this] { Frame_Komunikace1Cb_StopbitChange(); };

  auto onClick = [this](QAbstractButton* b, void (TMainForm::*handler)()) {
    connect(b, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
  };
  auto onTrigger = [this](QAction* a, void (TMainForm::*handler)()) {
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  };
  WireSearchViews();
  onClick(SpdBtn_GWYSettings, &TMainForm::SpdBtn_GWYSettingsClick);

  onTrigger(Import1, &TMainForm::Import1Click);
  onTrigger(Export1, &TMainForm::Export1Click);
  onTrigger(Exit1, &TMainForm::Exit1Click);
  onTrigger(Connect1, &TMainForm::Connect1Click);
  onTrigger(Disconnect1, &TMainForm::Disconnect1Click);
  onTrigger(AssignComNumber1, &TMainForm::AssignComNumber1Click);
  onTrigger(TrafficMonitor1, &TMainForm::TrafficMonitor1Click);
  onTrigger(TrendChart1, &TMainForm::TrendChart1Click);
  onTrigger(Portsetti1, &TMainForm::Portsetti1Click);
  onTrigger(Expertsettings1, &TMainForm::Expertsettings1Click);
  onTrigger(UpgradeSW1, &TMainForm::UpgradeSW1Click);
  onTrigger(ShowDescriptions1, &TMainForm::ShowDescriptions1Click);
  onTrigger(DeleteDescriptions1, &TMainForm::DeleteDescriptions1Click);
  onTrigger(SaveToFile1, &TMainForm::SaveToFile1Click);
  onTrigger(LoadfomFile1, &TMainForm::LoadfomFile1Click);
  onTrigger(Startlogging1, &TMainForm::Startlogging1Click);
  onTrigger(StopLogging1, &TMainForm::StopLogging1Click);
  onTrigger(RecordOptions1, &TMainForm::RecordOptions1Click);
  onTrigger(ApplicationManual, &TMainForm::ApplicationManualClick);
  onTrigger(GatewayManual, &TMainForm::GatewayManualClick);
  onTrigger(About1, &TMainForm::About1Click);
  onTrigger(About2, &TMainForm::About1Click);
  connect(LanguageGroup, &QActionGroup::triggered, this, [this](QAction* a) { English1Click(a); });
  connect(Timer_recorder, &QTimer::timeout, this, [this] { Timer_recorderTimer(); });
}

void TMainForm::PlaceWindow(const QRect& workArea) {
  const int menuHeight = menuBar()->sizeHint().height();
  const QSize size(ClientWidth, ClientHeight + menuHeight);
  const pellix::WindowPlacement p = pellix::ChooseWindowPlacement(size + FrameAllowance, workArea);
  if (p.maximised) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(size);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowState(Qt::WindowMaximized);
  } else {
    setWindowState(windowState() & ~Qt::WindowMaximized);
    setFixedSize(size);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    move(p.topLeft);
  }
}

TForm_ProgressDialog* TMainForm::Form_ProgressDialog() {
  if (!progressDialog_) {
    progressDialog_ = std::make_unique<TForm_ProgressDialog>();
    progressDialog_->setObjectName(QStringLiteral("Form_ProgressDialog"));
    progressSink_ = std::make_unique<TProgressDialogSink>(*progressDialog_, this);
  }
  return progressDialog_.get();
}

IProgressSink& TMainForm::ProgressDialog() {
  Form_ProgressDialog();
  return *progressSink_;
}

void TMainForm::SetMainWindowEnabled(bool enabled) { setEnabled(enabled); }

void TMainForm::SetConnectChecked() { Frame_Komunikace1->CheckBox_Connect->setChecked(true); }

void TMainForm::ApplyCaptions() {
  const std::pair<QMenu*, int> menus[] = {{File1, 1},          {Communication1, 10}, {SWUpgrade1, 15},
                                          {Descriptions1, 17}, {Record1, 20},        {Language1, 24},
                                          {View1, 33}};
  const std::pair<QAction*, int> items[] = {{Import1, 3},
                                            {Export1, 2},
                                            {Exit1, 4},
                                            {Connect1, 11},
                                            {Disconnect1, 12},
                                            {UpgradeSW1, 16},
                                            {ShowDescriptions1, 18},
                                            {DeleteDescriptions1, 19},
                                            {SaveToFile1, 8},
                                            {LoadfomFile1, 9},
                                            {Startlogging1, 21},
                                            {StopLogging1, 22},
                                            {RecordOptions1, 23},
                                            {Czech1, 25},
                                            {English1, 26},
                                            {TrafficMonitor1, 32},
                                            {TrendChart1, 34}};
  for (const auto& [menu, pair] : menus) menu->setTitle(StrConst(pair));
  for (const auto& [item, pair] : items) item->setText(StrConst(pair));
}

void TMainForm::English1Click(QAction* item) {
  item->setChecked(true);
  SetLanguage(Language1->actions().indexOf(item));
}

void TMainForm::Exit1Click() {
  if (RunInProgress()) {
    pendingEnd_ = PendingEnd::Exit;
    StatusPanel0->setText(EndsAfterTheRun);
    return;
  }
  // Ends the event loop at once: no close step; the destruction still saves.
  QCoreApplication::exit(0);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // The window manager's close works on a disabled window too.
  if (RunInProgress()) {
    if (pendingEnd_ == PendingEnd::None) pendingEnd_ = PendingEnd::Close;
    StatusPanel0->setText(EndsAfterTheRun);
    event->ignore();
    return;
  }
  FormClose();
  QMainWindow::closeEvent(event);
  emit Closed();
}

void TMainForm::RunWaiting(const std::function<void()>& command) {
  ++runDepth_;
  struct End {
    TMainForm* form;
    ~End() { form->EndRun(); }
  } end{this};
  command();
}

void TMainForm::EndRun() {
  if (--runDepth_ > 0 || pendingEnd_ == PendingEnd::None) return;
  const PendingEnd what = std::exchange(pendingEnd_, PendingEnd::None);
  // From the main loop, once the command's handler has returned.
  QMetaObject::invokeMethod(
      this,
      [this, what] {
        if (what == PendingEnd::Exit)
          Exit1Click();
        else
          close();
      },
      Qt::QueuedConnection);
}

void TMainForm::FormClose() {
  portWatch_.Stop();
  CloseMonitors();
  GWYKomunikator.reset();
  UnhookMainWindow(this);
  delete pellix::FindProgrammerWindow(this);
}

void TMainForm::ApplicationEvents1Exception(const std::exception& e) {
  if (dynamic_cast<const EAfComPortSettingsError*>(&e)) {
    pellix::prompts().error(PortErrorReport(e, AfComPort1->ComNumber()));
  } else if (dynamic_cast<const EAfComPortReadError*>(&e)) {
    AfComPort1->ClosePort();
    // Pulled out, most likely: while the operator still wants the link, wait for it.
    if (Frame_Komunikace1->CheckBox_Connect->isChecked()) {
      portWatch_.Start(AfComPort1->ComNumber());
      ShowPortNote(PortLostText.arg(AfComPort1->ComNumber()));
    }
  } else {
    pellix::prompts().error(QString::fromUtf8(e.what()));
  }
}

void TMainForm::ApplicationEvents1Hint(const QString& hint) { StatusPanel0->setText(pellix::LongHint(hint)); }

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  // Every status tip of the application (widgets on hover, menu items) is the long
  // part of a hint; it goes to panel 0.
  if (event->type() == QEvent::StatusTip) StatusPanel0->setText(static_cast<QStatusTipEvent*>(event)->tip());
  return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::event(QEvent* event) {
  // QMainWindow would show the tip as a temporary message over both panels.
  if (event->type() == QEvent::StatusTip) return true;
  return QMainWindow::event(event);
}

void TMainForm::OnRegistersReceived() {
  TRegisterBlock regs{};
  GWYKomunikator->GetRegisters(regs);
  DispatchRegisterBlock(regs, GWYKomunikator->GetPolledAddress());
  if (trendChart_) FeedTrend(regs, GWYKomunikator->GetPolledAddress());
}

void TMainForm::Frame_Komunikace1CheckBox_ConnectClick() {
  Frame_Komunikace1->CheckBox_ConnectClick();
  QCheckBox* box = Frame_Komunikace1->CheckBox_Connect;
  if (!GWYKomunikator) return;  // the window is closing
  if (box->isChecked()) {
    std::exception_ptr failure;
    try {
      OpenConnection(Frame_Komunikace1->ComNumberToConnect());
      ClearViews();
    } catch (...) {
      failure = std::current_exception();
    }
    if (failure) {
      // Unchecking runs this handler again and disconnects; then the report shows why.
      box->setChecked(false);
      pellix::reportException(failure);
      return;
    }
  } else {
    portWatch_.Stop();
    GWYKomunikator->Disconnect();
    // What the status bar said about the lost port is over with the connection.
    if (!portNote_.isEmpty() && StatusPanel0->text() == portNote_) StatusPanel0->clear();
    portNote_.clear();
  }
  const bool connected = box->isChecked();
  Connect1->setEnabled(!connected);
  Disconnect1->setEnabled(connected);
  if (!Timer_recorder->isActive()) Startlogging1->setEnabled(connected);
}

void TMainForm::OpenConnection(int comNumber) {
  portWatch_.Stop();
  Frame_Komunikace1ComboBox_BaudRateChange();
  Frame_Komunikace1ComboBox_AddrChange();
  GWYKomunikator->Connect(comNumber);
  Frame_Komunikace1->ConnectedTo(comNumber);
}

void TMainForm::PortBack(int comNumber) {
  if (!GWYKomunikator || !Frame_Komunikace1->CheckBox_Connect->isChecked()) return;
  try {
    OpenConnection(comNumber);
  } catch (const std::exception&) {
    // Taken again in between (or not quite there yet): keep waiting, without a message.
    portWatch_.Start(comNumber);
    return;
  }
  ShowPortNote(PortBackText.arg(comNumber));
}

void TMainForm::ShowPortNote(const QString& text) {
  portNote_ = text;
  StatusPanel0->setText(text);
}

void TMainForm::Frame_Komunikace1ComboBox_BaudRateChange() {
  Frame_Komunikace1->ComboBox_BaudRateChange();
  const int index = Frame_Komunikace1->ComboBox_BaudRate->currentIndex();
  // Nothing selected means nothing to apply (the rate table has no entry for it).
  if (GWYKomunikator && index >= 0) GWYKomunikator->SetBaudRateIndex(index);
}

void TMainForm::Frame_Komunikace1ComboBox_AddrChange() {
  Frame_Komunikace1->SyncUsbCheck();
  const int index = Frame_Komunikace1->ComboBox_Addr->currentIndex();
  if (GWYKomunikator && index >= 0) GWYKomunikator->SetSlaveAddress(static_cast<uint8_t>(index + 1));
}

void TMainForm::Frame_Komunikace1Cb_ParityChange() {
  Frame_Komunikace1->SyncUsbCheck();
  const int index = Frame_Komunikace1->Cb_Parity->currentIndex();
  if (GWYKomunikator && index >= 0) GWYKomunikator->SetParityIndex(index);
}

void TMainForm::Frame_Komunikace1Cb_StopbitChange() {
  Frame_Komunikace1->SyncUsbCheck();
  const int index = Frame_Komunikace1->Cb_Stopbit->currentIndex();
  if (GWYKomunikator && index >= 0) GWYKomunikator->SetStopBitsIndex(index);
}

void TMainForm::Connect1Click() { Frame_Komunikace1->CheckBox_Connect->setChecked(true); }

void TMainForm::Disconnect1Click() { Frame_Komunikace1->CheckBox_Connect->setChecked(false); }

void TMainForm::AssignComNumber1Click() {
  TAfPortComboBox* list = Frame_Komunikace1->AfPortComboBox1;
  QPointer<TdlgAssignComNumber> dialog = new TdlgAssignComNumber(list->MaxComPorts(), this);
  dialog->exec();
  if (!dialog) return;  // the window went while the dialog was open
  delete dialog;
  // New numbers show at once, unless a connection holds the list.
  if (!Frame_Komunikace1->IsConnected()) list->RefreshPorts();
}

void TMainForm::ReadSettings() {
  QSettings s = pellix::SettingsStore();
  if (!s.childGroups().contains(SettingsGroup)) return;
  s.beginGroup(SettingsGroup);
  TFrame_Komunikace* f = Frame_Komunikace1;
  // The first missing or unreadable value ends the reading; what came before stays.
  int v = 0;
  if (!readInt(s, QStringLiteral("ComNum"), v)) return;
  f->AfPortComboBox1->SetSelectedComNumber(v);
  if (!readInt(s, QStringLiteral("BR_Index"), v)) return;
  restoreIndex(f->ComboBox_BaudRate, v);
  if (!readInt(s, QStringLiteral("SlaveAddr_Index"), v)) return;
  restoreIndex(f->ComboBox_Addr, v);
  if (!readInt(s, QStringLiteral("Parity_Index"), v)) return;
  restoreIndex(f->Cb_Parity, v);
  if (!readInt(s, QStringLiteral("Stopbit_Index"), v)) return;
  restoreIndex(f->Cb_Stopbit, v);
  if (!readInt(s, QStringLiteral("USB_Checked"), v)) return;
  f->CheckBox_USB->setChecked(v != 0);
}

void TMainForm::SaveSettings() {
  QSettings s = pellix::SettingsStore();
  s.beginGroup(SettingsGroup);
  TFrame_Komunikace* f = Frame_Komunikace1;
  // The port chosen, even while it is unplugged and the list shows another one.
  s.setValue(QStringLiteral("ComNum"), f->ComNumberToSave());
  s.setValue(QStringLiteral("BR_Index"), f->ComboBox_BaudRate->currentIndex());
  s.setValue(QStringLiteral("SlaveAddr_Index"), f->ComboBox_Addr->currentIndex());
  s.setValue(QStringLiteral("Parity_Index"), f->Cb_Parity->currentIndex());
  s.setValue(QStringLiteral("Stopbit_Index"), f->Cb_Stopbit->currentIndex());
  s.setValue(QStringLiteral("USB_Checked"), f->CheckBox_USB->isChecked() ? 1 : 0);
  s.endGroup();
  s.sync();  // a store that cannot be written is ignored
}
