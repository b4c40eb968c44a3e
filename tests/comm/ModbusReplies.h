#pragma once
// Replies the test slaves send, built without the master's own frame code.
#include "PtyLink.h"

#include <cstdint>

namespace pellix::test {

// Register values the test slaves serve: distinct for every address.
uint16_t modelRegister(uint16_t address);
// A function 3 reply of count registers from start, as a gateway sends it.
Bytes readReply(uint8_t slave, uint16_t start, int count = 100);
Bytes withCrc(Bytes frame);

}  // namespace pellix::test
