#pragma once
// What every target needs besides the sanitizers: a check that stops the run with the
// condition that failed, and a reader that takes the input apart.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

namespace pellix::fuzz {

// Bytes taken from the front of the input; zeros once it has run out.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
  // Up to n bytes (fewer at the end of the input).
  std::span<const std::uint8_t> bytes(std::size_t n) {
    const std::size_t take = at_ + n <= size_ ? n : size_ - at_;
    const std::span<const std::uint8_t> out(data_ + at_, take);
    at_ += take;
    return out;
  }
  std::span<const std::uint8_t> rest() { return bytes(size_ - at_); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace pellix::fuzz
