#pragma once
// What a diagnostic view hears of the line: every frame written, every run of bytes read,
// and every request the counters take as unanswered. A communicator without an observer
// does nothing more than test a pointer.
#include <cstdint>
#include <span>

class IFrameObserver {
 public:
  virtual ~IFrameObserver() = default;
  // Bytes just written to the port.
  virtual void FrameSent(std::span<const uint8_t> bytes) = 0;
  // Bytes just read from the port in one go: a reply, a broken one, or a short one drained.
  virtual void FrameReceived(std::span<const uint8_t> bytes) = 0;
  // The request before the one about to go out was never answered (counted as a timeout).
  virtual void ReplyMissed() = 0;
};
