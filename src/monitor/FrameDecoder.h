#pragma once
// What a Modbus RTU frame of this program's traffic means, in words: the function, the
// registers, the gateway's command words by their names, exceptions and broken replies.
#include <QString>

#include <cstdint>
#include <span>

namespace pellix::monitor {

struct Decoded {
  QString Text;
  bool Bad = false;  // a CRC error, a short or missing reply, an exception
};

// The reply length a request asks for: 5 + 2 n for a read of n registers, 8 for the
// echo of a write; 0 when it is no request this program sends.
int ExpectedReplyLength(std::span<const uint8_t> request);

Decoded DecodeRequest(std::span<const uint8_t> frame);
// request: the last request sent before it (empty when none is known).
Decoded DecodeReply(std::span<const uint8_t> frame, std::span<const uint8_t> request);
// The row for a request that got no reply.
Decoded NoReply();

// "Illegal data address" for 2; "Unknown exception" for codes Modbus does not define.
QString ExceptionText(uint8_t code);
// "Find new (0x05FF) on line 1", "Delete (0x0F0C) channel 12", ... for a word written to a
// line's command register; an empty text for a word the gateway does not know.
QString CommandWordText(uint16_t word, uint16_t registerAddress);

}  // namespace pellix::monitor
