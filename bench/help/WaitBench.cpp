// Real time is the wait itself; CPU time is what the wait burns meanwhile.
#include "Wait.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QTimer>

static void BM_WaitIdle(benchmark::State& state) {
  const int ms = static_cast<int>(state.range(0));
  for (auto _ : state) WaitWithMessages(ms);
}
BENCHMARK(BM_WaitIdle)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 10 ms timer running meanwhile, as the port's and the UI's timers do during an import.
static void BM_WaitWithTimer(benchmark::State& state) {
  QTimer busy;
  int ticks = 0;
  QObject::connect(&busy, &QTimer::timeout, [&] { ++ticks; });
  busy.start(10);
  for (auto _ : state) WaitWithMessages(100);
  state.counters["ticks"] = ticks;
}
BENCHMARK(BM_WaitWithTimer)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
