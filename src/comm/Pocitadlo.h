#pragma once
// Message counters of a communicator: requests sent, good replies, errors, and
// whether the last request found its predecessor unanswered.
#include <cstdint>
#include <functional>

struct TPocitadloValues {
  int32_t Rx = 0;
  int32_t Tx = 0;
  int32_t Err = 0;
  bool Timeout = false;
};

class TPocitadlo {
 public:
  // No counter goes beyond this; one more increment clears everything instead.
  static constexpr int32_t Ceiling = 1000000;

  TPocitadlo() { Reset(); }

  void Reset();
  // A request that expects a reply went out.
  void RequestSent();
  // A complete reply was read and its CRC tested; ignored unless a request is pending.
  void ReplyReceived(bool ok);
  // Counts Err; does not notify by itself.
  void CountError();

  void GetValues(TPocitadloValues& values) const;
  TPocitadloValues Values() const {
    TPocitadloValues v;
    GetValues(v);
    return v;
  }
  bool IsTimeout() const { return Timeout; }

  // The master sets it after every transmission and clears it when it drops a short reply.
  bool IsPending() const { return Pending; }
  void SetPending(bool pending) { Pending = pending; }

  int32_t GetTx() const { return Tx; }
  int32_t GetRx() const { return Rx; }
  int32_t GetErr() const { return Err; }

  std::function<void(const TPocitadloValues&)> OnChange;

 private:
  void Count(int32_t& counter);
  void Notify();

  int32_t Tx = 0;
  int32_t Rx = 0;
  int32_t Err = 0;
  bool Pending = false;
  bool Timeout = false;
};
