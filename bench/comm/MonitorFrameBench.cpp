// The traffic monitor's share of a frame: what the engine pays per frame while the monitor
// is open (the log copies the bytes and stamps the time), and what a row's texts cost when
// the view paints it.
#include "TrafficLog.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using pellix::monitor::TrafficLog;

const std::vector<uint8_t> Request = {1, 3, 0x03, 0xE8, 0, 100, 0xC4, 0x51};
const std::vector<uint8_t> Reply(205, 0x11);

void BM_LogTakesARequestAndItsReply(benchmark::State& state) {
  TrafficLog log;
  int refreshes = 0;
  log.OnAppended = [&] { ++refreshes; };
  for (auto _ : state) {
    log.FrameSent(Request);
    log.FrameReceived(Reply);
  }
  benchmark::DoNotOptimize(refreshes);
  state.SetItemsProcessed(2 * state.iterations());  // frames
}
BENCHMARK(BM_LogTakesARequestAndItsReply);

void BM_RowTextsOfAReply(benchmark::State& state) {
  TrafficLog log;
  log.FrameSent(Request);
  log.FrameReceived(Reply);
  for (auto _ : state) benchmark::DoNotOptimize(FormatRow(log.At(1), log.Before(1)));
}
BENCHMARK(BM_RowTextsOfAReply);

}  // namespace

BENCHMARK_MAIN();
