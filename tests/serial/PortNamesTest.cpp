#include "PortNames.h"
#include "PortsFolder.h"
#include "PtyPair.h"

#include <gtest/gtest.h>
#include <QFile>

namespace pellix::test {
namespace {

QString byIdLink(const QString& name, const QString& target) {
  const QString link = serialByIdFolder() + QLatin1Char('/') + name;
  QFile::remove(link);
  EXPECT_TRUE(QFile::link(target, link)) << link.toStdString();
  return link;
}

TEST(PortNames, TwoAdaptersAreToldApartByTheirByIdNames) {
  PtyPair ftdi(5), prolific(6), plain(9);
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

}  // namespace
}  // namespace pellix::test
