#include "HelpOpener.h"

#include "ErrorReport.h"
#include "GetFolderPath.h"
#include "LoadFromRes.h"
#include "Prompts.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

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
  const QString shown = QDir::toNativeSeparators(fullName);
  pellix::openDocument(fullName, [shown] {
    pellix::prompts().information(
        QStringLiteral("No program to show the manual was found. The manual is the file\n%1\n"
                       "Open it with a web browser.")
            .arg(shown));
  });
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

void openDocument(const QString& fullName, const std::function<void()>& notShown) {
  const QUrl url = QUrl::fromLocalFile(fullName);
  const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (openerSlot() || xdgOpen.isEmpty()) {
    if (!openUrl(url)) notShown();
    return;
  }
  // xdg-open starts at once whatever the file is, and only its exit code tells that no
  // program took the file. It may also run as long as the viewer it started: it is
  // never waited for, and left running when the program ends.
  auto* process = new QProcess;
  QObject::connect(process, &QProcess::finished, process,
                   [process, notShown](int exitCode, QProcess::ExitStatus status) {
                     if (status != QProcess::NormalExit || exitCode != 0) notShown();
                     process->deleteLater();
                   });
  QObject::connect(process, &QProcess::errorOccurred, process, [process, notShown](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    notShown();
    process->deleteLater();
  });
  process->setProgram(xdgOpen);
  process->setArguments({fullName});
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start();
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
