#pragma once
// The worker side of a port: the device, the ring buffer and the two threads.
// Owned by its port; every notification goes back to the port on the GUI thread.
#include "AfCircularBuffer.h"
#include "AfComPort.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QSocketNotifier;
class TAfComPortCore;

namespace pellix {
struct NotificationSlot;
class SyncObject;
}  // namespace pellix

class TAfComPortCoreThread {
 public:
  explicit TAfComPortCoreThread(TAfComPortCore& core) : core_(core) {}
  virtual ~TAfComPortCoreThread();
  TAfComPortCoreThread(const TAfComPortCoreThread&) = delete;
  TAfComPortCoreThread& operator=(const TAfComPortCoreThread&) = delete;

  // Starts the thread and waits at most timeoutMs until it runs.
  bool Start(TThreadPriority priority, int timeoutMs);
  void Terminate();
  void WaitFor();
  bool Terminated() const { return terminated_.load(); }

 protected:
  virtual void Execute() = 0;
  virtual void Wake() = 0;
  virtual const char* Name() const = 0;  // as tools like top show it
  TAfComPortCore& core_;

 private:
  void Run(TThreadPriority priority);

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::mutex startLock_;
  std::condition_variable started_;
  bool running_ = false;
};

// Waits on the wake-up eventfd ("output empty", terminate) and polls the driver's counters for
// modem lines and line errors while someone listens for them. With OnNonSyncEvent set it also
// watches the device and the check for unread input, which the owner's thread watches otherwise.
class TAfComPortEventThread : public TAfComPortCoreThread {
 public:
  using TAfComPortCoreThread::TAfComPortCoreThread;

 protected:
  void Execute() override;
  void Wake() override;
  const char* Name() const override { return "AfComPortEvent"; }
};

// Drains the ring buffer into the device, when the GUI thread could not write at once.
class TAfComPortWriteThread : public TAfComPortCoreThread {
 public:
  using TAfComPortCoreThread::TAfComPortCoreThread;

 protected:
  void Execute() override;
  void Wake() override;
  const char* Name() const override { return "AfComPortWrite"; }
};

class TAfComPortCore {
 public:
  explicit TAfComPortCore(TAfCustomSerialPort* owner);
  ~TAfComPortCore();
  TAfComPortCore(const TAfComPortCore&) = delete;
  TAfComPortCore& operator=(const TAfComPortCore&) = delete;

  struct OpenParams {
    int comNumber = 0;
    pellix::LineSettings settings;
    int inBufSize = 4096;
    int outBufSize = 2048;
    TThreadPriority eventPriority = tpNormal;
    TThreadPriority writePriority = tpHighest;
    std::string readErrorMessage;  // carried to the GUI thread on a hang-up
    TAfSyncEvent nonSyncHandler;
  };
  // Throws EAfComPortCoreError; leaves nothing open on failure.
  void Open(const OpenParams& params);
  void Close();
  bool IsOpen() const { return open_.load(); }

  // Notification slot: a disabled slot drops notifications and releases a waiting thread.
  void EnableNotifications();
  void DisableNotifications();
  // GUI thread, after a data notification has been handled: bytes left unread are announced
  // again in 200 ms (when someone reads them); once the input is drained nothing is checked.
  void DataHandled(bool announce);
  // GUI thread: the device or the check for unread input has something to say.
  void WatchReady();

  // Applies the record to the open device. False when refused; `current` is then
  // what the device reports.
  bool ApplySettings(const pellix::LineSettings& settings, pellix::LineSettings& current);
  void SetModemLine(int line, bool on);  // TIOCM_DTR / TIOCM_RTS; a pty has none

  // All or nothing; false (and the free space) when the bytes do not fit.
  bool Write(const void* data, int count, int& free);
  int OutputFree();
  // Input queue length (0 when unknown), collecting line errors on the way.
  int InputWaiting();
  int Read(void* data, int count);
  void PurgeInput();
  unsigned TakeLineErrors();
  unsigned LineErrors();

 private:
  friend class TAfComPortCoreThread;
  friend class TAfComPortEventThread;
  friend class TAfComPortWriteThread;
  friend class pellix::SyncObject;

  // GUI thread: runs a handed-over notification unless its slot was disabled since.
  static void Deliver(pellix::NotificationSlot& slot, uint64_t ticket, uint64_t generation, TAfCoreEvent kind,
                      unsigned data, const std::exception_ptr& error);
  bool ListensForLineEvents() const { return owner_->HandlesLineEvents(); }

  void StopWriteThread();
  void SignalOutputEmpty();
  // Event thread: hands a notification to the GUI thread, unless nobody handles it. Only
  // one is in flight: the previous one must have been handled first (or 2000 ms passed).
  void Notify(TAfCoreEvent kind, unsigned data, std::exception_ptr error = {});
  // Event thread: waits until the notification in flight has been handled, at most until
  // 2000 ms after it was handed over. False when the slot was disabled meanwhile.
  bool WaitForHandOver();
  // Output lock held: writes straight to the device while the write thread has nothing to
  // do; the bytes that do not go out at once are the write thread's.
  void WriteDirect(const uint8_t* data, int count);
  // Input lock held: reads the error/modem counters, returns the event bits they add.
  unsigned PollCountersLocked();
  // What a watcher of the device has seen and not reported yet.
  struct WatchSeen {
    bool received = false, hangUp = false, unread = false;
    bool Any() const { return received || hangUp || unread; }
  };
  // Adds an event of the device or of the unread-input timer (drained here) to `seen`;
  // false for an event of another source.
  bool NoteWatchEvent(uint32_t tag, uint32_t events, WatchSeen& seen);
  // Turns what a watcher saw into notifications by `notify` (the event thread's hand-over
  // or the GUI thread's direct delivery).
  template <class NotifyFn>
  void Report(const WatchSeen& seen, NotifyFn&& notify);
  // GUI thread: delivers a notification of its own watch, after those already handed over,
  // as one more ticket, so that the event thread hands nothing over while it is handled.
  void DeliverDirect(TAfCoreEvent kind, unsigned data, const std::exception_ptr& error = {});
  bool OwnerWatches() const { return !params_.nonSyncHandler; }

  TAfCustomSerialPort* owner_;
  std::shared_ptr<pellix::NotificationSlot> slot_;
  OpenParams params_;

  int fd_ = -1;
  int epoll_ = -1;
  int eventWake_ = -1;             // eventfd: terminate / output empty
  int writeWake_ = -1;             // eventfd: data, stop, terminate
  int unreadTimer_ = -1;           // timerfd: the check for unread input
  bool unreadTimerArmed_ = false;  // GUI thread
  // The GUI thread's own watch of the device (edge-triggered) and of the unread-input timer:
  // a reply wakes that thread alone, no port thread and no hand-over.
  int watch_ = -1;
  std::unique_ptr<QSocketNotifier> watchNotifier_;
  bool watchBusy_ = false;               // a direct delivery is running (a handler may spin an event loop)
  WatchSeen seen_;                       // not delivered yet
  std::atomic<bool> deviceLost_{false};  // hung up: nobody watches the device any more

  std::atomic<bool> open_{false};
  std::atomic<bool> outputEmpty_{false};

  // Input lock: driver status, input, accumulated errors.
  std::mutex inLock_;
  unsigned lineErrors_ = 0;
  bool countersValid_ = false;
  bool countersKept_ = true;  // false: the driver keeps no counters (a pty), don't ask again
  struct Counters {
    int cts = 0, dsr = 0, rng = 0, dcd = 0, frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
  } counters_;

  // Output lock: the ring and the write thread's state.
  std::mutex outLock_;
  std::condition_variable stopAck_;
  std::unique_ptr<TAfCircularBuffer> ring_;
  bool stopRequested_ = false;
  bool stopAcknowledged_ = false;
  bool writeStalled_ = false;  // a hard write error: wait for new data

  std::unique_ptr<TAfComPortEventThread> eventThread_;
  std::unique_ptr<TAfComPortWriteThread> writeThread_;
};
