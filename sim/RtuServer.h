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

// Cuts the byte stream from the master into request frames, as the gateway's receiver
// does: a request is taken as soon as its length is complete and its CRC fits, and
// whatever is buffered when the line goes quiet is one frame, good or not.
class RequestFramer {
 public:
  // Nothing longer is a Modbus RTU frame; a stream of junk is cut down to this.
  static constexpr std::size_t kMaxFrame = 256;

  // Appends received bytes; returns the complete requests they finish.
  std::vector<Frame> push(const std::uint8_t* data, std::size_t size);
  // The line went quiet: the buffered bytes as one frame (empty when none wait).
  Frame silence();
  // The buffered header promises more bytes than have come: worth a longer wait.
  bool promisesMore() const;
  bool empty() const { return buffer_.empty(); }

 private:
  Frame buffer_;
};

// A complete request frame (CRC included) for a slave answering at `slaveAddress`.
// Returns the reply, or nothing: bad CRC, another slave, broadcast, or a gateway
// that is restarting (also the restart command itself is not answered).
std::optional<Frame> handleRequest(const Frame& request, std::uint8_t slaveAddress, GatewayModel& model);

// One line of text for the log: function, address, values.
std::string describeRequest(const Frame& request);
std::string describeReply(const Frame& reply);
std::string hexBytes(const std::uint8_t* data, std::size_t size);

}  // namespace pellix::gwsim
