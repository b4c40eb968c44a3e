// One sample every period (at least 1 s): a row has to cost far less than that, and it
// goes to the system unbuffered, one write per row.
#include "FileRecorder.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

TDynamicLogArray Channels() {
  TDynamicLogArray records;
  for (int c = 1; c <= 40; ++c) {
    TChannelData r;
    r.ChannelNumber = static_cast<uint8_t>(c);
    // Half thermometers, half other devices, as on a mixed plant.
    r.RomCode = {static_cast<uint16_t>(c % 2 ? 0x2801 : 0x0101), 0, 0, static_cast<uint16_t>(c)};
    r.Values = {static_cast<uint16_t>(200 + c), 0, 0, 0, 0};
    records.push_back(r);
  }
  return records;
}

void BM_BuildSampleRow(benchmark::State& state) {
  const TDynamicLogArray records = Channels();
  const QDateTime when = QDateTime::currentDateTime();
  for (auto _ : state) benchmark::DoNotOptimize(pellix::LogSampleRow(when, records));
}
BENCHMARK(BM_BuildSampleRow)->Unit(benchmark::kMicrosecond);

void BM_WriteSampleRow(benchmark::State& state) {
  QTemporaryDir dir;
  TCSVFileRecorder log(dir.filePath(QStringLiteral("bench.csv")), false);
  const TDynamicLogArray records = Channels();
  const QDateTime when = QDateTime::currentDateTime();
  for (auto _ : state) log.WriteRow(pellix::LogSampleRow(when, records));
}
BENCHMARK(BM_WriteSampleRow)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
