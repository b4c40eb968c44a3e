#include "RtuServer.h"

#include "Crc.h"

#include <cstdio>
#include <utility>

namespace pellix::gwsim {
namespace {

constexpr std::uint8_t kReadHolding = 3;
constexpr std::uint8_t kWriteSingle = 6;
constexpr std::uint8_t kWriteMultiple = 16;
constexpr std::uint16_t kMaxRead = 125;
constexpr std::uint16_t kMaxWrite = 123;

std::uint16_t be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
void put16(Frame& f, std::uint16_t v) {
  f.push_back(static_cast<std::uint8_t>(v >> 8));
  f.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

Frame exception(std::uint8_t address, std::uint8_t function, ModbusError error) {
  Frame f{address, static_cast<std::uint8_t>(function | 0x80), static_cast<std::uint8_t>(error)};
  appendCrc(f);
  return f;
}

// Executes the request; fills `reply` (without CRC) or returns the exception.
ModbusError execute(const Frame& rq, GatewayModel& model, Frame& reply) {
  const std::uint8_t function = rq[1];
  const std::size_t body = rq.size() - 2;
  if (function == kReadHolding) {
    if (body != 6) return ModbusError::IllegalValue;
    const std::uint16_t start = be16(&rq[2]);
    const std::uint16_t count = be16(&rq[4]);
    if (count < 1 || count > kMaxRead) return ModbusError::IllegalValue;
    std::vector<std::uint16_t> values;
    if (auto e = model.read(start, count, values); e != ModbusError::None) return e;
    reply = {rq[0], function, static_cast<std::uint8_t>(2 * count)};
    for (auto v : values) put16(reply, v);
    return ModbusError::None;
  }
  if (function == kWriteSingle) {
    if (body != 6) return ModbusError::IllegalValue;
    if (auto e = model.write(be16(&rq[2]), {be16(&rq[4])}); e != ModbusError::None) return e;
    reply.assign(rq.begin(), rq.begin() + 6);
    return ModbusError::None;
  }
  if (function == kWriteMultiple) {
    if (body < 7) return ModbusError::IllegalValue;
    const std::uint16_t start = be16(&rq[2]);
    const std::uint16_t count = be16(&rq[4]);
    const std::uint8_t bytes = rq[6];
    if (count < 1 || count > kMaxWrite || bytes != 2 * count || body != 7u + bytes)
      return ModbusError::IllegalValue;
    std::vector<std::uint16_t> values;
    for (std::size_t i = 0; i < count; ++i) values.push_back(be16(&rq[7 + 2 * i]));
    if (auto e = model.write(start, values); e != ModbusError::None) return e;
    reply.assign(rq.begin(), rq.begin() + 6);
    return ModbusError::None;
  }
  return ModbusError::IllegalFunction;
}

const char* errorName(std::uint8_t code) {
  switch (code) {
    case 1:
      return "illegal function";
    case 2:
      return "illegal data address";
    case 3:
      return "illegal data value";
    default:
      return "unknown exception";
  }
}

}  // namespace

void appendCrc(Frame& frame) {
  const std::uint16_t crc = modbusCrc(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool crcOk(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return false;
  const std::uint16_t crc = modbusCrc(data, size - 2);
  return data[size - 2] == (crc & 0xFF) && data[size - 1] == (crc >> 8);
}

std::size_t requestLength(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  switch (data[1]) {
    case kReadHolding:
    case kWriteSingle:
      return 8;
    case kWriteMultiple:
      return size >= 7 ? 9u + data[6] : 0;
    default:
      return 0;
  }
}

std::vector<Frame> RequestFramer::push(const std::uint8_t* data, std::size_t size) {
  buffer_.insert(buffer_.end(), data, data + size);
  if (buffer_.size() > 2 * kMaxFrame)
    buffer_.erase(buffer_.begin(), buffer_.end() - static_cast<std::ptrdiff_t>(kMaxFrame));
  std::vector<Frame> frames;
  for (;;) {
    const std::size_t need = requestLength(buffer_.data(), buffer_.size());
    if (need == 0 || buffer_.size() < need || !crcOk(buffer_.data(), need)) break;
    frames.emplace_back(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(need));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(need));
  }
  return frames;
}

Frame RequestFramer::silence() { return std::exchange(buffer_, {}); }

bool RequestFramer::promisesMore() const {
  if (buffer_.empty()) return false;
  // A function 16 header is incomplete until its byte count has come.
  if (buffer_.size() >= 2 && buffer_.size() < 7 && buffer_[1] == kWriteMultiple) return true;
  return requestLength(buffer_.data(), buffer_.size()) > buffer_.size();
}

std::optional<Frame> handleRequest(const Frame& request, std::uint8_t slaveAddress, GatewayModel& model) {
  if (!crcOk(request) || model.silent()) return std::nullopt;
  const std::uint8_t address = request[0];
  const bool broadcast = address == 0;
  if (!broadcast && address != slaveAddress) return std::nullopt;
  if (broadcast && request[1] == kReadHolding) return std::nullopt;
  Frame reply;
  const ModbusError error = execute(request, model, reply);
  // A broadcast is never answered; a restarting gateway answers nothing, not even the restart.
  if (broadcast || model.silent()) return std::nullopt;
  if (error != ModbusError::None) return exception(address, request[1], error);
  appendCrc(reply);
  return reply;
}

std::string hexBytes(const std::uint8_t* data, std::size_t size) {
  std::string s;
  char b[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", data[i]);
    s += b;
  }
  return s;
}

std::string describeRequest(const Frame& rq) {
  if (rq.size() < 4) return "fragment";
  char text[160];
  const std::string crc = crcOk(rq) ? "" : ", bad CRC";
  const unsigned slave = rq[0];
  if (rq[1] == kReadHolding && rq.size() == 8) {
    std::snprintf(text, sizeof text, "slave %u read %u registers from %u", slave, be16(&rq[4]), be16(&rq[2]));
  } else if (rq[1] == kWriteSingle && rq.size() == 8) {
    std::snprintf(text, sizeof text, "slave %u write %u = 0x%04X (%u)", slave, be16(&rq[2]), be16(&rq[4]),
                  be16(&rq[4]));
  } else if (rq[1] == kWriteMultiple && rq.size() >= 9) {
    const unsigned start = be16(&rq[2]);
    const unsigned count = be16(&rq[4]);
    std::string values;
    for (std::size_t i = 0; i < count && i < 6 && 8 + 2 * i < rq.size() - 2; ++i) {
      char v[8];
      std::snprintf(v, sizeof v, " %04X", be16(&rq[7 + 2 * i]));
      values += v;
    }
    if (count > 6) values += " ...";
    std::snprintf(text, sizeof text, "slave %u write %u registers from %u:%s", slave, count, start,
                  values.c_str());
  } else {
    std::snprintf(text, sizeof text, "slave %u function %u", slave, rq[1]);
  }
  return text + crc;
}

std::string describeReply(const Frame& rp) {
  if (rp.size() < 4) return "fragment";
  char text[120];
  const std::string crc = crcOk(rp) ? "" : ", bad CRC";
  if (rp[1] & 0x80) {
    std::snprintf(text, sizeof text, "exception %02X (%s) to function %u", rp[2], errorName(rp[2]),
                  rp[1] & 0x7F);
  } else if (rp[1] == kReadHolding) {
    std::snprintf(text, sizeof text, "%u registers, first 0x%04X", rp[2] / 2u,
                  rp.size() >= 5 ? be16(&rp[3]) : 0u);
  } else if (rp.size() >= 6) {
    std::snprintf(text, sizeof text, "echo of function %u at %u", rp[1], be16(&rp[2]));
  } else {
    std::snprintf(text, sizeof text, "function %u", rp[1]);
  }
  return text + crc;
}

}  // namespace pellix::gwsim
