#include "AfCircularBuffer.h"

#include <algorithm>
#include <cstring>

TAfCircularBuffer::TAfCircularBuffer(int size) : data_(static_cast<size_t>(std::max(size, 0))) {}

bool TAfCircularBuffer::Write(const void* data, int count) {
  if (count < 0 || count > Free()) return false;
  const auto* src = static_cast<const uint8_t*>(data);
  const int size = Size();
  int pos = size ? (read_ + count_) % size : 0;
  int left = count;
  while (left > 0) {
    const int run = std::min(left, size - pos);
    std::memcpy(data_.data() + pos, src, static_cast<size_t>(run));
    src += run;
    left -= run;
    pos = (pos + run) % size;
  }
  count_ += count;
  return true;
}

const uint8_t* TAfCircularBuffer::ReadBlock(int& length) const {
  length = std::min(count_, Size() - read_);
  return data_.data() + read_;
}

void TAfCircularBuffer::Remove(int count) {
  count = std::clamp(count, 0, count_);
  if (count == 0) return;
  read_ = (read_ + count) % Size();
  count_ -= count;
  if (count_ == 0) read_ = 0;
}

int TAfCircularBuffer::Read(void* data, int count) {
  auto* dst = static_cast<uint8_t*>(data);
  int done = 0;
  while (done < count && count_ > 0) {
    int run = 0;
    const uint8_t* p = ReadBlock(run);
    run = std::min(run, count - done);
    std::memcpy(dst + done, p, static_cast<size_t>(run));
    Remove(run);
    done += run;
  }
  return done;
}

void TAfCircularBuffer::Clear() {
  read_ = 0;
  count_ = 0;
}
