#pragma once
// The write thread's ring buffer. Not locked itself: the core guards it with the
// output lock, and the write thread reads a run outside the lock (appends never touch it).
#include <cstdint>
#include <vector>

class TAfCircularBuffer {
 public:
  explicit TAfCircularBuffer(int size);

  int Size() const { return static_cast<int>(data_.size()); }
  int Used() const { return count_; }
  int Free() const { return Size() - count_; }
  bool Empty() const { return count_ == 0; }

  // Appends all count bytes, or nothing when they do not fit.
  bool Write(const void* data, int count);
  // The contiguous run from the read position up to the end of the storage;
  // the rest of a wrapped block comes after Remove.
  const uint8_t* ReadBlock(int& length) const;
  void Remove(int count);
  // Copies up to count bytes out and removes them; returns how many.
  int Read(void* data, int count);
  void Clear();

 private:
  std::vector<uint8_t> data_;
  int read_ = 0;
  int count_ = 0;
};
