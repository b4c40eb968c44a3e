// The main window: menu table, layout, hints, settings store, error report.
#include "MainTestFixture.h"

#include "ApplicationTitle.h"
#include "ConfigurationFile.h"
#include "ErrorReport.h"
#include "HelpOpener.h"
#include "StrConsts.h"
#include "dlgAboutQuorvel.h"
#include "dlgAssignComNumber.h"
#include "uForm_ProgressDialog.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"
#include "uMain_Programmer.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>

#include <ostream>
#include <stdexcept>

namespace {

using pellix::PromptKind;
using pellix::test::MainWindowFixture;
using pellix::test::readCommSetting;
using pellix::test::scriptedPrompts;
using pellix::test::writeCommSetting;

// ---- menu table --------------------------------------------------------------------

struct MenuRow {
  const char* name;
  const char* caption;
  const char* shortcut;  // portable text, "" for none
  bool visible;
  bool enabled;
};
void PrintTo(const MenuRow& r, std::ostream* os) { *os << r.name; }

class MenuTable : public MainWindowFixture, public ::testing::WithParamInterface<MenuRow> {};

TEST_P(MenuTable, ItemAsAtStart) {
  TMainForm& f = makeForm();
  const MenuRow& row = GetParam();
  auto* item = f.findChild<QAction*>(QLatin1String(row.name));
  ASSERT_NE(item, nullptr) << row.name;
  EXPECT_EQ(item->text(), QString::fromUtf8(row.caption));
  EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromLatin1(row.shortcut)));
  EXPECT_EQ(item->isVisible(), row.visible);
  if (row.visible) {  // Qt disables every hidden action
    EXPECT_EQ(item->isEnabled(), row.enabled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Items, MenuTable,
    ::testing::Values(
        MenuRow{"File1", "File", "", true, true}, MenuRow{"Import1", "Open", "Ctrl+O", true, true},
        MenuRow{"Export1", "Save to File", "Ctrl+S", true, true},
        MenuRow{"Exit1", "Exit", "Alt+F4", true, true},
        MenuRow{"Communication1", "Communication", "", true, true},
        MenuRow{"Connect1", "Connect", "F3", true, true},
        MenuRow{"Disconnect1", "Disconnect", "F4", true, false},
        MenuRow{"AssignComNumber1", "Assign COM number\u2026", "", true, true},
        MenuRow{"TrafficMonitor1", "Traffic monitor", "Ctrl+T", true, true},
        MenuRow{"Settings1", "Settings", "", false, true},
        MenuRow{"Portsetti1", "Port  settings...", "", true, true},
        MenuRow{"Expertsettings1", "Expert settings...", "", true, true},
        MenuRow{"SWUpgrade1", "Upgrade SW", "Ctrl+U", true, true},
        MenuRow{"UpgradeSW1", "Upgrade SW", "F5", true, true},
        MenuRow{"Descriptions1", "Descriptions", "", true, true},
        MenuRow{"ShowDescriptions1", "Show", "Ctrl+D", true, true},
        MenuRow{"DeleteDescriptions1", "Delete", "", true, true},
        MenuRow{"SaveToFile1", "Save to File", "", true, true},
        MenuRow{"LoadfomFile1", "Load from File", "", true, true},
        MenuRow{"Record1", "Recorder", "", true, true},
        MenuRow{"Startlogging1", "Start Logging", "", true, false},
        MenuRow{"StopLogging1", "Stop Logging", "", true, false},
        MenuRow{"RecordOptions1", "Recorder Options", "", true, true},
        MenuRow{"Language1", "Language", "", false, true}, MenuRow{"Czech1", "Ceština", "", true, true},
        MenuRow{"English1", "English", "", true, true}, MenuRow{"View1", "View", "", true, true},
        MenuRow{"TrendChart1", "Trend chart", "Ctrl+G", true, true}, MenuRow{"Help1", "Help", "", true, true},
        MenuRow{"ApplicationManual", "Pellix Tool User Manual", "F1", true, true},
        MenuRow{"GatewayManual", "Gateway 1-Wire/Modbus User Manual", "", false, true},
        MenuRow{"About1", "About...", "", true, true}, MenuRow{"About2", "About", "", true, true}));

TEST_F(MainWindowFixture, MenuBarOrderAndSeparators) {
  TMainForm& f = makeForm();
  QStringList top;
  for (QAction* a : f.menuBar()->actions()) top << a->objectName();
  EXPECT_EQ(top, QStringList({"File1", "Communication1", "Settings1", "SWUpgrade1", "Descriptions1",
                              "Record1", "Language1", "View1", "Help1", "About2"}));
  QStringList file;
  for (QAction* a : f.File1->actions()) file << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
  EXPECT_EQ(file, QStringList({"Import1", "Export1", "-", "Exit1"}));
  QStringList help;
  for (QAction* a : f.Help1->actions()) help << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
  EXPECT_EQ(help, QStringList({"ApplicationManual", "GatewayManual", "-", "About1"}));
  EXPECT_EQ(f.GatewayManual->data().toInt(), 1);
}

TEST_F(MainWindowFixture, LanguageItemsAreARadioGroupWithEnglishChecked) {
  TMainForm& f = makeForm();
  EXPECT_TRUE(f.English1->isChecked());
  EXPECT_FALSE(f.Czech1->isChecked());
  EXPECT_TRUE(f.LanguageGroup->isExclusive());
}

TEST_F(MainWindowFixture, ChoosingCzechAppliesCzechCaptionsAndBack) {
  TMainForm& f = makeForm();
  f.Czech1->trigger();
  EXPECT_TRUE(f.Czech1->isChecked());
  EXPECT_EQ(Language(), LanguageCzech);
  EXPECT_EQ(f.File1->title(), StrConst(1, LanguageCzech));
  EXPECT_EQ(f.Connect1->text(), StrConst(11, LanguageCzech));
  f.English1->trigger();
  EXPECT_EQ(f.File1->title(), QStringLiteral("File"));
  EXPECT_EQ(f.Connect1->text(), QStringLiteral("Connect"));
}

TEST_F(MainWindowFixture, SettingsItemsAnswerWithoutAGateway) {
  TMainForm& f = makeForm();
  scriptedPrompts().setAutoAcknowledge(true);
  for (QAction* a : {f.Portsetti1, f.Expertsettings1}) a->trigger();
  SUCCEED();
}

TEST_F(MainWindowFixture, HelpItemOpensTheToolsManual) {
  TMainForm& f = makeForm();
  std::vector<QUrl> opened;
  const pellix::UrlOpener previous = pellix::setUrlOpener([&](const QUrl& u) {
    opened.push_back(u);
    return true;
  });
  f.ApplicationManual->trigger();
  pellix::setUrlOpener(previous);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].toLocalFile().endsWith(QLatin1String("PellixTool_AppManualEN.mht")));
}

TEST_F(MainWindowFixture, AboutItemsShowTheMakersDialog) {
  TMainForm& f = makeForm();
  for (QAction* item : {f.About1, f.About2}) {
    bool shown = false;
    QTimer::singleShot(0, &f, [&] {
      shown = f.dlgAboutQuorvel->isVisible();
      f.dlgAboutQuorvel->reject();
    });
    item->trigger();
    EXPECT_TRUE(shown) << item->objectName().toStdString();
  }
}

TEST_F(MainWindowFixture, AssignedComNumberIsOfferedByThePortListAtOnce) {
  TMainForm& f = makeForm();
  EXPECT_EQ(f.Communication1->actions().indexOf(f.AssignComNumber1), 3);  // after a separator
  EXPECT_FALSE(f.AssignComNumber1->statusTip().isEmpty());
  sim = std::make_unique<pellix::gwsim::Simulator>(pellix::gwsim::GatewayModel{});
  std::string error;
  ASSERT_TRUE(sim->start(&error)) << error;
  const QString device = QString::fromStdString(sim->devicePath());
  QStringList assigned;
  QTimer::singleShot(0, &f, [&] {
    auto* dialog = qobject_cast<TdlgAssignComNumber*>(QApplication::activeModalWidget());
    if (!dialog) return;
    dialog->ComboBox_Adapter->setEditText(device);
    dialog->ComboBox_ComNumber->setCurrentIndex(dialog->ComboBox_ComNumber->findData(150));
    dialog->Button_Assign->click();
    for (int i = 0; i < dialog->Lb_Assignments->count(); ++i)
      assigned << dialog->Lb_Assignments->item(i)->text();
    dialog->Button_Close->click();
  });
  f.AssignComNumber1->trigger();
  EXPECT_EQ(assigned, QStringList{QStringLiteral("COM 150 \u2192 ") + device});
  EXPECT_GE(komunikace().AfPortComboBox1->findData(150, TAfPortComboBox::ComNumberRole), 0);
}

TEST_F(MainWindowFixture, FileItemsAskForTheirFiles) {
  TMainForm& f = makeForm();
  scriptedPrompts().expect(PromptKind::OpenFile, false);
  scriptedPrompts().expect(PromptKind::OpenFile, false);
  scriptedPrompts().expect(PromptKind::SaveFile, false);
  scriptedPrompts().expect(PromptKind::SaveFile, false);
  scriptedPrompts().expect(PromptKind::Warning, false);
  f.Import1->trigger();
  f.LoadfomFile1->trigger();
  f.Export1->trigger();
  f.SaveToFile1->trigger();
  f.DeleteDescriptions1->trigger();
  std::vector<QString> captions;
  for (const auto& r : scriptedPrompts().records()) captions.push_back(r.caption);
  EXPECT_EQ(captions, (std::vector<QString>{"Open File", "Open File", "Save to File", "Save to File", ""}));
}

// ---- caption, layout, hints ------------------------------------------------------------

TEST_F(MainWindowFixture, CaptionAndApplicationTitle) {
  TMainForm& f = makeForm();
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Pellix Tool V1.09.3 (DUNO)"));
  EXPECT_EQ(pellix::ApplicationTitle(), QStringLiteral("Pellix Tool V1.09.3 (DUNO)"));
}

TEST_F(MainWindowFixture, ClientAreaIsFixedAt1211By681OnALargeScreen) {
  TMainForm& f = makeForm();
  f.PlaceWindow(QRect(0, 0, 1920, 1040));
  f.show();
  pellix::test::processEventsFor(20);
  const int client = f.height() - f.menuBar()->height();
  EXPECT_EQ(f.width(), TMainForm::ClientWidth);
  EXPECT_EQ(client, TMainForm::ClientHeight);
  EXPECT_EQ(f.minimumSize(), f.maximumSize());
  EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(MainWindowFixture, OnASmallScreenItOpensMaximisedAndSizeable) {
  TMainForm& f = makeForm();
  f.PlaceWindow(QRect(0, 0, 1024, 738));
  f.show();
  pellix::test::processEventsFor(20);
  EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_NE(f.minimumSize(), f.maximumSize());
}

TEST_F(MainWindowFixture, LeftColumnAndTheTwoLinesSideBySide) {
  TMainForm& f = makeForm();
  f.PlaceWindow(QRect(0, 0, 1920, 1040));
  f.show();
  pellix::test::processEventsFor(20);
  EXPECT_NEAR(f.Frame_Komunikace1->parentWidget()->width(), TMainForm::LeftColumnWidth, 2);
  EXPECT_EQ(f.Pan_CommHead->text(), QStringLiteral("Communication"));
  const QRect line1 = f.Frame_LineTab1->geometry();
  const QRect line2 = f.Frame_LineTab2->geometry();
  EXPECT_LT(line1.right(), line2.left());
  EXPECT_EQ(line1.top(), line2.top());
  EXPECT_NEAR(line1.width(), line2.width(), 2);
  // Nothing of the right area lies outside the client area.
  const QRect table = f.Panel_MainTable->geometry();
  EXPECT_LE(table.right(), f.centralWidget()->width() - 1);
  EXPECT_LE(line2.right(), table.width() - 1);
  EXPECT_FALSE(f.Frame_FindNewTab1->isVisible());
  EXPECT_FALSE(f.Frame_FindNewTab2->isVisible());
  EXPECT_FALSE(f.Pan_GWYSettingsHead->isVisible());
  EXPECT_FALSE(f.Pan_GWYSettings->isVisible());
  EXPECT_TRUE(f.Label_SWVer->text().isEmpty());
  EXPECT_TRUE(f.Label_HWVer->text().isEmpty());
  EXPECT_TRUE(f.Label_SWVer->font().bold());
}

TEST_F(MainWindowFixture, EachSearchViewCoversTheOtherLine) {
  TMainForm& f = makeForm();
  f.PlaceWindow(QRect(0, 0, 1920, 1040));
  f.show();
  f.Frame_FindNewTab1->show();
  f.Frame_FindNewTab2->show();
  pellix::test::processEventsFor(20);
  EXPECT_EQ(f.Frame_FindNewTab1->geometry(), f.Frame_LineTab2->geometry());
  EXPECT_EQ(f.Frame_FindNewTab2->geometry(), f.Frame_LineTab1->geometry());
  EXPECT_TRUE(f.Frame_FindNewTab1->autoFillBackground());
  EXPECT_TRUE(f.Frame_FindNewTab2->autoFillBackground());
  // On top: the point in the middle of LINE 2 belongs to LINE 1's search view.
  QWidget* at = f.Panel_MainTable->childAt(f.Frame_LineTab2->geometry().center());
  while (at && at != f.Frame_FindNewTab1 && at != f.Frame_LineTab2) at = at->parentWidget();
  EXPECT_EQ(at, f.Frame_FindNewTab1);
}

TEST_F(MainWindowFixture, FortyBoxesAndFortySlotsInLineOrder) {
  TMainForm& f = makeForm();
  ASSERT_EQ(f.ChannelBoxes.size(), 40);
  ASSERT_EQ(f.ResultSlots.size(), 40);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(f.ChannelBoxes[i]->ChannelNumber, i + 1);
  EXPECT_EQ(f.Frame_LineTab1->LineNumber, 1);
  EXPECT_EQ(f.Frame_LineTab2->LineNumber, 2);
  EXPECT_EQ(f.ChannelBoxes[0]->parentWidget(), f.Frame_LineTab1);
  EXPECT_EQ(f.ChannelBoxes[20]->parentWidget(), f.Frame_LineTab2);
}

TEST_F(MainWindowFixture, StatusBarHasTwoPanels) {
  TMainForm& f = makeForm();
  f.PlaceWindow(QRect(0, 0, 1920, 1040));
  f.show();
  pellix::test::processEventsFor(20);
  EXPECT_NEAR(f.StatusPanel0->width(), 1000, 10);
  EXPECT_EQ(f.StatusPanel1->width(), 200);
  EXPECT_EQ(f.StatusPanel0->parentWidget(), f.StatusBar);
}

TEST_F(MainWindowFixture, MenuHintsSplitIntoTooltipAndStatusText) {
  TMainForm& f = makeForm();
  EXPECT_EQ(f.Import1->toolTip(), QStringLiteral("Import ROM codes from file"));
  EXPECT_EQ(
      f.Import1->statusTip(),
      QStringLiteral("If a gateway connected, ROM codes from that file will be written to the gateway."));
  EXPECT_EQ(f.Export1->toolTip(), QStringLiteral("Save to file"));
  EXPECT_EQ(f.Export1->statusTip(), QStringLiteral("Used to back up the gateway configurations."));
  EXPECT_EQ(f.UpgradeSW1->statusTip(), QStringLiteral("If connected, the firmware update window is open."));
  EXPECT_EQ(f.SpdBtn_GWYSettings->toolTip(), QStringLiteral("RS485 and RS232 configuration"));
}

TEST_F(MainWindowFixture, HoveredMenuItemPutsItsLongHintIntoPanelZero) {
  TMainForm& f = makeForm();
  f.show();
  f.Export1->showStatusText(f.menuBar());
  EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("Used to back up the gateway configurations."));
  EXPECT_TRUE(f.StatusPanel1->isVisible());  // no temporary message hides the panels
}

TEST_F(MainWindowFixture, HoveredControlPutsItsLongHintIntoPanelZero) {
  TMainForm& f = makeForm();
  f.show();
  TFrame_SensorBox* box = f.ChannelBoxes[12];
  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(box->SpeedButton_Delete, &enter);
  EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("Delete the position. (Send command 0x0F0C)"));
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(box->SpeedButton_Delete, &leave);
  EXPECT_TRUE(f.StatusPanel0->text().isEmpty());
}

TEST_F(MainWindowFixture, HintWithoutBarGoesWhole) {
  TMainForm& f = makeForm();
  f.ApplicationEvents1Hint(QStringLiteral("RS485 and RS232 configuration"));
  EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("RS485 and RS232 configuration"));
  f.ApplicationEvents1Hint(QStringLiteral("Save to file|Used to back up the gateway configurations."));
  EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("Used to back up the gateway configurations."));
}

// ---- window placement --------------------------------------------------------------------

struct PlacementCase {
  QSize outer;
  QRect work;
  bool maximised;
  QPoint topLeft;
};
void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.work.width() << "x" << c.work.height(); }

class WindowPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(WindowPlacement, CentredOnlyWhenItFitsBothWays) {
  const PlacementCase& c = GetParam();
  const pellix::WindowPlacement p = pellix::ChooseWindowPlacement(c.outer, c.work);
  EXPECT_EQ(p.maximised, c.maximised);
  if (!c.maximised) {
    EXPECT_EQ(p.topLeft, c.topLeft);
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowPlacement,
                         ::testing::Values(PlacementCase{{1219, 737}, {0, 0, 1024, 738}, true, {}},
                                           PlacementCase{{1219, 737}, {0, 0, 1920, 1040}, false, {350, 151}},
                                           PlacementCase{{1219, 737}, {0, 0, 1219, 1040}, true, {}},
                                           PlacementCase{{1219, 737}, {0, 0, 1600, 737}, true, {}},
                                           PlacementCase{{1219, 737}, {0, 0, 1220, 738}, false, {0, 0}},
                                           PlacementCase{
                                               {1219, 737}, {1920, 30, 1920, 1050}, false, {2270, 186}}));

// ---- settings store --------------------------------------------------------------------

TEST_F(MainWindowFixture, WithoutTheKeyTheDefaultsApply) {
  makeForm();
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), 5);
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentText(), QLocale().toString(9.6, 'f', 1) + " kBd");
  EXPECT_EQ(komunikace().ComboBox_Addr->currentIndex(), 0);
  EXPECT_EQ(komunikace().Cb_Parity->currentText(), QStringLiteral("NONE"));
  EXPECT_EQ(komunikace().Cb_Stopbit->currentText(), QStringLiteral("One"));
  EXPECT_FALSE(usbBox().isChecked());
}

TEST_F(MainWindowFixture, SettingsSurviveARestart) {
  makeForm();
  startGateway(7);
  pick(komunikace().ComboBox_BaudRate, 8);
  pick(komunikace().ComboBox_Addr, 4);
  pick(komunikace().Cb_Parity, 1);
  pick(komunikace().Cb_Stopbit, 1);
  form.reset();
  EXPECT_EQ(readCommSetting("ComNum").toInt(), 7);
  EXPECT_EQ(readCommSetting("USB_Checked").toInt(), 0);

  makeForm();
  EXPECT_EQ(komunikace().AfPortComboBox1->SelectedComNumber(), 7);
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), 8);
  EXPECT_EQ(komunikace().ComboBox_Addr->currentIndex(), 4);
  EXPECT_EQ(komunikace().Cb_Parity->currentIndex(), 1);
  EXPECT_EQ(komunikace().Cb_Stopbit->currentIndex(), 1);
  EXPECT_FALSE(usbBox().isChecked());
  // Restored entries are not applied until the operator connects or changes them.
  EXPECT_NE(form->GWYKomunikator->GetBaudRate(), 28800);
}

TEST_F(MainWindowFixture, ExitStillSavesTheSettings) {
  TMainForm& f = makeForm();
  pick(komunikace().ComboBox_Addr, 9);
  f.Exit1->trigger();
  form.reset();
  EXPECT_EQ(readCommSetting("SlaveAddr_Index").toInt(), 9);
}

// Everything before the gap is restored; what comes after keeps its default.
struct GapCase {
  const char* missing;
  int baud, addr, parity, stop;
};
void PrintTo(const GapCase& c, std::ostream* os) { *os << c.missing; }

class SettingsGap : public MainWindowFixture, public ::testing::WithParamInterface<GapCase> {};

TEST_P(SettingsGap, ReadingStopsAtTheFirstMissingOrBadValue) {
  const GapCase& c = GetParam();
  const std::pair<const char*, int> stored[] = {{"BR_Index", 10},
                                                {"SlaveAddr_Index", 3},
                                                {"Parity_Index", 2},
                                                {"Stopbit_Index", 1},
                                                {"USB_Checked", 1}};
  writeCommSetting("ComNum", 1);
  for (const auto& [name, value] : stored) {
    if (QLatin1String(name) == QLatin1String(c.missing)) continue;
    writeCommSetting(name, value);
  }
  if (QLatin1String(c.missing) == QLatin1String("SlaveAddr_Index(bad)"))
    writeCommSetting("SlaveAddr_Index", "x1");
  makeForm();
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), c.baud);
  EXPECT_EQ(komunikace().ComboBox_Addr->currentIndex(), c.addr);
  EXPECT_EQ(komunikace().Cb_Parity->currentIndex(), c.parity);
  EXPECT_EQ(komunikace().Cb_Stopbit->currentIndex(), c.stop);
  EXPECT_FALSE(usbBox().isChecked());
}

INSTANTIATE_TEST_SUITE_P(Gaps, SettingsGap,
                         ::testing::Values(GapCase{"Parity_Index", 10, 3, 0, 0},
                                           GapCase{"BR_Index", 5, 0, 0, 0},
                                           GapCase{"SlaveAddr_Index(bad)", 10, 0, 0, 0},
                                           GapCase{"USB_Checked", 10, 3, 2, 1}));

TEST_F(MainWindowFixture, OutOfRangeIndexesKeepTheirDefaults) {
  writeCommSetting("ComNum", 1);
  writeCommSetting("BR_Index", 99);
  writeCommSetting("SlaveAddr_Index", -3);
  writeCommSetting("Parity_Index", 2);
  writeCommSetting("Stopbit_Index", -1);
  writeCommSetting("USB_Checked", 0);
  makeForm();
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), 5);
  EXPECT_EQ(komunikace().ComboBox_Addr->currentIndex(), 0);
  EXPECT_EQ(komunikace().Cb_Parity->currentIndex(), 2);
  EXPECT_EQ(komunikace().Cb_Stopbit->currentIndex(), 0);
}

TEST_F(MainWindowFixture, StoredUsbChoiceAppliesTheUsbPreset) {
  writeCommSetting("ComNum", 1);
  writeCommSetting("BR_Index", 2);
  writeCommSetting("SlaveAddr_Index", 6);
  writeCommSetting("Parity_Index", 1);
  writeCommSetting("Stopbit_Index", 1);
  writeCommSetting("USB_Checked", 1);
  TMainForm& f = makeForm();
  EXPECT_TRUE(usbBox().isChecked());
  EXPECT_EQ(komunikace().ComboBox_BaudRate->currentIndex(), 13);
  EXPECT_EQ(komunikace().ComboBox_Addr->currentIndex(), 0);
  EXPECT_EQ(f.GWYKomunikator->GetBaudRate(), 115200);
  EXPECT_EQ(f.GWYKomunikator->GetSlaveAddress(), 1);
  EXPECT_EQ(f.GWYKomunikator->ParityIndex(), 0);
  EXPECT_EQ(f.GWYKomunikator->StopBitsIndex(), 0);
}

// ---- error report ------------------------------------------------------------------------

TEST_F(MainWindowFixture, DcbErrorIsReportedWithTheComNumber) {
  TMainForm& f = makeForm();
  f.AfComPort1->SetComNumber(3);
  scriptedPrompts().expect(PromptKind::Error);
  f.ApplicationEvents1Exception(EAfComPortSettingsError());
  EXPECT_EQ(
      scriptedPrompts().texts(PromptKind::Error),
      std::vector<QString>{"Error setting parameters from DCB. COM 3 probably does not suport the selected "
                           "baudrate."});
}

TEST_F(MainWindowFixture, OtherMessagesAreShownAsTheyAre) {
  TMainForm& f = makeForm();
  scriptedPrompts().expect(PromptKind::Error);
  scriptedPrompts().expect(PromptKind::Error);
  f.ApplicationEvents1Exception(std::runtime_error("Error setting parameters from DCB "));  // not exactly
  f.ApplicationEvents1Exception(std::runtime_error("Can't open device COM4"));
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error),
            (std::vector<QString>{"Error setting parameters from DCB ", "Can't open device COM4"}));
}

TEST_F(MainWindowFixture, ReadErrorClosesThePortSilentlyAndStaysConnected) {
  TMainForm& f = makeForm();
  startGateway(6);
  connectBox().setChecked(true);
  ASSERT_TRUE(f.AfComPort1->IsOpen());
  // The program routes every uncaught error here.
  pellix::setErrorHandler([&f](const std::exception& e) { f.ApplicationEvents1Exception(e); });
  // Told by its type: what the port is called and how the message reads do not matter.
  pellix::reportException(std::make_exception_ptr(EAfComPortReadError("Read data error - another port ")));
  EXPECT_FALSE(f.AfComPort1->IsOpen());
  EXPECT_TRUE(connectBox().isChecked());
  EXPECT_TRUE(scriptedPrompts().records().empty());
  pellix::setErrorHandler({});
}

}  // namespace

namespace {

using pellix::test::MainWindowFixture;

TEST_F(MainWindowFixture, ClosingTheWindowFreesTheClientAndSavesOnDestruction) {
  TMainForm& f = makeForm();
  startGateway(6);
  connectBox().setChecked(true);
  pick(komunikace().ComboBox_Addr, 2);
  f.show();
  EXPECT_TRUE(f.close());
  EXPECT_EQ(f.GWYKomunikator, nullptr);
  // Controls reached after the close do nothing.
  connectBox().setChecked(false);
  form.reset();
  EXPECT_EQ(pellix::test::readCommSetting("SlaveAddr_Index").toInt(), 2);
  EXPECT_EQ(pellix::test::readCommSetting("ComNum").toInt(), 6);
}

}  // namespace

namespace {

using pellix::test::MainWindowFixture;

// The configuration import drives the window through its import host.
TEST_F(MainWindowFixture, ImportHostDrivesTheProgressDialogAndTheWindow) {
  TMainForm& f = makeForm();
  f.show();
  IImportHost& host = f;
  IProgressSink& progress = host.ProgressDialog();
  EXPECT_EQ(&progress, &host.ProgressDialog());  // one dialog for the whole run
  progress.SetCaption(QStringLiteral("Pellix Tool - Import from file"));
  progress.SetMaximum(40);
  progress.SetPosition(3);
  progress.SetText(QStringLiteral("Writing channels from file a.bin... (Channel 2)"));
  progress.Show();
  TForm_ProgressDialog* dialog = f.Form_ProgressDialog();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Pellix Tool - Import from file"));
  EXPECT_EQ(dialog->Gauge1->maximum(), 40);
  EXPECT_EQ(progress.Position(), 3);
  EXPECT_EQ(dialog->Label_Progress->text(),
            QStringLiteral("Writing channels from file a.bin... (Channel 2)"));
  host.SetMainWindowEnabled(false);
  EXPECT_FALSE(f.isEnabled());
  // Only the main window is disabled: the progress is not drawn grey with it.
  EXPECT_TRUE(dialog->isEnabled());
  progress.Hide();
  host.SetMainWindowEnabled(true);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(f.isEnabled());
}

TEST_F(MainWindowFixture, ImportHostSwitchesTheConnectBoxOn) {
  TMainForm& f = makeForm();
  startGateway(8);
  static_cast<IImportHost&>(f).SetConnectChecked();
  EXPECT_TRUE(connectBox().isChecked());
  EXPECT_TRUE(f.AfComPort1->IsOpen());
}

}  // namespace

namespace {

using pellix::PromptKind;
using pellix::test::MainWindowFixture;
using pellix::test::scriptedPrompts;

TEST_F(MainWindowFixture, StartLoggingAsksForTheLogFileAndCancelLeavesItOff) {
  TMainForm& f = makeForm();
  startGateway(8);
  connectBox().setChecked(true);
  ASSERT_TRUE(f.Startlogging1->isEnabled());
  scriptedPrompts().expect(PromptKind::SaveFile, false);
  f.Startlogging1->trigger();
  EXPECT_EQ(scriptedPrompts().records().size(), 1u);
  EXPECT_FALSE(f.Timer_recorder->isActive());
}

}  // namespace

namespace {

using pellix::PromptKind;
using pellix::test::MainWindowFixture;
using pellix::test::scriptedPrompts;

// ---- screen fit ----------------------------------------------------------------------

QRect inViewport(const QScrollArea* scroll, const QWidget* w) {
  return QRect(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
}

// A 1024 x 768 screen leaves about 1024 x 700 for the window with its title bar: every
// channel box and both "Add New" buttons are in sight as they are, ROM codes whole.
TEST_F(MainWindowFixture, EveryControlIsInSightOnA1024By700WorkArea) {
  TMainForm& f = makeForm();
  f.PlaceWindow(QRect(0, 0, 1024, 700));
  f.setWindowState(Qt::WindowNoState);
  f.resize(1024, 700 - 30);
  f.show();
  pellix::test::processEventsFor(30);
  TChannelData record;
  record.ChannelNumber = 40;
  record.RomCode = {0x28FF, 0x641E, 0x0C16, 0x0374};
  f.ChannelBoxes[39]->UpdateFromRecord(record);
  const auto* scroll = f.findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  const QRect view = scroll->viewport()->rect();
  for (const QWidget* w : {static_cast<QWidget*>(f.Frame_LineTab1->SpeedButton_AddNew),
                           static_cast<QWidget*>(f.Frame_LineTab2->SpeedButton_AddNew)})
    EXPECT_TRUE(view.contains(inViewport(scroll, w))) << w->objectName().toStdString();
  for (const TFrame_SensorBox* box : f.ChannelBoxes)
    EXPECT_TRUE(view.contains(inViewport(scroll, box))) << box->ChannelNumber;
  EXPECT_FALSE(f.ChannelBoxes[39]->Label_ROMCode->IsElided());
}

// At 200 % a 1920 x 1080 screen is 960 x 540: the client area scrolls, so the last
// channel and "Add New" of LINE 2 can still be reached.
TEST_F(MainWindowFixture, OnAnEvenSmallerScreenTheClientAreaScrollsToEveryControl) {
  TMainForm& f = makeForm();
  f.PlaceWindow(QRect(0, 0, 960, 510));
  f.setWindowState(Qt::WindowNoState);
  f.resize(960, 480);
  f.show();
  pellix::test::processEventsFor(30);
  EXPECT_LE(f.minimumSizeHint().width(), 960);
  EXPECT_LE(f.minimumSizeHint().height(), 480);
  auto* scroll = f.findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  for (QWidget* w : {static_cast<QWidget*>(f.ChannelBoxes[39]),
                     static_cast<QWidget*>(f.Frame_LineTab2->SpeedButton_AddNew)}) {
    scroll->ensureWidgetVisible(w, 0, 0);
    pellix::test::processEventsFor(10);
    EXPECT_TRUE(scroll->viewport()->rect().contains(inViewport(scroll, w))) << w->objectName().toStdString();
  }
}

// ---- runs that wait in a nested event loop -----------------------------------------

// A connected window whose import paces its writes by 20 ms, and a file of 40 channels.
class ImportRun : public MainWindowFixture {
 protected:
  QString connectedWithAFile() {
    makeForm();
    startGateway(7);
    connectBox().setChecked(true);
    EXPECT_TRUE(form->AfComPort1->IsOpen());
    form->GWYKomunikator->SetPollInterval(20);
    for (int c = 1; c <= 40; ++c) {
      TChannelData r;
      r.ChannelNumber = static_cast<uint8_t>(c);
      r.RomCode = {0x28AA, 0x0001, 0x0002, static_cast<uint16_t>(c)};
      records.push_back(r);
    }
    const QString path = pellix::test::sandboxDir() + QStringLiteral("/plant.bin");
    pellix::WriteConfigurationFile(path, records);
    scriptedPrompts().expect(PromptKind::OpenFile, true, path);
    scriptedPrompts().expect(PromptKind::Confirmation, true);
    scriptedPrompts().expect(PromptKind::Information);  // "Channels has been overwritten."
    return path;
  }

  bool gatewayHoldsTheFile() {
    return sim->withModel([this](pellix::gwsim::GatewayModel& m) {
      for (int c = 0; c < 40; ++c) {
        const auto regs = m.channelRegisters(c);
        if (TRomCode{regs[0], regs[1], regs[2], regs[3]} != records[static_cast<size_t>(c)].RomCode)
          return false;
      }
      return true;
    });
  }

  TDynamicLogArray records;
};

// The window manager's close works on the disabled window: the import goes on to the
// last channel with the client the close would free, and the window closes after it.
TEST_F(ImportRun, CloseDuringTheImportWaitsForItsEnd) {
  connectedWithAFile();
  form->show();
  int closed = 0;
  QObject::connect(form.get(), &TMainForm::Closed, [&] { ++closed; });
  bool refused = false;
  QTimer::singleShot(150, form.get(), [&] {
    refused = !form->close();
    EXPECT_TRUE(form->isVisible());
  });
  form->Import1->trigger();
  EXPECT_TRUE(refused);
  // The last write may still be on its way to the gateway.
  EXPECT_TRUE(pellix::test::waitUntil([&] { return gatewayHoldsTheFile(); }, 3000));
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(pellix::test::waitUntil([&] { return closed == 1; }, 2000));
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->GWYKomunikator, nullptr);
}

// The upgrade window is owned by the main window, whose close frees it: a close that
// comes while the upgrade window runs (a second start shows nothing, a script may
// close) waits until the operator has closed the upgrade window.
TEST_F(MainWindowFixture, CloseDuringTheUpgradeWaitsForItsEnd) {
  makeForm();
  startGateway(9);
  form->show();
  int closed = 0;
  QObject::connect(form.get(), &TMainForm::Closed, [&] { ++closed; });
  bool upgradeStayed = false;
  QTimer::singleShot(200, form.get(), [&] {
    form->close();
    TForm_Programmer* upgrade = pellix::FindProgrammerWindow(form.get());
    upgradeStayed = upgrade && upgrade->isVisible();
    if (upgrade) upgrade->Button_Close->click();
  });
  form->UpgradeSW1->trigger();
  EXPECT_TRUE(upgradeStayed);
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(pellix::test::waitUntil([&] { return closed == 1; }, 2000));
}

// Exit asked for during the import ends the program once the import is done.
TEST_F(ImportRun, ExitDuringTheImportEndsTheProgramAfterIt) {
  connectedWithAFile();
  QTimer::singleShot(0, form.get(), [&] { form->Import1->trigger(); });
  QTimer::singleShot(150, form.get(), [&] { form->Exit1->trigger(); });
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  watchdog.start(20000);
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(pellix::test::waitUntil([&] { return gatewayHoldsTheFile(); }, 3000));
  EXPECT_TRUE(scriptedPrompts().pending() == 0);
}

}  // namespace
