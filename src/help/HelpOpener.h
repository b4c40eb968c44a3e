#pragma once
// The manuals the program carries: written into a folder of the user's data folder
// and handed to the desktop's viewer. The folder goes when the program ends.
#include <QString>
#include <QUrl>

#include <functional>

class THelpOpener {
 public:
  // Computes BaseFolder and HelpFolder and creates both; failures are not reported.
  THelpOpener();
  // Removes BaseFolder with everything in it.
  ~THelpOpener();
  THelpOpener(const THelpOpener&) = delete;
  THelpOpener& operator=(const THelpOpener&) = delete;

  // "<data folder>/Pellix Tool" and "<data folder>/Pellix Tool/Help"; both empty when
  // the desktop has no data folder, so nothing is ever written elsewhere.
  QString BaseFolder;
  QString HelpFolder;

  // Writes the resource (of type "TEXT") and a CR LF into HelpFolder as fileName,
  // defaultExt appended when the name has no extension, and opens it. Throws
  // std::runtime_error when the resource is missing or the file cannot be written.
  bool OpenFromResource(const QString& fileName, const QString& resourceName, const QString& defaultExt);
  // Hands the file to the desktop. When no program shows it (now or once the desktop's
  // opener has given up), the operator is told where the file is, so it can be opened
  // by hand. Returns true.
  bool OpenDocument(const QString& fullName);
  // Deletes the folder with everything in it; links are removed, never followed.
  // Failures are not reported.
  static void DeleteFolderTree(const QString& folder);
};

namespace pellix {

// Resource and file names of the two manuals.
inline const QString AppManualResource = QStringLiteral("AppManual_EN");
inline const QString AppManualFile = QStringLiteral("PellixTool_AppManualEN");
inline const QString GatewayManualResource = QStringLiteral("GWYManual_EN");
inline const QString GatewayManualFile = QStringLiteral("PellixTool_GWYManualEN");
inline const QString ManualExtension = QStringLiteral(".mht");

// What opens a document or a link: the desktop's unless replaced (tests).
using UrlOpener = std::function<bool(const QUrl&)>;
// Replaces the opener and returns the previous one; an empty one restores the desktop's.
UrlOpener setUrlOpener(UrlOpener opener);
bool openUrl(const QUrl& url);
// Opens a local document; notShown runs when nothing shows it: at once when no opener
// could be started, or later when the desktop's opener (xdg-open) ends in failure.
void openDocument(const QString& fullName, const std::function<void()>& notShown);

// Program start: creates the process's help opener (and its folders) if there is none.
void StartHelp();
// Program end: destroys it, which removes the folder. Only an explicit call does this:
// a second instance that exits during start-up never removes the running one's folder.
void EndHelp();
// The process's help opener, or null outside StartHelp/EndHelp.
THelpOpener* HelpOpener();

// The Help menu's manual items, by their tag: 0 the tool's manual, 1 the gateway's,
// anything else nothing. Starts the help opener if needed. An error goes to the
// application's error report; returns false then (and for an unknown tag).
bool OpenManual(int tag);

}  // namespace pellix
