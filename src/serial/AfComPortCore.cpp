#include "AfComPortCore.h"

#include "ComNumbers.h"
#include "LineTermios.h"
#include "PortNames.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>

namespace pellix {

// A port's registration with the process-wide notification object. Shared with
// queued deliveries, so a delivery that arrives after the port is gone is harmless.
struct NotificationSlot {
  std::mutex lock;
  std::condition_variable handled;
  TAfCustomSerialPort* port = nullptr;
  bool enabled = false;
  uint64_t generation = 0;  // bumped on enable/disable: older deliveries are dropped
  uint64_t issued = 0;
  uint64_t done = 0;
  std::chrono::steady_clock::time_point issuedAt;
  bool waiting = false;  // the event thread sleeps on `handled`
};

namespace {

constexpr int kHandOverTimeoutMs = 2000;
constexpr int kIdleCheckMs = 200;
constexpr uint32_t kDeviceTag = 0;
constexpr uint32_t kWakeTag = 1;
constexpr uint32_t kUnreadTimerTag = 2;

// One notification on its way to the GUI thread.
class HandOverEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  HandOverEvent(std::shared_ptr<NotificationSlot> slot, uint64_t ticket, uint64_t generation,
                TAfCoreEvent notification, unsigned data, std::exception_ptr error)
      : QEvent(Kind()),
        slot(std::move(slot)),
        ticket(ticket),
        generation(generation),
        notification(notification),
        data(data),
        error(std::move(error)) {}

  std::shared_ptr<NotificationSlot> slot;
  uint64_t ticket;
  uint64_t generation;
  TAfCoreEvent notification;
  unsigned data;
  std::exception_ptr error;
};

}  // namespace

// The one object, living in the GUI thread, to which every port's threads post. Each
// hand-over is one posted event: one wake-up of the GUI thread, and none of the port's
// thread unless it is already waiting for this one to be handled.
class SyncObject : public QObject {
 protected:
  void customEvent(QEvent* e) override {
    if (e->type() != HandOverEvent::Kind()) return;
    auto* h = static_cast<HandOverEvent*>(e);
    TAfComPortCore::Deliver(*h->slot, h->ticket, h->generation, h->notification, h->data, h->error);
  }
};

namespace {

QObject*& syncObjectSlot() {
  static QObject* object = nullptr;
  return object;
}

void ensureSyncObject() {
  QObject*& object = syncObjectSlot();
  if (!object) {
    object = new SyncObject;  // lives as long as the process
    object->setObjectName(QStringLiteral("AfSafeSyncObjWnd"));
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (app && object->thread() != app->thread() && object->thread() == QThread::currentThread())
    object->moveToThread(app->thread());
}

void signalFd(int fd) {
  if (fd < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(fd, &one, sizeof one);
}

void drainFd(int fd) {
  uint64_t value = 0;
  [[maybe_unused]] ssize_t n = ::read(fd, &value, sizeof value);
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

int niceFor(TThreadPriority p) {
  switch (p) {
    case tpIdle:
      return 19;
    case tpLowest:
      return 10;
    case tpLower:
      return 5;
    case tpNormal:
      return 0;
    case tpHigher:
      return -5;
    case tpHighest:
      return -10;
    case tpTimeCritical:
      return -20;
  }
  return 0;
}

EAfComPortCoreError coreError(const char* format, int comNumber = 0) {
  return EAfComPortCoreError(QString::asprintf(format, comNumber).toStdString());
}

bool ratesMatch(uint32_t wanted, uint32_t got) {
  // Drivers may report the rate their divisor really gives: allow 1 %.
  const uint32_t diff = wanted > got ? wanted - got : got - wanted;
  return static_cast<uint64_t>(diff) * 100 <= wanted;
}

}  // namespace

}  // namespace pellix

using namespace pellix;

// ---- threads -------------------------------------------------------------

TAfComPortCoreThread::~TAfComPortCoreThread() {
  if (thread_.joinable()) thread_.join();
}

bool TAfComPortCoreThread::Start(TThreadPriority priority, int timeoutMs) {
  terminated_ = false;
  try {
    thread_ = std::thread([this, priority] { Run(priority); });
  } catch (const std::system_error&) {
    return false;
  }
  std::unique_lock lock(startLock_);
  return started_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return running_; });
}

void TAfComPortCoreThread::Run(TThreadPriority priority) {
  // Best effort: raising a priority needs privileges we may not have.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), niceFor(priority));
  ::pthread_setname_np(::pthread_self(), Name());
  {
    std::lock_guard lock(startLock_);
    running_ = true;
  }
  started_.notify_all();
  try {
    Execute();
  } catch (...) {
    if (!Terminated()) core_.Notify(TAfCoreEvent::ThreadException, 0, std::current_exception());
  }
}

void TAfComPortCoreThread::Terminate() {
  terminated_ = true;
  Wake();
}

void TAfComPortCoreThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TAfComPortEventThread::Wake() { signalFd(core_.eventWake_); }

void TAfComPortEventThread::Execute() {
  TAfComPortCore& core = core_;
  // With a handler on this thread the device is ours to watch; otherwise the owner's thread
  // watches it. Modem lines and line errors show only in the driver's counters, so they are
  // polled every 200 ms while someone listens for them.
  const bool nonSync = !core.OwnerWatches();
  while (!Terminated()) {
    const bool periodic =
        !core.deviceLost_ && (nonSync || (core.countersKept_ && core.ListensForLineEvents()));
    epoll_event events[4];
    const int n = ::epoll_wait(core.epoll_, events, 4, periodic ? kIdleCheckMs : -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "epoll_wait");
    }
    if (Terminated()) break;
    TAfComPortCore::WatchSeen seen;
    seen.unread = n == 0 && nonSync;
    bool outputFree = false;
    for (int i = 0; i < n; ++i) {
      if (core.NoteWatchEvent(events[i].data.u32, events[i].events, seen)) continue;
      drainFd(core.eventWake_);
      if (core.outputEmpty_.exchange(false)) outputFree = true;
    }
    // Nothing is looked at before the last notification has been handled.
    if (!core.WaitForHandOver()) continue;
    core.Report(seen, [&core](TAfCoreEvent kind, unsigned data, std::exception_ptr error) {
      core.Notify(kind, data, std::move(error));
    });
    if (outputFree && !core.deviceLost_) core.Notify(TAfCoreEvent::OutputFree, 0);
  }
}

void TAfComPortWriteThread::Wake() { signalFd(core_.writeWake_); }

void TAfComPortWriteThread::Execute() {
  TAfComPortCore& core = core_;
  auto waitForWake = [&core](bool forOutput) {
    pollfd fds[2] = {{core.writeWake_, POLLIN, 0}, {core.fd_, POLLOUT, 0}};
    if (::poll(fds, forOutput ? 2 : 1, -1) > 0 && (fds[0].revents & POLLIN)) drainFd(core.writeWake_);
  };
  for (;;) {
    const uint8_t* run = nullptr;
    int length = 0;
    {
      std::lock_guard lock(core.outLock_);
      if (Terminated()) return;
      if (core.stopRequested_) {
        if (!core.stopAcknowledged_) {
          core.stopAcknowledged_ = true;
          core.stopAck_.notify_all();
        }
      } else if (!core.writeStalled_ && !core.ring_->Empty()) {
        run = core.ring_->ReadBlock(length);
      }
    }
    if (!run) {
      waitForWake(false);
      continue;
    }
    // The run stays in the ring while it is written; appends never touch it.
    const ssize_t written = ::write(core.fd_, run, static_cast<size_t>(length));
    if (written > 0) {
      bool empty = false;
      {
        std::lock_guard lock(core.outLock_);
        core.ring_->Remove(static_cast<int>(written));  // only what went out: a retry must not repeat bytes
        empty = core.ring_->Empty();
      }
      if (empty) core.SignalOutputEmpty();
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && errno == EAGAIN) {
      waitForWake(true);
    } else {
      // Hard failure (a hang-up): keep the data, try again when more is queued.
      std::lock_guard lock(core.outLock_);
      core.writeStalled_ = true;
    }
  }
}

// ---- core ----------------------------------------------------------------

TAfComPortCore::TAfComPortCore(TAfCustomSerialPort* owner)
    : owner_(owner), slot_(std::make_shared<NotificationSlot>()) {
  ensureSyncObject();
  std::lock_guard lock(slot_->lock);
  slot_->port = owner;
}

TAfComPortCore::~TAfComPortCore() {
  Close();
  {
    std::lock_guard lock(slot_->lock);
    slot_->port = nullptr;
    slot_->enabled = false;
    ++slot_->generation;
  }
  slot_->handled.notify_all();
}

void TAfComPortCore::EnableNotifications() {
  std::lock_guard lock(slot_->lock);
  slot_->enabled = true;
  ++slot_->generation;
  slot_->done = slot_->issued;  // what an earlier opening left queued is dropped unseen
}

void TAfComPortCore::DisableNotifications() {
  {
    std::lock_guard lock(slot_->lock);
    slot_->enabled = false;
    ++slot_->generation;
  }
  slot_->handled.notify_all();  // a waiting port thread goes on at once
}

void TAfComPortCore::Notify(TAfCoreEvent kind, unsigned data, std::exception_ptr error) {
  if (params_.nonSyncHandler && kind != TAfCoreEvent::ThreadException) {
    try {
      params_.nonSyncHandler(owner_, kind, data);
      return;
    } catch (...) {
      kind = TAfCoreEvent::ThreadException;
      error = std::current_exception();
    }
  }
  if (!owner_->HandlesNotification(kind, data)) {
    // Every device event starts a new collection of line errors, handled or not.
    if (kind == TAfCoreEvent::DeviceEvent) TakeLineErrors();
    return;
  }
  if (!WaitForHandOver()) return;
  std::shared_ptr<NotificationSlot> slot = slot_;
  uint64_t ticket = 0, generation = 0;
  {
    std::lock_guard lock(slot->lock);
    if (!slot->enabled) return;
    ticket = ++slot->issued;
    generation = slot->generation;
    slot->issuedAt = std::chrono::steady_clock::now();
  }
  QCoreApplication::postEvent(
      syncObjectSlot(), new HandOverEvent(std::move(slot), ticket, generation, kind, data, std::move(error)));
}

bool TAfComPortCore::WaitForHandOver() {
  NotificationSlot& slot = *slot_;
  std::unique_lock lock(slot.lock);
  if (slot.done < slot.issued && slot.enabled) {
    const uint64_t generation = slot.generation;
    slot.waiting = true;
    slot.handled.wait_until(lock, slot.issuedAt + std::chrono::milliseconds(kHandOverTimeoutMs), [&] {
      return slot.done >= slot.issued || !slot.enabled || slot.generation != generation;
    });
    slot.waiting = false;
  }
  return slot.enabled;
}

void TAfComPortCore::Deliver(NotificationSlot& slot, uint64_t ticket, uint64_t generation, TAfCoreEvent kind,
                             unsigned data, const std::exception_ptr& error) {
  TAfCustomSerialPort* port = nullptr;
  {
    std::lock_guard guard(slot.lock);
    if (slot.enabled && slot.generation == generation) port = slot.port;
  }
  if (port) port->DispatchNotification(kind, data, error);
  bool wake = false;
  {
    std::lock_guard guard(slot.lock);
    slot.done = std::max(slot.done, ticket);
    wake = slot.waiting;
  }
  if (wake) slot.handled.notify_all();
}

void TAfComPortCore::DataHandled(bool announce) {
  if (!open_ || unreadTimer_ < 0) return;
  int waiting = 0;
  if (announce) {
    std::lock_guard lock(inLock_);
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) waiting = 0;
  }
  if (waiting <= 0 && !unreadTimerArmed_) return;
  itimerspec when{};
  if (waiting > 0) when.it_value.tv_nsec = kIdleCheckMs * 1000000L;
  ::timerfd_settime(unreadTimer_, 0, &when, nullptr);
  unreadTimerArmed_ = waiting > 0;
}

bool TAfComPortCore::NoteWatchEvent(uint32_t tag, uint32_t events, WatchSeen& seen) {
  if (tag == kDeviceTag) {
    if (events & (EPOLLHUP | EPOLLERR))
      seen.hangUp = true;
    else if (events & EPOLLIN)
      seen.received = true;
    return true;
  }
  if (tag != kUnreadTimerTag) return false;
  drainFd(unreadTimer_);
  seen.unread = true;
  return true;
}

template <class NotifyFn>
void TAfComPortCore::Report(const WatchSeen& seen, NotifyFn&& notify) {
  if (deviceLost_) return;
  bool hangUp = seen.hangUp;
  const bool unreadCheck = seen.unread;
  unsigned mask = 0;
  int waiting = 0;
  // A close clears the open flag first; from then on the input lock is not taken.
  if (!hangUp && open_) {
    std::lock_guard lock(inLock_);
    mask = PollCountersLocked();
    if (unreadCheck && ::ioctl(fd_, FIONREAD, &waiting) != 0) {
      waiting = 0;
      if (errno == EIO) hangUp = true;
    }
  }
  if (hangUp) {
    deviceLost_ = true;
    ::epoll_ctl(OwnerWatches() ? watch_ : epoll_, EPOLL_CTL_DEL, fd_, nullptr);
    notify(TAfCoreEvent::ThreadException, 0,
           std::make_exception_ptr(EAfComPortReadError(params_.readErrorMessage)));
    return;
  }
  if (seen.received) mask |= evRxChar;
  if (mask) notify(TAfCoreEvent::DeviceEvent, mask, {});
  if (unreadCheck && waiting > 0 && !mask)
    notify(TAfCoreEvent::DataWaiting, static_cast<unsigned>(waiting), {});
}

void TAfComPortCore::WatchReady() {
  if (watch_ < 0) return;
  epoll_event events[4];
  const int n = ::epoll_wait(watch_, events, 4, 0);
  for (int i = 0; i < n; ++i) NoteWatchEvent(events[i].data.u32, events[i].events, seen_);
  if (seen_.unread) unreadTimerArmed_ = false;
  // A handler further down the stack (in a nested event loop) hears of it when it returns.
  if (watchBusy_) return;
  watchBusy_ = true;
  while (open_ && seen_.Any()) {
    Report(std::exchange(seen_, {}),
           [this](TAfCoreEvent kind, unsigned data, const std::exception_ptr& error) {
             DeliverDirect(kind, data, error);
           });
  }
  watchBusy_ = false;
}

void TAfComPortCore::DeliverDirect(TAfCoreEvent kind, unsigned data, const std::exception_ptr& error) {
  if (!owner_->HandlesNotification(kind, data)) {
    if (kind == TAfCoreEvent::DeviceEvent) TakeLineErrors();
    return;
  }
  NotificationSlot& slot = *slot_;
  uint64_t ticket = 0;
  bool earlier = false;
  {
    std::lock_guard lock(slot.lock);
    if (!slot.enabled) return;
    earlier = slot.done < slot.issued;
    ticket = ++slot.issued;
    slot.issuedAt = std::chrono::steady_clock::now();
  }
  if (earlier) QCoreApplication::sendPostedEvents(syncObjectSlot(), HandOverEvent::Kind());
  owner_->DispatchNotification(kind, data, error);
  bool wake = false;
  {
    std::lock_guard lock(slot.lock);
    slot.done = std::max(slot.done, ticket);
    wake = slot.waiting;
  }
  if (wake) slot.handled.notify_all();
}

void TAfComPortCore::Open(const OpenParams& params) {
  if (open_ || fd_ >= 0) return;
  params_ = params;
  const int com = params.comNumber;
  if (com <= 0) throw coreError("Invalid port number (COM%d)", com);
  PortOpenFailure failure = PortOpenFailure::None;
  fd_ = openComDevice(com, failure);
  if (fd_ < 0) {
    if (failure == PortOpenFailure::Missing) throw coreError("Invalid port number (COM%d)", com);
    std::string message = coreError("Can't open device COM%d", com).what();
    // Refused by the system: say how to get access, when joining a group would help.
    if (failure == PortOpenFailure::Denied)
      if (const QString remedy = accessRemedy(comDevicePath(com)); !remedy.isEmpty())
        message += "\n" + remedy.toStdString();
    throw EAfComPortCoreError(message);
  }
  try {
    // Reads return at once with what has arrived; VMIN/VTIME come with the line settings.
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) != 0)
      throw coreError("Error setting timeouts");

    // The kernel sizes its own queues; ours is the ring.
    if (params.inBufSize <= 0 || params.outBufSize <= 0) throw coreError("Error initializing buffers");
    try {
      ring_ = std::make_unique<TAfCircularBuffer>(params.outBufSize);
    } catch (const std::bad_alloc&) {
      throw coreError("Error initializing buffers");
    }

    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    eventWake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    writeWake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    unreadTimer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    unreadTimerArmed_ = false;
    seen_ = {};
    deviceLost_ = false;
    // The device and the unread-input timer go to whoever delivers their notifications.
    const int deviceWatch = OwnerWatches() ? (watch_ = ::epoll_create1(EPOLL_CLOEXEC)) : epoll_;
    // Edge-triggered: one event per arrival, not one per poll while bytes stay unread.
    epoll_event device{EPOLLIN | EPOLLET, {.u32 = kDeviceTag}};
    epoll_event wake{EPOLLIN, {.u32 = kWakeTag}};
    epoll_event unread{EPOLLIN, {.u32 = kUnreadTimerTag}};
    if (epoll_ < 0 || deviceWatch < 0 || eventWake_ < 0 || writeWake_ < 0 || unreadTimer_ < 0 ||
        ::epoll_ctl(deviceWatch, EPOLL_CTL_ADD, fd_, &device) != 0 ||
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, eventWake_, &wake) != 0 ||
        ::epoll_ctl(deviceWatch, EPOLL_CTL_ADD, unreadTimer_, &unread) != 0)
      throw coreError(" Error setting EventMask");

    LineSettings current;
    if (!ApplySettings(params.settings, current)) throw EAfComPortSettingsError();
    if (!params.settings.dtrHandshake) SetModemLine(TIOCM_DTR, params.settings.dtrEnable);
    if (!params.settings.rtsHandshake) SetModemLine(TIOCM_RTS, params.settings.rtsEnable);

    {
      std::lock_guard lock(inLock_);
      countersValid_ = false;
      countersKept_ = true;
      PollCountersLocked();
      countersKept_ = countersValid_;
      lineErrors_ = 0;
    }

    {
      std::lock_guard lock(outLock_);
      stopRequested_ = stopAcknowledged_ = writeStalled_ = false;
    }
    outputEmpty_ = false;
    writeThread_ = std::make_unique<TAfComPortWriteThread>(*this);
    if (!writeThread_->Start(params.writePriority, 3000)) throw coreError("Error creating threads");

    open_ = true;
    eventThread_ = std::make_unique<TAfComPortEventThread>(*this);
    if (!eventThread_->Start(params.eventPriority, 3000)) throw coreError("Error creating threads");
    if (OwnerWatches()) {
      if (!watchNotifier_) {
        watchNotifier_ = std::make_unique<QSocketNotifier>(QSocketNotifier::Read);
        QObject::connect(watchNotifier_.get(), &QSocketNotifier::activated, watchNotifier_.get(),
                         [this] { WatchReady(); });
      }
      watchNotifier_->setSocket(watch_);
      watchNotifier_->setEnabled(true);
    }
  } catch (...) {
    Close();
    throw;
  }
}

void TAfComPortCore::StopWriteThread() {
  if (!writeThread_) return;
  {
    std::lock_guard lock(outLock_);
    stopRequested_ = true;
    stopAcknowledged_ = false;
  }
  signalFd(writeWake_);
  {
    std::unique_lock lock(outLock_);
    stopAck_.wait_for(lock, std::chrono::milliseconds(kHandOverTimeoutMs),
                      [this] { return stopAcknowledged_; });
    if (ring_) ring_->Clear();  // unsent bytes are discarded by a close
  }
  if (fd_ >= 0) ::tcflush(fd_, TCOFLUSH);
  writeThread_->Terminate();
  writeThread_->WaitFor();
  writeThread_.reset();
}

void TAfComPortCore::Close() {
  if (fd_ < 0) return;
  open_ = false;
  if (watchNotifier_) watchNotifier_->setEnabled(false);
  {
    std::lock_guard lock(inLock_);
    ::tcflush(fd_, TCIOFLUSH);
  }
  StopWriteThread();
  if (eventThread_) {
    eventThread_->Terminate();
    eventThread_->WaitFor();
    eventThread_.reset();
  }
  {
    std::lock_guard lock(inLock_);
    ::tcflush(fd_, TCIFLUSH);
  }
  ::ioctl(fd_, TIOCNXCL);  // the exclusive flag outlives our fd otherwise
  closeFd(fd_);            // releases the lock too
  closeFd(epoll_);
  closeFd(eventWake_);
  closeFd(writeWake_);
  closeFd(unreadTimer_);
  closeFd(watch_);
  unreadTimerArmed_ = false;
  std::lock_guard lock(outLock_);
  ring_.reset();
}

bool TAfComPortCore::ApplySettings(const LineSettings& settings, LineSettings& current) {
  current = settings;
  Termios2 before;
  if (fd_ < 0 || !readTermios(fd_, before)) return false;
  Termios2 wanted;
  if (!settingsToTermios(settings, before, wanted)) {
    current = termiosToSettings(before, settings);
    return false;
  }
  Termios2 after;
  const bool written = writeTermios(fd_, wanted);
  if (!readTermios(fd_, after)) after = before;
  if (!written || !ratesMatch(static_cast<uint32_t>(settings.baudRate), termiosRate(after))) {
    current = termiosToSettings(after, settings);
    return false;
  }
  return true;
}

void TAfComPortCore::SetModemLine(int line, bool on) {
  if (fd_ < 0) return;
  // A pty has no modem lines (ENOTTY/EINVAL): nothing to do then.
  ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line);
}

bool TAfComPortCore::Write(const void* data, int count, int& free) {
  std::unique_lock lock(outLock_);
  free = (open_ && ring_) ? ring_->Free() : 0;
  if (!open_ || !ring_ || count < 0 || count > free) return false;
  if (count == 0) return true;
  if (ring_->Empty() && !writeStalled_ && !stopRequested_) {
    WriteDirect(static_cast<const uint8_t*>(data), count);
    return true;
  }
  ring_->Write(data, count);
  writeStalled_ = false;
  lock.unlock();
  signalFd(writeWake_);
  return true;
}

void TAfComPortCore::WriteDirect(const uint8_t* data, int count) {
  int done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(count - done));
    if (n > 0)
      done += static_cast<int>(n);
    else if (n < 0 && errno == EINTR)
      continue;
    else
      break;  // the device is full (the write thread waits for it) or gone (it keeps the data)
  }
  if (done == count) {
    SignalOutputEmpty();
    return;
  }
  ring_->Write(data + done, count - done);
  signalFd(writeWake_);
}

int TAfComPortCore::OutputFree() {
  std::lock_guard lock(outLock_);
  return (open_ && ring_) ? ring_->Free() : 0;
}

void TAfComPortCore::SignalOutputEmpty() {
  if (!params_.nonSyncHandler && !owner_->HandlesNotification(TAfCoreEvent::OutputFree, 0)) return;
  outputEmpty_ = true;
  signalFd(eventWake_);
}

unsigned TAfComPortCore::PollCountersLocked() {
  serial_icounter_struct c{};
  if (!countersKept_ || ::ioctl(fd_, TIOCGICOUNT, &c) != 0) return 0;  // a pty keeps no counters
  unsigned events = 0, errors = 0;
  if (countersValid_) {
    if (c.cts != counters_.cts) events |= evCts;
    if (c.dsr != counters_.dsr) events |= evDsr;
    if (c.rng != counters_.rng) events |= evRing;
    if (c.dcd != counters_.dcd) events |= evRlsd;
    if (c.frame != counters_.frame) errors |= leFrame;
    if (c.overrun != counters_.overrun) errors |= leOverrun;
    if (c.parity != counters_.parity) errors |= leParity;
    if (c.brk != counters_.brk) errors |= leBreak;
    if (c.buf_overrun != counters_.bufOverrun) errors |= leRxOver;
  }
  counters_ = {c.cts, c.dsr, c.rng, c.dcd, c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
  countersValid_ = true;
  lineErrors_ |= errors;
  if (errors) events |= evError;
  return events;
}

int TAfComPortCore::InputWaiting() {
  if (!open_) return 0;
  std::lock_guard lock(inLock_);
  const Counters modem = counters_;
  PollCountersLocked();
  // Modem line changes are the event thread's to report.
  counters_.cts = modem.cts;
  counters_.dsr = modem.dsr;
  counters_.rng = modem.rng;
  counters_.dcd = modem.dcd;
  int waiting = 0;
  if (::ioctl(fd_, FIONREAD, &waiting) != 0) return 0;
  return waiting;
}

int TAfComPortCore::Read(void* data, int count) {
  if (!open_ || count <= 0) return 0;
  std::lock_guard lock(inLock_);
  auto* dst = static_cast<uint8_t*>(data);
  int done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd_, dst + done, static_cast<size_t>(count - done));
    if (n > 0) {
      done += static_cast<int>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // nothing more waiting, or the line is gone
    }
  }
  return done;
}

void TAfComPortCore::PurgeInput() {
  if (!open_) return;
  std::lock_guard lock(inLock_);
  ::tcflush(fd_, TCIFLUSH);
}

unsigned TAfComPortCore::TakeLineErrors() {
  std::lock_guard lock(inLock_);
  return std::exchange(lineErrors_, 0u);
}

unsigned TAfComPortCore::LineErrors() {
  std::lock_guard lock(inLock_);
  return lineErrors_;
}
