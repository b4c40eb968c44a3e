#include "FileIo.h"

#include "InOutError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pellix {

void WriteFileSafely(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly))
    throw InOutError(QStringLiteral("Cannot create the file %1. %2").arg(fileName, file.errorString()));
  // QSaveFile remembers a failed write and refuses to commit after it.
  file.write(bytes);
  if (!file.commit())
    throw InOutError(QStringLiteral("Cannot write the file %1. %2").arg(fileName, file.errorString()));
}

QByteArray ReadFileBytes(const QString& fileName, qint64 maxBytes) {
  // QFile opens a folder without complaint; reading it fails later with a vaguer text.
  if (QFileInfo(fileName).isDir())
    throw InOutError(QStringLiteral("Cannot open the file %1. It is a folder.").arg(fileName));
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw InOutError(QStringLiteral("Cannot open the file %1. %2").arg(fileName, file.errorString()));
  QByteArray bytes = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
  if (file.error() != QFileDevice::NoError)
    throw InOutError(QStringLiteral("Cannot read the file %1. %2").arg(fileName, file.errorString()));
  return bytes;
}

}  // namespace pellix
