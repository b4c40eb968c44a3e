// Throughput of the table-driven CRC-16/MODBUS, checked against the bitwise one on the
// same megabyte first.
#include "ModbusFrames.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

const std::vector<uint8_t>& megabyte() {
  static const std::vector<uint8_t> data = [] {
    std::vector<uint8_t> d(1 << 20);
    std::mt19937 rng(12345);
    for (auto& b : d) b = static_cast<uint8_t>(rng());
    return d;
  }();
  return data;
}

void BM_Crc16Table(benchmark::State& state) {
  const auto& d = megabyte();
  const uint16_t reference = pellix::modbus::Crc16Bitwise(d.data(), d.size());
  if (pellix::modbus::Crc16(d.data(), d.size()) != reference) {
    state.SkipWithError("table CRC differs from the bitwise reference");
    return;
  }
  state.counters["equal_to_bitwise"] = 1;
  for (auto _ : state) benchmark::DoNotOptimize(pellix::modbus::Crc16(d.data(), d.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(d.size()));
}
BENCHMARK(BM_Crc16Table)->Unit(benchmark::kMicrosecond);

void BM_Crc16Bitwise(benchmark::State& state) {
  const auto& d = megabyte();
  for (auto _ : state) benchmark::DoNotOptimize(pellix::modbus::Crc16Bitwise(d.data(), d.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(d.size()));
}
BENCHMARK(BM_Crc16Bitwise)->Unit(benchmark::kMicrosecond);

// One reply's worth: what the master checks per poll.
void BM_Crc16Reply(benchmark::State& state) {
  const auto& d = megabyte();
  for (auto _ : state) benchmark::DoNotOptimize(pellix::modbus::Crc16(d.data(), 203));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 203);
}
BENCHMARK(BM_Crc16Reply);

}  // namespace

BENCHMARK_MAIN();
