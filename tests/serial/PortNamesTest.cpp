#include "AfComPort.h"
#include "PortNames.h"
#include "PortsFolder.h"
#include "PtyLink.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace pellix::test {
namespace {

QString byIdLink(const QString& name, const QString& target) {
  const QString link = serialByIdFolder() + QLatin1Char('/') + name;
  QFile::remove(link);
  EXPECT_TRUE(QFile::link(target, link)) << link.toStdString();
  return link;
}

TEST(PortNames, TwoAdaptersAreToldApartByTheirByIdNames) {
  PtyLink ftdi(5, PtyLink::Slave::LeftToThePort), prolific(6, PtyLink::Slave::LeftToThePort),
      plain(9, PtyLink::Slave::LeftToThePort);
  const QString ftdiName = QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
  const QString ftdiLink = byIdLink(ftdiName, ftdi.slavePath());
  byIdLink(QStringLiteral("usb-Prolific_Technology_Inc._USB-Serial_Controller_B2-if00-port0"),
           prolific.slavePath());
  EXPECT_EQ(comPortDescription(5), QStringLiteral("COM 5 \u2192 %1 (%2)").arg(ftdi.slavePath(), ftdiName));
  EXPECT_EQ(
      comPortDescription(6),
      QStringLiteral("COM 6 \u2192 %1 (usb-Prolific_Technology_Inc._USB-Serial_Controller_B2-if00-port0)")
          .arg(prolific.slavePath()));
  EXPECT_EQ(comPortDescription(9), QStringLiteral("COM 9 \u2192 %1").arg(plain.slavePath()));

  // A COM number linked to the by-id name shows that name, also while the adapter is out.
  QFile::link(ftdiLink, portsFolderEntry(8));
  EXPECT_EQ(comPortDescription(8), QStringLiteral("COM 8 \u2192 %1 (%2)").arg(ftdi.slavePath(), ftdiName));
  const QString gone = QStringLiteral("usb-FTDI_FT232R_USB_UART_GONE-if00-port0");
  QFile::link(serialByIdFolder() + QLatin1Char('/') + gone, portsFolderEntry(10));
  EXPECT_EQ(comPortDescription(10), QStringLiteral("COM 10 \u2192 %1 (%2)").arg(portsFolderEntry(10), gone));
}

// Opens COM n in a child process that runs as the user nobody, in no other group, and
// returns the message the port raised.
std::string openAsNobody(int comNumber) {
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody) return "no user nobody";
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    std::string message = "<opened>";
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) {
      message = "cannot become nobody";
    } else {
      try {
        TAfComPort port;
        port.SetComNumber(comNumber);
        port.OpenPort();
      } catch (const std::exception& e) {
        message = e.what();
      }
    }
    (void)!::write(out[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string message;
  char buf[512];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) message.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  ::waitpid(pid, nullptr, 0);
  return message;
}

struct RefusedRow {
  mode_t mode;
  bool remedy;
};

void PrintTo(const RefusedRow& r, std::ostream* os) { *os << std::oct << r.mode; }

class RefusedPort : public ::testing::TestWithParam<RefusedRow> {};

// The remedy follows the message only when joining the device's group gives access.
TEST_P(RefusedPort, NamesTheGroupOnlyWhenJoiningHelps) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hand a device to another user";
  const group* dialout = ::getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);
  // The child must reach the ports folder.
  for (const QString& dir : {sandboxDir(), portsFolder()}) ::chmod(dir.toLocal8Bit().constData(), 0755);
  PtyLink pty(11, PtyLink::Slave::LeftToThePort);
  const QByteArray slave = pty.slavePath().toLocal8Bit();
  ASSERT_EQ(::chown(slave.constData(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(::chmod(slave.constData(), GetParam().mode), 0);

  std::string expected = "Can't open device COM11";
  if (GetParam().remedy)
    expected +=
        "\n" + slave.toStdString() +
        " belongs to the group dialout: add yourself to it with sudo usermod -aG dialout $USER, then log "
        "in again.";
  EXPECT_EQ(openAsNobody(11), expected);
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedPort,
                         ::testing::Values(RefusedRow{0660, true},     // the group may open it
                                           RefusedRow{0600, false}));  // joining would not help

}  // namespace
}  // namespace pellix::test
