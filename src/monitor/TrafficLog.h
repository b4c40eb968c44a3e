#pragma once
// The traffic monitor's memory: a ring of the last frames the engine handed over, each
// with its time. Taking a frame copies its bytes and nothing else; the texts are made
// only for the rows a view shows.
#include "FrameObserver.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace pellix::monitor {

enum class Direction : uint8_t { Tx, Rx };

struct TrafficFrame {
  uint64_t Sequence = 0;  // counts every frame since the log was cleared
  qint64 WallMs = 0;      // ms since the epoch, for the time of day
  qint64 SteadyUs = 0;    // for the spacing between frames
  Direction Dir = Direction::Tx;
  bool Missed = false;  // no reply came to the request before
  uint8_t Length = 0;
  // The request this reply answers (its first bytes), so a reply is read in its light.
  uint8_t RequestLength = 0;
  std::array<uint8_t, 8> Request{};
  std::array<uint8_t, 251> Data{};
};

class TrafficLog final : public IFrameObserver {
 public:
  static constexpr int DefaultCapacity = 20000;
  explicit TrafficLog(int capacity = DefaultCapacity);

  void FrameSent(std::span<const uint8_t> bytes) override;
  void FrameReceived(std::span<const uint8_t> bytes) override;
  void ReplyMissed() override;

  void Clear();
  int Size() const { return size_; }
  int Capacity() const { return capacity_; }
  // Frames that fell out of the ring since the last Clear.
  uint64_t Dropped() const { return dropped_; }
  // Sequence numbers of the frames held run from FirstSequence() to NextSequence() - 1.
  uint64_t FirstSequence() const { return next_ - static_cast<uint64_t>(size_); }
  uint64_t NextSequence() const { return next_; }
  bool Holds(uint64_t sequence) const { return sequence >= FirstSequence() && sequence < next_; }
  // The frame with this sequence number; Holds() must be true.
  const TrafficFrame& At(uint64_t sequence) const;
  // The frame before it, if the ring still holds it.
  const TrafficFrame* Before(uint64_t sequence) const;

  // Called after every frame taken (the window coalesces its refresh).
  std::function<void()> OnAppended;
  // Tests set their own clocks.
  std::function<qint64()> WallClock;
  std::function<qint64()> SteadyClock;

 private:
  TrafficFrame& Append(Direction dir);

  int capacity_;
  std::vector<TrafficFrame> ring_;
  int size_ = 0;
  uint64_t next_ = 0;
  uint64_t base_ = 0;  // the sequence number that went into the ring's first slot
  uint64_t dropped_ = 0;
  uint8_t lastRequestLength_ = 0;
  std::array<uint8_t, 8> lastRequest_{};
};

// The columns of a row, as the view shows them and the text file holds them.
enum Column { ColTime, ColDelta, ColDirection, ColLength, ColBytes, ColDecoded, ColumnCount };
QStringList ColumnTitles();

struct RowTexts {
  std::array<QString, ColumnCount> Cells;
  bool Bad = false;  // coloured like an error
};
// previous: the frame before it (for the spacing), or null.
RowTexts FormatRow(const TrafficFrame& frame, const TrafficFrame* previous);
// Tab-separated cells of the rows, each line ending in CR LF.
QString RowsAsText(const std::vector<RowTexts>& rows, bool withTitles);

}  // namespace pellix::monitor
