// pellix-gwsim: a simulated 1-Wire/Modbus gateway on a pseudo-terminal, linked as
// COM<n> in the ports folder so that the tool finds it like a real port.
#include "Scenario.h"
#include "Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>

using namespace pellix::gwsim;

namespace {

const char* const kUsage = R"(Usage: pellix-gwsim --com N [options]

Serves a simulated 1-Wire/Modbus RTU gateway on a pseudo-terminal and links it as
COM<N> in the ports folder ($PELLIX_PORTS_DIR, else ~/.config/Quorvel/Pellix Tool/ports).
The first line printed is the link's path. Runs until SIGINT or SIGTERM, then removes the link
and prints what became of the requests (see sim/README.md).
SIGUSR1 unplugs it (closes the pty, as a pulled USB adapter); SIGUSR2 plugs it in again.

  --com N               COM number of the link (required)
  --scenario FILE       devices, settings and versions (see sim/README.md); default: an empty gateway
  --slave A             slave address to answer (1..247; default: the scenario's, else 1)
  --log FILE            one line per request and reply: ms, direction, bytes, decoded
  --image-out FILE      write the firmware image assembled from program blocks here
  --silence MS          how long the gateway is silent after a restart (default: scenario, else 3000)
  --firmware-after V    firmware version after an upgrade (default: scenario, else the old one + 1)
Faults (SPEC is a count, e.g. 3, or a fraction, e.g. 10% or 0.1):
  --no-reply SPEC       requests lost (not executed, not answered)
  --bad-crc SPEC        replies with a wrong CRC
  --short-reply SPEC    replies cut short (to --short-bytes, default half)
  --short-bytes N
  --garbage SPEC        replies preceded by --garbage-bytes random bytes (default 3)
  --garbage-bytes N
  --delay MS            delay before every reply (or only before those --delayed picks)
  --delayed SPEC        replies that get the delay (default: every one)
  --hang-up-after N     close the pty after N more requests
  --seed N              seed for fractions and garbage (default 1)
  --help                this text
)";

[[noreturn]] void usageError(const std::string& what) {
  std::cerr << "pellix-gwsim: " << what << "\n(see pellix-gwsim --help)\n";
  std::exit(2);
}

long numberArg(const std::string& option, const char* text, long lo, long hi) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || v < lo || v > hi)
    usageError(option + " takes a number from " + std::to_string(lo) + " to " + std::to_string(hi));
  return v;
}

FaultRule ruleArg(const std::string& option, const char* text) {
  const auto rule = parseFaultRule(text);
  if (!rule) usageError(option + " takes a count (3) or a fraction (10% or 0.1)");
  return *rule;
}

bool writeImage(const std::string& path, const GatewayModel& model) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto image = model.image();
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  int com = 0;
  std::string scenarioPath, logPath, imagePath;
  long slave = -1, silence = -1, firmwareAfter = -1;
  Faults faults;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (i + 1 >= argc) usageError("unknown option or missing value: " + a);
    const char* v = argv[++i];
    if (a == "--com")
      com = static_cast<int>(numberArg(a, v, 1, 255));
    else if (a == "--scenario")
      scenarioPath = v;
    else if (a == "--log")
      logPath = v;
    else if (a == "--image-out")
      imagePath = v;
    else if (a == "--slave")
      slave = numberArg(a, v, 1, 247);
    else if (a == "--silence")
      silence = numberArg(a, v, 0, 600000);
    else if (a == "--firmware-after")
      firmwareAfter = numberArg(a, v, 1, 65535);
    else if (a == "--no-reply")
      faults.noReply = ruleArg(a, v);
    else if (a == "--bad-crc")
      faults.badCrc = ruleArg(a, v);
    else if (a == "--short-reply")
      faults.shortReply = ruleArg(a, v);
    else if (a == "--short-bytes")
      faults.shortBytes = static_cast<int>(numberArg(a, v, 1, 255));
    else if (a == "--garbage")
      faults.garbage = ruleArg(a, v);
    else if (a == "--garbage-bytes")
      faults.garbageBytes = static_cast<int>(numberArg(a, v, 1, 255));
    else if (a == "--delay")
      faults.delayMs = static_cast<int>(numberArg(a, v, 0, 60000));
    else if (a == "--delayed")
      faults.delayed = ruleArg(a, v);
    else if (a == "--hang-up-after")
      faults.hangUpAfter = static_cast<int>(numberArg(a, v, 0, 100000000));
    else if (a == "--seed")
      faults.seed = static_cast<std::uint32_t>(numberArg(a, v, 0, 2147483647));
    else
      usageError("unknown option " + a);
  }
  if (com == 0) usageError("--com N is required");
  if (faults.delayed && faults.delayMs == 0) usageError("--delayed needs --delay MS");

  Scenario scenario{GatewayModel{}, 1};
  if (!scenarioPath.empty()) {
    std::string error;
    auto loaded = loadScenario(scenarioPath, &error);
    if (!loaded) {
      std::cerr << "pellix-gwsim: " << error << "\n";
      return 1;
    }
    scenario = std::move(*loaded);
  }
  if (silence >= 0) scenario.model.config().restartSilenceMs = silence;
  if (firmwareAfter > 0)
    scenario.model.config().firmwareAfterUpgrade = static_cast<std::uint16_t>(firmwareAfter);
  if (!imagePath.empty())
    scenario.model.setUpgradeHandler([imagePath](const GatewayModel& m) {
      if (!writeImage(imagePath, m)) std::cerr << "pellix-gwsim: cannot write " << imagePath << "\n";
    });

  std::ofstream logFile;
  if (!logPath.empty()) {
    logFile.open(logPath, std::ios::trunc);
    if (!logFile) {
      std::cerr << "pellix-gwsim: cannot write " << logPath << "\n";
      return 1;
    }
  }

  // Signals are taken by sigwait below; the serving thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  sigaddset(&signals, SIGUSR2);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  Simulator sim(std::move(scenario.model));
  sim.setSlaveAddress(static_cast<std::uint8_t>(slave > 0 ? slave : scenario.slaveAddress));
  sim.setFaults(faults);
  if (logFile.is_open())
    sim.setLogHandler([&logFile](const LogEntry& e) { logFile << formatLogLine(e) << std::endl; });
  std::string error;
  if (!sim.start(&error)) {
    std::cerr << "pellix-gwsim: " << error << "\n";
    return 1;
  }
  const std::string link = sim.linkAsCom(com, &error);
  if (link.empty()) {
    std::cerr << "pellix-gwsim: " << error << "\n";
    sim.stop();
    return 1;
  }
  std::cout << link << std::endl;
  std::cerr << "pellix-gwsim: COM" << com << " -> " << sim.devicePath() << ", slave "
            << static_cast<int>(sim.slaveAddress()) << "\n";

  // SIGUSR1 unplugs (the pty is closed), SIGUSR2 plugs in again behind the same link.
  for (;;) {
    int received = 0;
    sigwait(&signals, &received);
    if (received == SIGUSR1) {
      sim.hangUp();
      std::cerr << "pellix-gwsim: unplugged\n";
    } else if (received == SIGUSR2) {
      if (sim.replug(&error))
        std::cerr << "pellix-gwsim: plugged in again, COM" << com << " -> " << sim.devicePath() << "\n";
      else
        std::cerr << "pellix-gwsim: " << error << "\n";
    } else {
      break;
    }
  }
  sim.stop();
  std::cout << "requests: " << formatReplyCounts(sim.replyCounts()) << std::endl;
  if (!imagePath.empty())
    sim.withModel([&](GatewayModel& m) {
      if (m.programmedBlocks() > 0 && !writeImage(imagePath, m))
        std::cerr << "pellix-gwsim: cannot write " << imagePath << "\n";
    });
  return 0;
}
