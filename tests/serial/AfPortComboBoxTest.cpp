#include "AfComPort.h"
#include "AfPortComboBox.h"
#include "ComNumbers.h"
#include "PortTestSupport.h"
#include "PortsFolder.h"
#include "PtyLink.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QStatusTipEvent>
#include <QStyleOptionViewItem>

#include <memory>

namespace pellix::test {
namespace {

// Every COM number up to 200 leads nowhere unless a test puts a pty there:
// the list never probes the machine's own ports.
class PortListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int n = 1; n <= 200; ++n) linkMissing(n);
  }

  // COM1 free, COM3 held open by a port.
  void freeAndBusy() {
    free_ = std::make_unique<PtyLink>(1, PtyLink::Slave::LeftToThePort);
    busy_ = std::make_unique<PtyLink>(3, PtyLink::Slave::LeftToThePort);
    holder_.SetComNumber(3);
    holder_.OpenPort();
  }

  static QStringList texts(const TAfPortComboBox& box) {
    QStringList out;
    for (int i = 0; i < box.count(); ++i) out << box.itemText(i);
    return out;
  }

  std::unique_ptr<PtyLink> free_, busy_;
  TAfComPort holder_{QStringLiteral("Holder")};
};

TEST_F(PortListTest, DefaultsAndAnEmptyMachine) {
  TAfPortComboBox box;
  EXPECT_EQ(box.MaxComPorts(), 4);
  EXPECT_EQ(box.Options(), static_cast<TAfPortCtlOptions>(pcCheckExist));
  EXPECT_EQ(box.ComPort(), nullptr);
  EXPECT_EQ(box.count(), 0);
  EXPECT_EQ(box.SelectedComNumber(), 0);
  box.SetSelectedComNumber(2);  // nothing listed: stays 0
  EXPECT_EQ(box.SelectedComNumber(), 0);
}

TEST_F(PortListTest, ListsFreeAndBusyPortsOnly) {
  freeAndBusy();
  TAfPortComboBox box;
  box.SetMaxComPorts(200);
  EXPECT_EQ(texts(box), (QStringList{QStringLiteral("COM 1"), QStringLiteral("COM 3")}));
  EXPECT_EQ(box.itemData(0, TAfPortComboBox::PortStateRole).toInt(), static_cast<int>(PortState::Free));
  EXPECT_EQ(box.itemData(1, TAfPortComboBox::PortStateRole).toInt(), static_cast<int>(PortState::Busy));
  EXPECT_EQ(box.SelectedComNumber(), 1);
  EXPECT_TRUE(holder_.IsOpen());  // probing did not disturb the holder
}

TEST_F(PortListTest, DisableOpenListsFreePortsOnlyAndNoCheckListsAll) {
  freeAndBusy();
  TAfPortComboBox box;
  box.SetOptions(pcCheckExist | pcDisableOpen);
  EXPECT_EQ(texts(box), QStringList{QStringLiteral("COM 1")});
  box.SetOptions(0);
  box.SetMaxComPorts(5);
  EXPECT_EQ(box.count(), 5);
  EXPECT_EQ(box.itemText(4), QStringLiteral("COM 5"));
}

TEST_F(PortListTest, ReselectsTheSelectedNumberOrTheFirstEntry) {
  freeAndBusy();
  TAfPortComboBox box;
  box.SetSelectedComNumber(3);
  EXPECT_EQ(box.currentText(), QStringLiteral("COM 3"));
  EXPECT_EQ(box.SelectedComNumber(), 3);
  box.SetSelectedComNumber(7);  // not listed: the first entry
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_EQ(box.SelectedComNumber(), 1);

  box.SetSelectedComNumber(3);
  holder_.ClosePort();
  busy_.reset();  // COM3 gone
  linkMissing(3);
  box.RefreshPorts();
  EXPECT_EQ(box.SelectedComNumber(), 1);
  free_.reset();
  linkMissing(1);
  box.RefreshPorts();
  EXPECT_EQ(box.count(), 0);
  EXPECT_EQ(box.SelectedComNumber(), 0);
}

TEST_F(PortListTest, PickingAnEntryOpensTheLinkedPortAndRefreshes) {
  freeAndBusy();
  TAfComPort port;
  TAfPortComboBox box;
  box.SetComPort(&port);
  box.SetSelectedComNumber(3);
  emit box.activated(0);
  EXPECT_EQ(box.SelectedComNumber(), 1);
  EXPECT_EQ(port.ComNumber(), 1);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(box.itemData(0, TAfPortComboBox::PortStateRole).toInt(), static_cast<int>(PortState::Busy));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the busy cursor is gone again
}

TEST_F(PortListTest, BusyCursorIsRestoredAfterAFailedOpen) {
  TAfPortComboBox box;  // installs the busy cursor
  TAfComPort port;
  port.SetComNumber(2);
  EXPECT_THROW(port.OpenPort(), EAfComPortCoreError);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PortListTest, HighlightGreysBusyEntries) {
  freeAndBusy();
  TAfPortComboBox box;
  EXPECT_EQ(box.EntryTextColour(1), box.palette().color(QPalette::Text));
  box.SetOptions(pcCheckExist | pcHighlightOpen);
  EXPECT_EQ(box.EntryTextColour(0), box.palette().color(QPalette::ButtonText));
  EXPECT_EQ(box.EntryTextColour(1), box.palette().color(QPalette::Disabled, QPalette::Text));
}

TEST_F(PortListTest, ItemHeightIsFontHeightPlusFive) {
  freeAndBusy();
  TAfPortComboBox box;
  QStyleOptionViewItem option;
  option.font = box.font();
  const QSize hint = box.itemDelegate()->sizeHint(option, box.model()->index(0, 0));
  EXPECT_EQ(hint.height(), QFontMetrics(box.font()).height() + 5);
}

TEST_F(PortListTest, ToolTipNamesTheDevice) {
  QFile::remove(portsFolderEntry(33));
  TAfPortComboBox box;
  box.SetOptions(0);
  box.SetMaxComPorts(40);
  box.SetSelectedComNumber(33);
  EXPECT_EQ(box.toolTip(), QStringLiteral("COM 33 \u2192 /dev/ttyUSB0"));
  box.SetSelectedComNumber(2);
  EXPECT_EQ(box.toolTip(), QStringLiteral("COM 2 \u2192 ") + portsFolderEntry(2));
}

// Records the status tips that reach the application, as the main window's status bar does.
class StatusTips : public QObject {
 public:
  StatusTips() { QCoreApplication::instance()->installEventFilter(this); }
  ~StatusTips() override { QCoreApplication::instance()->removeEventFilter(this); }
  QStringList tips;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::StatusTip) tips << static_cast<QStatusTipEvent*>(e)->tip();
    return false;
  }
};

TEST_F(PortListTest, AdapterByIdNameInToolTipAndInTheStatusBarWhenOpened) {
  PtyLink adapter(3, PtyLink::Slave::LeftToThePort);
  const QString name = QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
  ASSERT_TRUE(QFile::link(adapter.slavePath(), serialByIdFolder() + QLatin1Char('/') + name));
  TAfPortComboBox box;
  box.SetSelectedComNumber(3);
  const QString line = QStringLiteral("COM 3 \u2192 %1 (%2)").arg(adapter.slavePath(), name);
  EXPECT_EQ(box.toolTip(), line);
  EXPECT_EQ(box.itemData(0, Qt::ToolTipRole).toString(), line);
  StatusTips status;
  box.showPopup();
  EXPECT_EQ(status.tips.value(0), line);
  box.hidePopup();
}

}  // namespace
}  // namespace pellix::test
