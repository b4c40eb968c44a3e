// The simulator's scenario files from arbitrary text: either a "file:line: what" error,
// or a gateway that serves every register at any time without overflowing anything.
#include "FuzzCheck.h"
#include "Scenario.h"

#include <regex>
#include <sstream>
#include <string>

namespace {

using namespace pellix::gwsim;

void serve(GatewayModel& m) {
  // From the start, into scheduled line faults, past the iButton cycles, decades on.
  for (const std::int64_t t : {0LL, 999LL, 45'000LL, 3'600'000LL, 86'400'000'000LL, 1'000'000'000'000LL}) {
    m.advanceTo(t);
    std::vector<std::uint16_t> out;
    for (const std::uint16_t start : {0, 100, 200, 300, 1000, 1100, 1200})
      FUZZ_CHECK(m.read(start, 100, out) == ModbusError::None && out.size() == 100);
    for (int line = 0; line < 2; ++line) FUZZ_CHECK(m.lineFault(line) <= 2);
  }
  for (int line = 0; line < 2; ++line)
    for (const std::uint16_t word : {cmd::kFindNew, cmd::kFindNewAll, cmd::kFindAll}) {
      m.command(line, word);
      FUZZ_CHECK(m.lastSearch(line).size() <= static_cast<std::size_t>(GatewayModel::kRecords));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::string error;
  auto scenario = parseScenario(in, "fuzz.ini", &error);
  if (!scenario) {
    static const std::regex form("fuzz\\.ini:[1-9][0-9]*: [\\s\\S]+");
    FUZZ_CHECK(std::regex_match(error, form));
    return 0;
  }
  FUZZ_CHECK(scenario->slaveAddress >= 1 && scenario->slaveAddress <= 247);
  serve(scenario->model);
  return 0;
}
