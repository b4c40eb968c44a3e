// The message counters: timeouts recognised at the next request, and the ceiling rule.
#include "Pocitadlo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int32_t C = TPocitadlo::Ceiling;

// What the master does around the counters: S = a read goes out (counted, then pending),
// W = a write goes out (pending cleared), G / B = a good / bad complete reply,
// E = CountError, R = Reset.
void run(TPocitadlo& p, const std::string& ops) {
  for (char op : ops) switch (op) {
      case 'S':
        p.RequestSent();
        p.SetPending(true);
        break;
      case 'W':
        p.SetPending(false);
        break;
      case 'G':
        p.ReplyReceived(true);
        break;
      case 'B':
        p.ReplyReceived(false);
        break;
      case 'E':
        p.CountError();
        break;
      case 'R':
        p.Reset();
        break;
    }
}

void fillTx(TPocitadlo& p) {
  while (p.GetTx() < C) run(p, "SG");
}
void fillRx(TPocitadlo& p) {
  for (int i = 0; i < C; ++i) {
    p.SetPending(true);
    p.ReplyReceived(true);
  }
}
void fillErr(TPocitadlo& p) {
  for (int i = 0; i < C; ++i) p.CountError();
}

struct CounterCase {
  const char* name;
  std::function<void(TPocitadlo&)> prepare;  // runs before the handler is installed
  std::string ops;
  TPocitadloValues expected;
  bool pending;
  int notifications;
};

void PrintTo(const CounterCase& c, std::ostream* os) { *os << c.name; }

class Counters : public ::testing::TestWithParam<CounterCase> {};

TEST_P(Counters, EndInTheExpectedState) {
  const auto& c = GetParam();
  TPocitadlo p;
  if (c.prepare) c.prepare(p);
  std::vector<TPocitadloValues> seen;
  p.OnChange = [&](const TPocitadloValues& v) { seen.push_back(v); };
  run(p, c.ops);
  const TPocitadloValues v = p.Values();
  EXPECT_EQ(v.Rx, c.expected.Rx);
  EXPECT_EQ(v.Tx, c.expected.Tx);
  EXPECT_EQ(v.Err, c.expected.Err);
  EXPECT_EQ(v.Timeout, c.expected.Timeout);
  EXPECT_EQ(p.IsTimeout(), c.expected.Timeout);
  EXPECT_EQ(p.IsPending(), c.pending);
  ASSERT_EQ(static_cast<int>(seen.size()), c.notifications);
  if (!seen.empty()) {
    // The last notification shows the state as it is now.
    EXPECT_EQ(seen.back().Rx, v.Rx);
    EXPECT_EQ(seen.back().Tx, v.Tx);
    EXPECT_EQ(seen.back().Err, v.Err);
    EXPECT_EQ(seen.back().Timeout, v.Timeout);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, Counters,
    ::testing::Values(
        CounterCase{"TwoRequestsWithoutReply", nullptr, "SS", {0, 2, 1, true}, true, 2},
        CounterCase{"GoodReplyAfterTimeout", nullptr, "SSG", {1, 2, 1, false}, false, 3},
        CounterCase{"BadReplyToPendingRequest", nullptr, "SB", {0, 1, 1, false}, false, 2},
        CounterCase{"BadReplyAfterTimeout", nullptr, "SSB", {0, 2, 2, false}, false, 3},
        CounterCase{"ReplyWithNothingPending", nullptr, "G", {0, 0, 0, false}, false, 0},
        CounterCase{"SecondReplyToOneRequest", nullptr, "SGG", {1, 1, 0, false}, false, 2},
        CounterCase{"WriteCancelsPendingRead", nullptr, "SWS", {0, 2, 0, false}, true, 2},
        // A timeout stays flagged until a request goes out with nothing pending.
        CounterCase{"TimeoutClearedByRequestAfterWrite", nullptr, "SSWS", {0, 3, 1, false}, true, 3},
        CounterCase{"EachSilentRequestCountedOnce", nullptr, "SSSS", {0, 4, 3, true}, true, 4},
        CounterCase{"CountErrorDoesNotNotify", nullptr, "EE", {0, 0, 2, false}, false, 0},
        CounterCase{"TxReachesTheCeiling", [](TPocitadlo& p) { fillTx(p); }, "", {C, C, 0, false}, false, 0},
        CounterCase{"TxBeyondCeilingClearsAllEvenWhenPending",
                    [](TPocitadlo& p) {
                      fillTx(p);
                      p.SetPending(true);
                    },
                    "S",
                    {0, 0, 0, false},
                    true,
                    1},
        CounterCase{
            "RxBeyondCeilingClearsAll", [](TPocitadlo& p) { fillRx(p); }, "SG", {0, 0, 0, false}, false, 2},
        CounterCase{
            "ErrBeyondCeilingClearsAll", [](TPocitadlo& p) { fillErr(p); }, "SB", {0, 0, 0, false}, false, 2},
        // The timeout found at the ceiling is wiped with the counters it would have raised.
        CounterCase{"TimeoutAtErrCeilingClearsAll",
                    [](TPocitadlo& p) {
                      fillErr(p);
                      p.SetPending(true);
                    },
                    "S",
                    {0, 0, 0, false},
                    true,
                    1},
        CounterCase{"CountErrorAtCeilingClearsAll",
                    [](TPocitadlo& p) { fillErr(p); },
                    "E",
                    {0, 0, 0, false},
                    false,
                    0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Counters, NoCounterEverExceedsTheCeiling) {
  TPocitadlo p;
  int32_t highest = 0;
  p.OnChange = [&](const TPocitadloValues& v) { highest = std::max({highest, v.Rx, v.Tx, v.Err}); };
  for (int i = 0; i < C + 10; ++i) run(p, "SG");
  EXPECT_EQ(highest, C);
  EXPECT_LE(p.GetTx(), C);
}

TEST(Counters, ResetClearsFlagsAndCountersSilently) {
  TPocitadlo p;
  run(p, "SSS");
  ASSERT_TRUE(p.IsTimeout());
  int notifications = 0;
  p.OnChange = [&](const TPocitadloValues&) { ++notifications; };
  p.Reset();
  EXPECT_EQ(notifications, 0);
  EXPECT_FALSE(p.IsTimeout());
  EXPECT_FALSE(p.IsPending());
  EXPECT_EQ(p.GetTx() + p.GetRx() + p.GetErr(), 0);
}

}  // namespace
