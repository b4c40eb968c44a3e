#pragma once
// Whole-file reads and writes shared by the file formats.
#include <QByteArray>
#include <QString>

namespace pellix {

// Writes bytes into a temporary file beside fileName and renames it over fileName only
// once everything is on disk: a failure leaves an existing file as it was. Where the folder
// takes no new file, an existing writable file is rewritten in place, and put back as it
// was when that fails. Throws InOutError.
void WriteFileSafely(const QString& fileName, const QByteArray& bytes);

// At most maxBytes from the start of the file (all of it when maxBytes < 0).
// Throws InOutError when the file cannot be opened or read.
QByteArray ReadFileBytes(const QString& fileName, qint64 maxBytes = -1);

}  // namespace pellix
