// bench_modbus_slave: a libmodbus RTU slave on a pseudo-terminal serving a simulated
// gateway's registers, for the side-by-side comparison with mbpoll (compare-mbpoll.sh).
//
//   bench_modbus_slave --scenario FILE --log FILE [--link PATH] [--at MS]
//
// Prints the pty's device path, then answers until SIGTERM. Values move with time as the
// scenario says (line faults are switched off: the comparison is of steady polling). The log
// gets one line per answered request: "<request received ns> <reply sent ns> <start>", times
// of CLOCK_MONOTONIC, so that other processes can pair them with their own. The reply's time
// is taken just before its one write(): a master may well have read it before that call returns.
// --at MS serves the registers as they are MS ms after the start, unchanging (for pictures
// that must match).
#include "Scenario.h"

#include <modbus/modbus.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t g_stop = 0;

long long monotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "bench_modbus_slave: %s\n", what.c_str());
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  std::string scenarioPath, logPath, linkPath;
  long long frozenAtMs = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--scenario")
      scenarioPath = argv[i + 1];
    else if (option == "--log")
      logPath = argv[i + 1];
    else if (option == "--link")
      linkPath = argv[i + 1];
    else if (option == "--at")
      frozenAtMs = std::atoll(argv[i + 1]);
    else
      fail("unknown option " + option);
  }
  if (scenarioPath.empty() || logPath.empty())
    fail("usage: --scenario FILE --log FILE [--link PATH] [--at MS]");

  std::string error;
  auto scenario = pellix::gwsim::loadScenario(scenarioPath, &error);
  if (!scenario) fail(error);
  pellix::gwsim::GatewayModel& model = scenario->model;
  model.setLineFault(0, 0);
  model.setLineFault(1, 0);

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) fail("no pseudo-terminal");
  const std::string slavePath = ptsname(master);
  // Held open so that the master never reads EIO between the master's opens.
  const int keeper = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (keeper < 0) fail("cannot open " + slavePath);
  termios raw{};
  tcgetattr(keeper, &raw);
  cfmakeraw(&raw);
  tcsetattr(keeper, TCSANOW, &raw);
  if (!linkPath.empty()) {
    ::unlink(linkPath.c_str());
    if (::symlink(slavePath.c_str(), linkPath.c_str()) != 0) fail("cannot link " + linkPath);
  }
  FILE* log = std::fopen(logPath.c_str(), "w");
  if (!log) fail("cannot write " + logPath);
  setvbuf(log, nullptr, _IOLBF, 0);  // read while the run goes on

  struct sigaction stop {};
  stop.sa_handler = [](int) { g_stop = 1; };
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);

  modbus_t* ctx = modbus_new_rtu("/dev/null", 115200, 'N', 8, 1);
  modbus_mapping_t* map = modbus_mapping_new(0, 0, pellix::gwsim::reg::kReadableEnd, 0);
  if (!ctx || !map) fail("libmodbus");
  modbus_set_slave(ctx, scenario->slaveAddress);
  modbus_set_socket(ctx, master);

  std::printf("%s\n", slavePath.c_str());
  std::fflush(stdout);

  const long long start = monotonicNs();
  uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
  std::vector<std::uint16_t> values;
  while (!g_stop) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0 || !(p.revents & POLLIN)) continue;
    const int length = modbus_receive(ctx, request);
    if (length <= 0) continue;
    const long long received = monotonicNs();
    // Function 3 only: the registers as the gateway holds them at this moment.
    const int offset = modbus_get_header_length(ctx);
    const std::uint16_t first = static_cast<std::uint16_t>(request[offset + 1] << 8 | request[offset + 2]);
    const std::uint16_t count = static_cast<std::uint16_t>(request[offset + 3] << 8 | request[offset + 4]);
    if (request[offset] == 0x03) {
      model.advanceTo(frozenAtMs >= 0 ? frozenAtMs : (received - start) / 1000000);
      if (first + count <= pellix::gwsim::reg::kReadableEnd &&
          model.read(first, count, values) == pellix::gwsim::ModbusError::None)
        std::copy(values.begin(), values.end(), map->tab_registers + first);
    }
    const long long sent = monotonicNs();
    if (modbus_reply(ctx, request, length, map) <= 0) continue;
    std::fprintf(log, "%lld %lld %u\n", received, sent, first);
  }
  std::fclose(log);
  if (!linkPath.empty()) ::unlink(linkPath.c_str());
  modbus_mapping_free(map);
  modbus_free(ctx);
  ::close(keeper);
  ::close(master);
  return 0;
}
