#include "CheckFileName.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

bool CheckFileName(const QString& fileName) {
  if (!fileName.contains(QLatin1Char('?'))) return true;
  pellix::prompts().information(
      QStringLiteral("The file name %1 contains invalid characters.\n"
                     "Make sure the file name, including folder names, does not contain diacritics "
                     "or any special characters.")
          .arg(fileName));
  return false;
}

namespace pellix {
namespace {

bool IsPipe(const QString& fileName) {
#ifdef Q_OS_UNIX
  struct stat st {};
  return ::stat(QFile::encodeName(fileName).constData(), &st) == 0 &&
         (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
#else
  Q_UNUSED(fileName);
  return false;
#endif
}

}  // namespace

QString NotARegularFile(const QString& fileName) {
  return QStringLiteral("%1 is not a regular file.").arg(fileName);
}

QString AskSaveFileName(const FileDialogSpec& spec) {
  for (;;) {
    QString fileName;  // the dialog opens with an empty name every time
    if (!prompts().saveFile(spec, fileName)) return {};
    if (!CheckFileName(fileName)) continue;
    // Writing into a pipe blocks until something reads it (the recorder opens its log
    // that way); devices stay allowed as the place to write to.
    if (IsPipe(fileName)) {
      prompts().information(NotARegularFile(fileName));
      continue;
    }
    if (QFileInfo::exists(fileName) &&
        !prompts().warning(QStringLiteral("%1 already exists. Do you want to rewrite it?").arg(fileName)))
      continue;
    return fileName;
  }
}

QString AskOpenFileName(const FileDialogSpec& spec) {
  for (;;) {
    QString fileName;
    if (!prompts().openFile(spec, fileName)) return {};
    if (!CheckFileName(fileName)) continue;
    if (!QFileInfo::exists(fileName)) {
      prompts().information(QStringLiteral("The file %1 does not exist.").arg(fileName));
      continue;
    }
    if (!QFileInfo(fileName).isFile()) {
      prompts().information(NotARegularFile(fileName));
      continue;
    }
    return fileName;
  }
}

}  // namespace pellix
