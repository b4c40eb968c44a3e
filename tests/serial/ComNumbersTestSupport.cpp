#include "PortTestSupport.h"
#include "PortsFolder.h"
#include "TestSupport.h"

#include <QFile>

namespace pellix::test {

void linkMissing(int comNumber) {
  const QString entry = portsFolderEntry(comNumber);
  QFile::remove(entry);
  QFile::link(sandboxDir() + QStringLiteral("/no-such-device"), entry);
}

}  // namespace pellix::test
