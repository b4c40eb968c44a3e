#pragma once
// Small helpers the file tests share: a private folder and raw file access.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace files_test {

inline QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

// A folder of its own for each test.
class Folder {
 public:
  QString path(const QString& name) const { return dir_.filePath(name); }
  QString root() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

}  // namespace files_test
