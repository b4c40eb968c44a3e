#pragma once
// Channel records and log reading shared by the recorder tests.
#include "ChannelData.h"
#include "FilesTestUtil.h"

#include "FileRecorder.h"

#include <sys/resource.h>
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <csignal>
#include <cstdint>

namespace recorder_test {

inline TChannelData Channel(int channel, uint16_t word0, uint16_t value1) {
  TChannelData r;
  r.ChannelNumber = static_cast<uint8_t>(channel);
  r.RomCode = {word0, 0x1234, 0x5678, static_cast<uint16_t>(channel)};
  r.Values = {value1, 11, 22, 33, 44};
  return r;
}

// The raw rows of a log: split at CR LF, the line end after the last row dropped.
inline QList<QByteArray> Rows(const QByteArray& bytes) {
  QList<QByteArray> rows = bytes.split('\n');
  if (!rows.isEmpty() && rows.constLast().isEmpty()) rows.removeLast();
  for (QByteArray& row : rows) {
    if (row.endsWith('\r')) row.chop(1);
  }
  return rows;
}

inline QList<QByteArray> FileRows(const QString& path) { return Rows(files_test::readAll(path)); }

// The bytes a writer leaves in the file after writing rows and closing.
inline QByteArray Written(const QString& path, bool append, const QList<QStringList>& rows) {
  {
    TCSVFileRecorder log(path, append);
    for (const QStringList& row : rows) log.WriteRow(row);
  }
  return files_test::readAll(path);
}

// While it exists, no file of this process may grow beyond `bytes`: writes past it fail
// with EFBIG as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(qint64 bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    if (active_) setrlimit(RLIMIT_FSIZE, &old_);
  }
  bool Active() const { return active_; }

 private:
  rlimit old_{};
  bool active_ = false;
};

}  // namespace recorder_test
