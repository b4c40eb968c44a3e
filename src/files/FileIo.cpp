#include "FileIo.h"

#include "InOutError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace pellix {

void WriteFileSafely(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  // Unbuffered, so a short write shows at once and with the system's reason.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw InOutError(QStringLiteral("Cannot create the file %1. %2").arg(fileName, file.errorString()));
  errno = 0;
  const qint64 written = file.write(bytes);
  const int writeErrno = errno;
  // A short write (disk full, file size limit) sets no error of its own, and commit()
  // would rename the truncated file over the old one.
  if (written != bytes.size()) {
    const QString reason = written < 0 || writeErrno == 0
                               ? file.errorString()
                               : QStringLiteral("Only %1 of %2 bytes were written: %3.")
                                     .arg(written)
                                     .arg(bytes.size())
                                     .arg(QString::fromLocal8Bit(std::strerror(writeErrno)));
    file.cancelWriting();
    throw InOutError(QStringLiteral("Cannot write the file %1. %2").arg(fileName, reason));
  }
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
