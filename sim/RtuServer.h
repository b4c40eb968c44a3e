#pragma once
// The Modbus RTU side of the gateway: turns one request frame into the reply the
// gateway sends (or into silence), and names frames for the log.
#include "GatewayModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellix::gwsim {

using Frame = std::vector<std::uint8_t>;

// Appends the CRC, low byte first.
void appendCrc(Frame& frame);
// True when the frame is at least 4 bytes and ends with the CRC of what precedes it.
bool crcOk(const std::uint8_t* data, std::size_t size);
inline bool crcOk(const Frame& f) { return crcOk(f.data(), f.size()); }

// Length of the request that starts the buffer, once its header tells it: 8 for
// functions 3 and 6, 9 + byte count for 16; 0 when not known (yet, or at all).
std::size_t requestLength(const std::uint8_t* data, std::size_t size);

// A complete request frame (CRC included) for a slave answering at `slaveAddress`.
// Returns the reply, or nothing: bad CRC, another slave, broadcast, or a gateway
// that is restarting (also the restart command itself is not answered).
std::optional<Frame> handleRequest(const Frame& request, std::uint8_t slaveAddress, GatewayModel& model);

// One line of text for the log: function, address, values.
std::string describeRequest(const Frame& request);
std::string describeReply(const Frame& reply);
std::string hexBytes(const std::uint8_t* data, std::size_t size);

}  // namespace pellix::gwsim
