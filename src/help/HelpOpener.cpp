#include "HelpOpener.h"

#include "ErrorReport.h"
#include "GetFolderPath.h"
#include "LoadFromRes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <iterator>
#include <stdexcept>

namespace {

pellix::UrlOpener& openerSlot() {
  static pellix::UrlOpener opener;
  return opener;
}

// Never destroyed by static destruction: only EndHelp removes the folder.
THelpOpener* g_helpOpener = nullptr;

bool hasExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 && dot > fileName.lastIndexOf(QLatin1Char('/'));
}

[[noreturn]] void cannotCreate(const QString& path, const QString& reason) {
  throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(path), reason)
                               .toLocal8Bit()
                               .toStdString());
}

}  // namespace

THelpOpener::THelpOpener() {
  const QString appData = GetAppDataPath();
  if (appData.isEmpty()) return;
  BaseFolder = appData + QStringLiteral("/Pellix Tool");
  QDir().mkdir(BaseFolder);
  HelpFolder = BaseFolder + QStringLiteral("/Help");
  QDir().mkdir(HelpFolder);
}

THelpOpener::~THelpOpener() { DeleteFolderTree(BaseFolder); }

bool THelpOpener::OpenFromResource(const QString& fileName, const QString& resourceName,
                                   const QString& defaultExt) {
  const QString name = hasExtension(fileName) ? fileName : fileName + defaultExt;
  const QByteArray text = LoadResourceText(resourceName, QStringLiteral("text"));
  const QString fullName = HelpFolder + QLatin1Char('/') + name;
  if (HelpFolder.isEmpty()) cannotCreate(name, QStringLiteral("No folder for application data."));
  // The folder may have been removed while the program ran; a manual should still open.
  QDir().mkpath(HelpFolder);
  // Written whole or not at all: a viewer never sees half a manual.
  QSaveFile file(fullName);
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) cannotCreate(fullName, file.errorString());
  if (file.write(text) != text.size() || file.write("\r\n", 2) != 2 || !file.commit())
    cannotCreate(fullName, file.errorString());
  return OpenDocument(fullName);
}

bool THelpOpener::OpenDocument(const QString& fullName) {
  pellix::openUrl(QUrl::fromLocalFile(fullName));
  return true;
}

void THelpOpener::DeleteFolderTree(const QString& folder) {
  if (folder.isEmpty()) return;
  const QFileInfo info(folder);
  // A link in the folder's place is removed, not what it points to.
  if (info.isSymLink()) {
    QFile::remove(folder);
    return;
  }
  if (!info.isDir()) return;
  QDir(folder).removeRecursively();
}

namespace pellix {

UrlOpener setUrlOpener(UrlOpener opener) {
  UrlOpener previous = std::move(openerSlot());
  openerSlot() = std::move(opener);
  return previous;
}

bool openUrl(const QUrl& url) {
  const UrlOpener opener = openerSlot();
  return opener ? opener(url) : QDesktopServices::openUrl(url);
}

void StartHelp() {
  if (!g_helpOpener) g_helpOpener = new THelpOpener;
}

void EndHelp() {
  delete g_helpOpener;
  g_helpOpener = nullptr;
}

THelpOpener* HelpOpener() { return g_helpOpener; }

bool OpenManual(int tag) {
  // Tag -> file name and resource name of the menu item's manual.
  const QString* names[][2] = {{&AppManualFile, &AppManualResource},
                               {&GatewayManualFile, &GatewayManualResource}};
  if (tag < 0 || tag >= int(std::size(names))) return false;
  bool opened = false;
  guarded([&] {
    StartHelp();
    opened = g_helpOpener->OpenFromResource(*names[tag][0], *names[tag][1], ManualExtension);
  });
  return opened;
}

}  // namespace pellix
