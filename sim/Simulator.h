#pragma once
// The gateway on a pseudo-terminal: a Modbus RTU slave thread in front of the
// model, with fault injection and a log of every frame. Tests run it in-process;
// pellix-gwsim wraps it into a program.
#include "Faults.h"
#include "GatewayModel.h"
#include "RtuServer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace pellix::gwsim {

struct LogEntry {
  enum class Kind { Request, Reply, Note };
  std::int64_t ms = 0;  // since the simulator started
  Kind kind = Kind::Note;
  Frame bytes;
  std::string text;
};

// "   1234 RX 01 03 ... | slave 1 read 100 registers from 0"
std::string formatLogLine(const LogEntry& entry);

// What became of the requests addressed to this slave, as the wire saw it. Each
// request is in exactly one of lost, unanswered, cut, corrupted and intact.
struct ReplyCounts {
  int requests = 0;    // good CRC, this slave, not while restarting
  int lost = 0;        // no reply because of a fault (no-reply, hang-up)
  int unanswered = 0;  // no reply by the gateway's own rules (the restart command)
  int cut = 0;         // reply shortened (whatever else happened to it)
  int corrupted = 0;   // whole reply, but a wrong CRC or garbage before it
  int intact = 0;      // the reply as the gateway made it
  int delayed = 0;     // replies held back by the delay, any of the above
};
// "requests=120 lost=6 cut=5 corrupted=11 intact=98 unanswered=0 delayed=7"
std::string formatReplyCounts(const ReplyCounts& counts);

class Simulator {
 public:
  explicit Simulator(GatewayModel model = GatewayModel{});
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the pty and starts serving. False (with the reason) when the pty cannot be made.
  bool start(std::string* error = nullptr);
  // Stops serving, closes the pty and removes the link.
  void stop();
  bool running() const { return thread_.joinable(); }
  bool hungUp() const { return hungUp_; }

  // The slave side of the pty, e.g. /dev/pts/7.
  std::string devicePath() const { return devicePath_; }
  // A symbolic link to the slave side; an existing link whose target is gone is replaced.
  bool link(const std::string& path, std::string* error = nullptr);
  // The link COM<n> in the ports folder (created if missing); returns its path or "".
  std::string linkAsCom(int comNumber, std::string* error = nullptr);
  std::string linkPath() const;
  void removeLink();

  // Closes the pty at once and breaks the link (it points nowhere until replug), as the
  // device node of an adapter that is pulled out goes away.
  void hangUp();
  // Plugged in again: a new pty, the same link (re-pointed), the same model.
  bool replug(std::string* error = nullptr);

  template <class F>
  decltype(auto) withModel(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return f(model_);
  }
  void setFaults(const Faults& faults);
  Faults faults() const;
  void setSlaveAddress(std::uint8_t address) { slaveAddress_ = address; }
  std::uint8_t slaveAddress() const { return slaveAddress_; }
  // Called on the serving thread for every request, reply and note.
  void setLogHandler(std::function<void(const LogEntry&)> handler);
  // Shortest silence that ends a frame; the real one follows the line's baud rate.
  void setMinSilenceMs(int ms) { minSilenceMs_ = ms; }

  std::int64_t elapsedMs() const;
  int requests() const { return requests_; }  // frames addressed to this slave with a good CRC
  ReplyCounts replyCounts() const;

 private:
  void serve();
  void quiet();
  void handle(const Frame& request);
  void count(bool lost, bool answered, bool cut, bool corrupted, bool late);
  bool decide(FaultRule& rule);
  void log(LogEntry::Kind kind, const Frame& bytes, const std::string& text);
  void writeAll(const Frame& bytes);
  bool sleepInterruptibly(int ms);
  int silenceMs() const;
  void closePty();
  // Stops serving and closes the pty, leaving the link.
  void halt();
  std::string unpluggedTarget() const;
  // Whether the link is still ours (to the pty, or broken by a hang-up).
  bool ownLinkLocked() const;
  void unplugLinkLocked();
  void unlinkLocked();

  mutable std::mutex mutex_;  // model and faults
  GatewayModel model_;
  Faults faults_;
  ReplyCounts counts_;
  std::mt19937 random_;
  RequestFramer framer_;  // serving thread only
  std::mutex logMutex_;
  std::function<void(const LogEntry&)> logHandler_;

  std::atomic<std::uint8_t> slaveAddress_{1};
  std::atomic<int> minSilenceMs_{2};
  std::atomic<int> requests_{0};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> hangUpRequested_{false};
  std::atomic<bool> hungUp_{false};
  std::thread thread_;
  int master_ = -1;
  int slave_ = -1;
  int wake_ = -1;
  std::string devicePath_;
  mutable std::mutex linkMutex_;  // linkPath_: the serving thread removes the link on a hang-up
  std::string linkPath_;
  std::int64_t startNs_ = 0;
};

}  // namespace pellix::gwsim
