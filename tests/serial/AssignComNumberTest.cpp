#include "PortAssignments.h"
#include "PortsFolder.h"
#include "TestSupport.h"
#include "dlgAssignComNumber.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellix::test {
namespace {

// A serial device for the dialog to assign: the slave side of a pseudo-terminal.
class Adapter {
 public:
  Adapter() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_TRUE(master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0);
    device = QString::fromLocal8Bit(::ptsname(master_));
  }
  ~Adapter() { ::close(master_); }
  QString device;

 private:
  int master_ = -1;
};

struct stat statOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.toLocal8Bit().constData(), &st), 0) << path.toStdString();
  return st;
}

QStringList rows(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

TEST(AssignComNumber, LinksAnAdapterByItsByIdNameAndRemovesTheLinkAgain) {
  Adapter adapter;
  const struct stat before = statOf(adapter.device);
  const QString byId = serialByIdFolder() + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
  ASSERT_TRUE(QFile::link(adapter.device, byId));

  TdlgAssignComNumber dialog(40);
  ASSERT_GE(dialog.ComboBox_Adapter->count(), 1);
  EXPECT_EQ(dialog.ComboBox_Adapter->itemText(0),
            QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0 (%1)").arg(adapter.device));
  dialog.ComboBox_Adapter->setCurrentIndex(0);
  EXPECT_EQ(dialog.AdapterPath(), byId);
  EXPECT_EQ(dialog.ComboBox_ComNumber->count(), 40);
  dialog.ComboBox_ComNumber->setCurrentIndex(dialog.ComboBox_ComNumber->findData(7));
  dialog.Button_Assign->click();

  EXPECT_EQ(QFileInfo(portsFolderEntry(7)).symLinkTarget(), byId);
  EXPECT_EQ(rows(dialog.Lb_Assignments),
            QStringList{QStringLiteral("COM 7 \u2192 %1 (%2)").arg(byId, adapter.device)});
  EXPECT_EQ(dialog.ComboBox_ComNumber->findData(7), -1);
  EXPECT_EQ(dialog.ComboBox_ComNumber->count(), 39);

  dialog.Lb_Assignments->setCurrentRow(0);
  scriptedPrompts().expect(PromptKind::Confirmation, true);
  dialog.Button_Remove->click();
  EXPECT_FALSE(QFileInfo::exists(portsFolderEntry(7)) || QFileInfo(portsFolderEntry(7)).isSymLink());
  EXPECT_EQ(dialog.Lb_Assignments->count(), 0);
  // The device itself is as it was.
  const struct stat after = statOf(adapter.device);
  EXPECT_EQ(after.st_rdev, before.st_rdev);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
}

TEST(AssignComNumber, RefusesWhatWouldNotBeASerialPortOrWouldTouchSomethingElse) {
  Adapter adapter;
  scriptedPrompts().setAutoAcknowledge(true);
  TdlgAssignComNumber dialog(10);
  const auto assign = [&dialog](const QString& typed, int com) {
    dialog.ComboBox_Adapter->setEditText(typed);
    dialog.ComboBox_ComNumber->setCurrentIndex(dialog.ComboBox_ComNumber->findData(com));
    scriptedPrompts().clearRecords();
    dialog.Button_Assign->click();
    return scriptedPrompts().texts(PromptKind::Error);
  };
  const QString plainFile = sandboxDir() + QStringLiteral("/plain");
  QFile(plainFile).open(QIODevice::WriteOnly);

  EXPECT_EQ(assign(QStringLiteral("ttyUSB0"), 1),
            std::vector<QString>{QStringLiteral("ttyUSB0 is not a full path (/dev/...).")});
  EXPECT_EQ(assign(plainFile, 1),
            std::vector<QString>{plainFile + QStringLiteral(" is not a serial device.")});
  EXPECT_EQ(assign(QString(), 1), std::vector<QString>{QStringLiteral("Choose an adapter.")});
  EXPECT_FALSE(QFileInfo(portsFolderEntry(1)).isSymLink());

  // A number taken meanwhile stays as it is.
  ASSERT_TRUE(QFile::link(plainFile, portsFolderEntry(2)));
  EXPECT_EQ(assign(adapter.device, 2),
            std::vector<QString>{QStringLiteral("COM 2 is assigned already; remove that assignment first.")});
  EXPECT_EQ(QFileInfo(portsFolderEntry(2)).symLinkTarget(), plainFile);

  // Only links are removed.
  QFile(portsFolderEntry(3)).open(QIODevice::WriteOnly);
  EXPECT_THROW(removeComAssignment(3), EPortAssignmentError);
  EXPECT_TRUE(QFileInfo::exists(portsFolderEntry(3)));

  // A ports folder in /dev is never written to.
  const QByteArray ports = qgetenv("PELLIX_PORTS_DIR");
  qputenv("PELLIX_PORTS_DIR", "/dev");
  EXPECT_EQ(assign(adapter.device, 9),
            std::vector<QString>{
                QStringLiteral("The ports folder /dev lies in /dev, which this tool never changes.")});
  EXPECT_FALSE(QFileInfo("/dev/COM9").isSymLink());
  qputenv("PELLIX_PORTS_DIR", ports);
}

}  // namespace
}  // namespace pellix::test
