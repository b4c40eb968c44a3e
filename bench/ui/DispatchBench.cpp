// One channel block from the poll into its 10 boxes and both line captions. The
// poll delivers a block every few hundred milliseconds; the dispatch has to stay far
// below that to leave the event loop free.
#include "Main.h"
#include "PellixApplication.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

#include <array>
#include <memory>

namespace {

using Block = std::array<uint16_t, 100>;

TMainForm* form = nullptr;

// Two versions of the same block: every value moves, and one channel toggles between
// OK and a short circuit so the caption and its colour change on every dispatch.
Block MakeBlock(uint16_t start, bool fault) {
  Block b{};
  for (int k = 0; k < 10; ++k) {
    const int at = k * 10;
    b[at] = 0x28AA;                                              // DS18B20
    b[at + 3] = static_cast<uint16_t>(start / 10 + 1 + k);       // serial = channel number
    b[at + 4] = static_cast<uint16_t>(fault ? 215 : 216);        // 21.5 / 21.6 °C
    b[at + 9] = static_cast<uint16_t>(fault && k == 2 ? 2 : 0);  // short circuit or OK
  }
  return b;
}

void BM_DispatchChannelBlock(benchmark::State& state) {
  const auto start = static_cast<uint16_t>(state.range(0));
  const Block a = MakeBlock(start, false);
  const Block b = MakeBlock(start, true);
  bool flip = false;
  for (auto _ : state) {
    form->DispatchRegisterBlock(flip ? b : a, start);
    flip = !flip;
  }
}
BENCHMARK(BM_DispatchChannelBlock)->Arg(0)->Arg(300)->Unit(benchmark::kMicrosecond);

// The same with the repaint that follows in the event loop (offscreen raster).
void BM_DispatchChannelBlockAndPaint(benchmark::State& state) {
  const Block a = MakeBlock(0, false);
  const Block b = MakeBlock(0, true);
  bool flip = false;
  for (auto _ : state) {
    form->DispatchRegisterBlock(flip ? b : a, 0);
    QCoreApplication::processEvents();
    flip = !flip;
  }
}
BENCHMARK(BM_DispatchChannelBlockAndPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // Never touch the user's settings or screen.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  qputenv("PELLIX_PORTS_DIR", home.path().toUtf8());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  pellix::PellixApplication app(argc, argv);
  auto window = std::make_unique<TMainForm>();
  window->show();
  QCoreApplication::processEvents();
  form = window.get();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
