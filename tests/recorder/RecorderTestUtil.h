#pragma once
// Channel records and log reading shared by the recorder tests.
#include "ChannelData.h"
#include "FilesTestUtil.h"

#include <QByteArray>
#include <QList>
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

}  // namespace recorder_test
