#include "FileIo.h"

#include "InOutError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace pellix {

namespace {

// After a failed write in place the file may hold part of the new content: put the old
// content back if it changed.
void RestoreIfChanged(const QString& fileName, const QByteArray& old) {
  QFile file(fileName);
  if (file.open(QIODevice::ReadOnly) && file.readAll() == old) return;
  file.close();
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(old);
}

}  // namespace

void WriteFileSafely(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  // A folder that takes no new file still lets a writable file be rewritten in place:
  // not atomic, so the old content is kept at hand to put back after a failure.
  file.setDirectWriteFallback(true);
  QByteArray old;
  bool existed = false;
  {
    QFile current(fileName);
    existed = QFileInfo(fileName).isFile() && current.open(QIODevice::ReadOnly);
    if (existed) old = current.readAll();
  }
  auto failed = [&](const QString& reason) {
    file.cancelWriting();
    if (existed) RestoreIfChanged(fileName, old);
    return InOutError(QStringLiteral("Cannot write the file %1. %2").arg(fileName, reason));
  };
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
    throw failed(reason);
  }
  if (!file.commit()) throw failed(file.errorString());
}

QByteArray ReadFileBytes(const QString& fileName, qint64 maxBytes) {
  // QFile opens a folder without complaint; reading it fails later with a vaguer text.
  const QFileInfo info(fileName);
  if (info.isDir())
    throw InOutError(QStringLiteral("Cannot open the file %1. It is a folder.").arg(fileName));
  // Opening a pipe blocks until something writes to it.
  if (info.exists() && !info.isFile())
    throw InOutError(QStringLiteral("Cannot open the file %1. It is not a regular file.").arg(fileName));
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw InOutError(QStringLiteral("Cannot open the file %1. %2").arg(fileName, file.errorString()));
  QByteArray bytes = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
  if (file.error() != QFileDevice::NoError)
    throw InOutError(QStringLiteral("Cannot read the file %1. %2").arg(fileName, file.errorString()));
  return bytes;
}

}  // namespace pellix
