// What the operator waits for after choosing an image of the largest size, and what a
// tick costs while a run goes on.
#include "ModbusFrames.h"
#include "uMain_Programmer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

// The transfer's port with a gateway that answers every write as a gateway does: the
// first six bytes of the request and their CRC.
class EchoPort final : public pellix::ProgrammerPort {
 public:
  bool IsOpen() override { return true; }
  int BytesWaiting() override { return pending_; }
  void ReadBytes(void* buffer, int count) override {
    std::memcpy(buffer, reply_ + (8 - pending_), static_cast<std::size_t>(count));
    pending_ -= count;
  }
  void WriteBytes(const void* buffer, int) override {
    std::memcpy(reply_, buffer, 6);
    const uint16_t crc = pellix::modbus::Crc16(reply_, 6);
    reply_[6] = static_cast<uint8_t>(crc & 0xFF);
    reply_[7] = static_cast<uint8_t>(crc >> 8);
    pending_ = 8;
  }
  void ClosePort() override {}

 private:
  uint8_t reply_[8] = {};
  int pending_ = 0;
};

QString writeImage(const QTemporaryDir& dir, int size, int variant) {
  const QString path = dir.filePath(QStringLiteral("image%1.bin").arg(variant));
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + variant);
  f.write(bytes);
  return path;
}

void BM_LoadLargestImageIntoTheWindow(benchmark::State& state) {
  QTemporaryDir dir;
  const QString files[] = {writeImage(dir, pellix::upgrade::FileBufSize, 1),
                           writeImage(dir, pellix::upgrade::FileBufSize, 2)};
  TForm_Programmer form;
  form.Timer1->stop();
  form.show();
  int n = 0;
  for (auto _ : state) {
    form.Transfer().LoadFile(files[n++ % 2]);  // another name each time: no reload question
    QApplication::processEvents();             // the memo lays out and paints
  }
  state.counters["dump_chars"] = static_cast<double>(form.Memo_FromFile->toPlainText().size());
}
BENCHMARK(BM_LoadLargestImageIntoTheWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_TickDuringProgramming(benchmark::State& state) {
  EchoPort port;
  QTimer timer;
  pellix::ProgrammerTransfer transfer(port, timer);
  transfer.FileLen = pellix::upgrade::FileBufSize;
  transfer.StepState = pellix::upgrade::StepProgramming;
  transfer.ReplyState = pellix::upgrade::ReplyValid;
  transfer.Busy = true;
  int blocks = 0;
  for (auto _ : state) {
    transfer.Timer1Timer();
    if (transfer.StepState == pellix::upgrade::StepProgramming) ++blocks;
    if (transfer.StepState != pellix::upgrade::StepProgramming) {
      transfer.StepState = pellix::upgrade::StepProgramming;
      transfer.BlockPos = transfer.ImageOffset = 0;
    }
  }
  state.counters["blocks"] = blocks;
}
BENCHMARK(BM_TickDuringProgramming)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
