#include "TrafficLog.h"

#include "FrameDecoder.h"

#include <QDateTime>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace pellix::monitor {

TrafficLog::TrafficLog(int capacity) : capacity_(std::max(1, capacity)) {
  WallClock = [] { return QDateTime::currentMSecsSinceEpoch(); };
  SteadyClock = [] {
    return static_cast<qint64>(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
  };
}

TrafficFrame& TrafficLog::Append(Direction dir) {
  TrafficFrame* f = nullptr;
  if (static_cast<int>(ring_.size()) < capacity_) {
    // The ring grows with use: a monitor opened for a minute holds a minute's frames.
    f = &ring_.emplace_back();
    ++size_;
  } else {
    // Full: the oldest frame gives its slot to the newest.
    f = &ring_[static_cast<std::size_t>((next_ - base_) % static_cast<uint64_t>(capacity_))];
    ++dropped_;
  }
  f->Sequence = next_++;
  f->WallMs = WallClock();
  f->SteadyUs = SteadyClock();
  f->Dir = dir;
  f->Missed = false;
  f->Length = 0;
  f->RequestLength = 0;
  return *f;
}

void TrafficLog::FrameSent(std::span<const uint8_t> bytes) {
  TrafficFrame& f = Append(Direction::Tx);
  f.Length = static_cast<uint8_t>(std::min(bytes.size(), f.Data.size()));
  std::copy_n(bytes.begin(), f.Length, f.Data.begin());
  lastRequestLength_ = static_cast<uint8_t>(std::min<std::size_t>(f.Length, lastRequest_.size()));
  std::copy_n(bytes.begin(), lastRequestLength_, lastRequest_.begin());
  if (OnAppended) OnAppended();
}

void TrafficLog::FrameReceived(std::span<const uint8_t> bytes) {
  TrafficFrame& f = Append(Direction::Rx);
  f.Length = static_cast<uint8_t>(std::min(bytes.size(), f.Data.size()));
  std::copy_n(bytes.begin(), f.Length, f.Data.begin());
  f.RequestLength = lastRequestLength_;
  f.Request = lastRequest_;
  if (OnAppended) OnAppended();
}

void TrafficLog::ReplyMissed() {
  TrafficFrame& f = Append(Direction::Rx);
  f.Missed = true;
  if (OnAppended) OnAppended();
}

void TrafficLog::Clear() {
  // The sequence goes on, so that a view never takes a new frame for one it has shown.
  size_ = 0;
  dropped_ = 0;
  ring_.clear();
  ring_.shrink_to_fit();
  // Restart the ring's slots at the current sequence.
  base_ = next_;
}

const TrafficFrame& TrafficLog::At(uint64_t sequence) const {
  if (!Holds(sequence)) throw std::out_of_range("Traffic frame no longer held");
  return ring_[static_cast<std::size_t>((sequence - base_) % static_cast<uint64_t>(capacity_))];
}

const TrafficFrame* TrafficLog::Before(uint64_t sequence) const {
  if (sequence == 0 || !Holds(sequence - 1)) return nullptr;
  return &At(sequence - 1);
}

QStringList ColumnTitles() {
  return {QStringLiteral("Time"),   QStringLiteral("ms"),    QStringLiteral("Dir"),
          QStringLiteral("Length"), QStringLiteral("Bytes"), QStringLiteral("Decoded")};
}

RowTexts FormatRow(const TrafficFrame& frame, const TrafficFrame* previous) {
  RowTexts row;
  row.Cells[ColTime] = QDateTime::fromMSecsSinceEpoch(frame.WallMs).toString(QStringLiteral("hh:mm:ss.zzz"));
  if (previous)
    row.Cells[ColDelta] =
        QString::number(static_cast<double>(frame.SteadyUs - previous->SteadyUs) / 1000.0, 'f', 1);
  row.Cells[ColDirection] = frame.Dir == Direction::Tx ? QStringLiteral("Tx") : QStringLiteral("Rx");
  row.Cells[ColLength] = QString::number(frame.Length);
  const std::span<const uint8_t> bytes(frame.Data.data(), frame.Length);
  row.Cells[ColBytes] = QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
          .toHex(' ')
          .toUpper());
  Decoded d;
  if (frame.Missed)
    d = NoReply();
  else if (frame.Dir == Direction::Tx)
    d = DecodeRequest(bytes);
  else
    d = DecodeReply(bytes, std::span<const uint8_t>(frame.Request.data(), frame.RequestLength));
  row.Cells[ColDecoded] = d.Text;
  row.Bad = d.Bad;
  return row;
}

QString RowsAsText(const std::vector<RowTexts>& rows, bool withTitles) {
  QString out;
  if (withTitles) out += ColumnTitles().join(QLatin1Char('\t')) + QStringLiteral("\r\n");
  for (const RowTexts& r : rows) {
    QStringList cells(r.Cells.begin(), r.Cells.end());
    out += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
  }
  return out;
}

}  // namespace pellix::monitor
