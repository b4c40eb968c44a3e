// The firmware upgrade from image loading to the gateway's restart, against a gateway
// whose link the input spoils: each request is carried out and answered, lost, answered
// with a damaged or padded reply, or drowned in junk; between ticks the operator
// cancels, starts again, or the port fails. Every request must be a well-formed frame
// for the part of the image it claims, and a run reported complete must have left
// exactly the image in the gateway.
//
// Input: image size (2 bytes) and pattern (1 byte); then a byte per tick (below 0xF8: a
// tick; above: an operator action or a port failure) and a byte per request sent.
#include "AfComPort.h"
#include "FuzzCheck.h"
#include "GatewayModel.h"
#include "ModbusFrames.h"
#include "ProgrammerTransfer.h"
#include "Prompts.h"
#include "RtuServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

using namespace pellix;
using gwsim::Frame;
using gwsim::GatewayModel;

// Every question answered Yes; the last message kept.
class YesPrompts final : public Prompts {
 public:
  QString last;
  void information(const QString& text, const QString&) override { last = text; }
  void error(const QString& text, const QString&) override { last = text; }
  bool warning(const QString& text, const QString&) override { return (last = text), true; }
  void warningOk(const QString& text, const QString&) override { last = text; }
  bool confirmation(const QString& text, ConfirmButtons, const QString&) override {
    return (last = text), true;
  }
  bool inputQuery(const QString&, const QString&, QString&, const CharacterRule&) override { return false; }
  bool maskInputQuery(const QString&, const QString&, QString&) override { return false; }
  bool openFile(const FileDialogSpec&, QString&) override { return false; }
  bool saveFile(const FileDialogSpec&, QString&) override { return false; }
};

class SpoiltLink final : public ProgrammerPort {
 public:
  SpoiltLink(fuzz::InputReader& input, const ProgrammerTransfer*& transfer)
      : in_(input), transfer_(transfer) {}

  GatewayModel model;
  bool open = true;
  bool failRead = false;
  bool forged = false;  // a request was answered by junk that looks like a reply
  std::vector<std::uint8_t> waiting;

  bool IsOpen() override { return open; }
  int BytesWaiting() override { return open ? static_cast<int>(waiting.size()) : 0; }
  void ReadBytes(void* buffer, int count) override {
    if (failRead) {
      failRead = false;
      throw EAfComPortReadError("Read data error - AfComPort1 ");
    }
    FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) <= waiting.size());
    std::memcpy(buffer, waiting.data(), static_cast<std::size_t>(count));
    waiting.erase(waiting.begin(), waiting.begin() + count);
  }
  void WriteBytes(const void* buffer, int count) override {
    FUZZ_CHECK(open);
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    const Frame request(p, p + count);
    checkRequest(request);
    switch (in_.byte() % 8) {
      case 3:  // lost on the way
        return;
      case 4:  // carried out, the reply lost
        (void)gwsim::handleRequest(request, 1, model);
        return;
      case 5: {  // the reply damaged
        auto reply = gwsim::handleRequest(request, 1, model);
        if (!reply) return;
        const std::uint8_t at = in_.byte();
        (*reply)[at % reply->size()] ^= static_cast<std::uint8_t>(in_.byte() | 1);
        append(*reply);
        return;
      }
      case 6: {  // junk before or after the reply
        const auto reply = gwsim::handleRequest(request, 1, model);
        const std::uint8_t junk = in_.byte();
        const auto bytes = in_.bytes(junk % 8 + 1);
        if (junk & 0x80) waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        if (reply) append(*reply);
        if (!(junk & 0x80)) waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        return;
      }
      case 7: {  // nothing but junk
        const auto bytes = in_.bytes(in_.byte() % 64);
        waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        // Junk that ends in its own CRC (FF FF does) passes for a reply: no receiver can
        // tell it from one, so the request it stands for may be missing in the gateway.
        forged = forged || modbus::CheckCrc(bytes);
        return;
      }
      default:
        if (const auto reply = gwsim::handleRequest(request, 1, model)) append(*reply);
    }
  }
  void ClosePort() override { open = false; }

 private:
  void append(const Frame& reply) { waiting.insert(waiting.end(), reply.begin(), reply.end()); }

  // A request is one of the four frames, and a block carries the image where it says.
  void checkRequest(const Frame& r) const {
    const ProgrammerTransfer& t = *transfer_;
    FUZZ_CHECK(gwsim::crcOk(r) && r[0] == t.SlaveAddr);
    const auto same = [&r](const TCommFrame& f) {
      return std::equal(r.begin(), r.end(), f.bytes().begin(), f.bytes().end());
    };
    if (r.size() == 203) {
      FUZZ_CHECK(t.BlockPos >= 0 && t.BlockPos == t.ImageOffset && t.BlockPos <= t.FileLen);
      FUZZ_CHECK(same(upgrade::BuildProgramBlock(t.SlaveAddr, t.FileBuf, t.BlockPos, t.ImageOffset)));
      for (int i = 0; i < RegisterMap::FirmwareBlockBytes; ++i) {
        const int at = t.BlockPos + i;
        FUZZ_CHECK(r[9 + i] == (at < t.FileLen ? t.FileBuf[at] : 0xFF));
      }
    } else if (r.size() == 11) {
      FUZZ_CHECK(t.EraseSector >= 32 && t.EraseSector <= 62 &&
                 same(upgrade::BuildEraseRequest(t.SlaveAddr, t.EraseSector)));
    } else {
      FUZZ_CHECK(same(upgrade::BuildVersionPoll(t.SlaveAddr)) || same(upgrade::BuildRestart(t.SlaveAddr)));
    }
  }

  fuzz::InputReader& in_;
  const ProgrammerTransfer*& transfer_;
};

std::vector<std::uint8_t> makeImage(fuzz::InputReader& in) {
  const std::uint16_t code = in.word();
  const std::uint8_t pattern = in.byte();
  // Mostly small images; now and then the edges of what a file may hold.
  static constexpr int kEdges[] = {0, 1, 191, 192, 193, 384, upgrade::FileBufSize, upgrade::FileBufSize + 1};
  const int size = code >= 0xFF00 ? kEdges[code % std::size(kEdges)] : code % 800;
  std::vector<std::uint8_t> image(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i)
    image[i] = static_cast<std::uint8_t>(i * pattern + (i >> 8) + (pattern >> 4));
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir folder;
  static YesPrompts* prompts = [] {
    auto p = std::make_unique<YesPrompts>();
    YesPrompts* raw = p.get();
    installPrompts(std::move(p));
    return raw;
  }();
  fuzz::InputReader in(data, size);

  const std::vector<std::uint8_t> image = makeImage(in);
  const QString fileName = folder.filePath(QStringLiteral("image.bin"));
  {
    QFile f(fileName);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
  }

  const ProgrammerTransfer* view = nullptr;
  SpoiltLink port(in, view);
  port.model.config().restartSilenceMs = 1000;
  QTimer timer;
  ProgrammerTransfer transfer(port, timer);
  view = &transfer;
  qint64 clock = 1'000'000;
  transfer.Clock = [&clock] { return clock; };

  transfer.LoadFile(fileName);
  const bool loaded = image.size() >= 1 && image.size() <= static_cast<std::size_t>(upgrade::FileBufSize);
  FUZZ_CHECK(transfer.FileLen == (loaded ? static_cast<int>(image.size()) : 0));
  FUZZ_CHECK(std::equal(image.begin(), image.begin() + transfer.FileLen, transfer.FileBuf.begin()));
  // The rest reads as 0xFF, as far as a block can reach.
  const auto tail = transfer.FileBuf.begin() + transfer.FileLen;
  FUZZ_CHECK(std::all_of(
      tail, tail + std::min<std::ptrdiff_t>(RegisterMap::FirmwareBlockBytes, transfer.FileBuf.end() - tail),
      [](std::uint8_t b) { return b == 0xFF; }));
  transfer.PortOpened();
  transfer.Button_DelProgMemClick(true);

  bool completed = false;
  // Once the input is used up, a run that is still going gets the ticks to finish.
  const int enough = 4 * (transfer.FileLen / RegisterMap::FirmwareBlockBytes + 100);
  for (int tick = 0; tick < enough; ++tick) {
    if (in.empty() && transfer.StepState == upgrade::StepIdle && !transfer.RestartSent) break;
    switch (in.byte()) {
      case 0xFF:
        transfer.Button_AbortClick();
        break;
      case 0xFE:
        completed = false;
        transfer.Button_DelProgMemClick(port.open);
        break;
      case 0xFD:
        port.failRead = true;
        break;
      case 0xFC:
        if (!port.open) {
          port.open = true;
          port.waiting.clear();
          transfer.PortOpened();
        }
        break;
      default:
        break;
    }
    clock += timer.interval();
    port.model.advanceTo(clock - 1'000'000);
    prompts->last.clear();
    transfer.Timer1Timer();
    FUZZ_CHECK(transfer.RxCount == 0);
    FUZZ_CHECK(transfer.BlockPos >= 0 && transfer.BlockPos == transfer.ImageOffset);
    FUZZ_CHECK(transfer.EraseSector >= 32 && transfer.EraseSector <= 63);
    if (prompts->last.startsWith(QStringLiteral("Firmware update completed."))) completed = true;
    if (!port.open && in.empty()) break;  // nobody plugs it in again
  }
  if (completed && !port.forged) {
    // What the gateway holds is the image, padded with 0xFF to the end of its last block.
    const std::vector<std::uint8_t> held = port.model.image();
    FUZZ_CHECK(held.size() >= image.size());
    FUZZ_CHECK(std::equal(image.begin(), image.end(), held.begin()));
    FUZZ_CHECK(std::all_of(held.begin() + static_cast<std::ptrdiff_t>(image.size()), held.end(),
                           [](std::uint8_t b) { return b == 0xFF; }));
    FUZZ_CHECK(port.model.programFaults() == 0);
  }
  return 0;
}
