// The simulator's receiving side from an arbitrary byte stream in arbitrary pieces: the
// framer cuts it into requests (and into whatever is left when the line goes quiet),
// the handler answers them from a gateway with devices, and the log names every frame.
//
// Input: the slave address, then pieces. A piece byte below 0x80 is a length and that
// many bytes follow; from 0x80 on it is a quiet line after (byte - 0x80) * 100 ms.
#include "FuzzCheck.h"
#include "RtuServer.h"
#include "Scenario.h"

#include <sstream>

namespace {

using namespace pellix::gwsim;

GatewayModel makeGateway() {
  std::istringstream in(
      "[gateway]\nrestart_silence_ms = 500\n"
      "[device]\nline = 1\nchannel = 1\nfamily = 0x28\nserial = 1\n"
      "[device]\nline = 1\nfamily = 0x10\nserial = 2\n"
      "[device]\nline = 2\nchannel = 22\nfamily = 0x26\nserial = 3\n"
      "[device]\nline = 2\nfamily = 0x01\nserial = 4\n");
  std::string error;
  auto s = parseScenario(in, "fuzz", &error);
  FUZZ_CHECK(s);
  return std::move(s->model);
}

std::uint16_t be16(const Frame& f, std::size_t at) {
  return static_cast<std::uint16_t>(f[at] << 8 | f[at + 1]);
}

void answer(const Frame& request, std::uint8_t slave, GatewayModel& model) {
  FUZZ_CHECK(request.size() <= 2 * RequestFramer::kMaxFrame);
  (void)describeRequest(request);
  const bool wasSilent = model.silent();
  const std::optional<Frame> reply = handleRequest(request, slave, model);
  if (!reply) return;
  (void)describeReply(*reply);
  // Only a good request for this slave from a gateway that is up gets a reply, and the
  // reply is a well-formed frame of the same function.
  FUZZ_CHECK(crcOk(request) && request[0] == slave && !wasSilent);
  FUZZ_CHECK(crcOk(*reply) && (*reply)[0] == slave);
  const std::uint8_t function = (*reply)[1];
  if (function & 0x80) {
    FUZZ_CHECK(function == (request[1] | 0x80) && reply->size() == 5);
    FUZZ_CHECK((*reply)[2] >= 1 && (*reply)[2] <= 3);
  } else if (function == 3) {
    const std::uint16_t count = be16(request, 4);
    FUZZ_CHECK(count >= 1 && count <= 125 && reply->size() == 5u + 2u * count && (*reply)[2] == 2 * count);
  } else {
    FUZZ_CHECK((function == 6 || function == 16) && function == request[1] && reply->size() == 8);
    FUZZ_CHECK(std::equal(reply->begin(), reply->begin() + 6, request.begin()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const GatewayModel gateway = makeGateway();
  GatewayModel model = gateway;
  pellix::fuzz::InputReader input(data, size);
  const auto slave = static_cast<std::uint8_t>(input.byte() % 247 + 1);
  RequestFramer framer;
  std::int64_t now = 0;
  while (!input.empty()) {
    const std::uint8_t piece = input.byte();
    if (piece >= 0x80) {
      now += (piece - 0x80) * 100;
      model.advanceTo(now);
      const Frame rest = framer.silence();
      FUZZ_CHECK(framer.empty() && !framer.promisesMore());
      if (!rest.empty()) answer(rest, slave, model);
      continue;
    }
    const auto bytes = input.bytes(piece);
    for (const Frame& request : framer.push(bytes.data(), bytes.size())) {
      FUZZ_CHECK(crcOk(request) && request.size() == requestLength(request.data(), request.size()));
      answer(request, slave, model);
    }
  }
  FUZZ_CHECK(model.image().size() <= GatewayModel::kFlashSize);
  return 0;
}
