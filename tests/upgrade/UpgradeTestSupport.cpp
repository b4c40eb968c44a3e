#include "UpgradeTestSupport.h"

#include "AfComPort.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace pellix::test {

Bytes makeImage(std::size_t size) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>((i * 7 + i / 256 * 13 + 3) & 0xFF);
  return b;
}

Bytes paddedImage(const Bytes& image) {
  Bytes padded = image;
  padded.resize((image.size() / 192 + 1) * 192, 0xFF);
  return padded;
}

QString writeImageFile(const QString& name, const Bytes& bytes) {
  const QString path = QDir(sandboxDir()).filePath(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  return path;
}

void GatewayPort::ReadBytes(void* buffer, int count) {
  if (failRead) {
    failRead = false;
    throw EAfComPortReadError("Read data error - AfComPort1 ");
  }
  ASSERT_LE(static_cast<std::size_t>(count), input.size());
  std::memcpy(buffer, input.data(), static_cast<std::size_t>(count));
  input.erase(input.begin(), input.begin() + count);
}

void GatewayPort::WriteBytes(const void* buffer, int count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  gwsim::Frame request(p, p + count);
  requests.push_back(request);
  if (loseRequests > 0) {
    --loseRequests;
    return;
  }
  const bool restart = count == 8 && p[1] == 0x06 && p[4] == 0x11 && p[5] == 0xAA;
  const auto reply = gwsim::handleRequest(request, slave, model);
  if (restart && echoRestart) input.insert(input.end(), request.begin(), request.end());
  if (reply) input.insert(input.end(), reply->begin(), reply->end());
}

std::vector<int> GatewayPort::blockOffsets() const {
  std::vector<int> offsets;
  for (const auto& r : requests)
    if (r.size() == 203 && r[1] == 0x10 && r[2] == 0x05 && r[3] == 0x5F) offsets.push_back(r[7] << 8 | r[8]);
  return offsets;
}

int GatewayPort::eraseRequestsSent() const {
  return static_cast<int>(std::count_if(requests.begin(), requests.end(), [](const gwsim::Frame& r) {
    return r.size() == 11 && r[1] == 0x10 && r[2] == 0x05 && r[3] == 0x60;
  }));
}

TransferRig::TransferRig() {
  transfer.Clock = [this] { return clockMs; };
  port.model.config().restartSilenceMs = 2000;
  port.model.config().firmwareAfterUpgrade = 110;
  transfer.PortOpened();
}

void TransferRig::tick() {
  port.model.advanceTo(port.model.now() + timer.interval());
  clockMs += timer.interval();
  transfer.Timer1Timer();
}

void TransferRig::load(const Bytes& image, const QString& name) {
  transfer.LoadFile(writeImageFile(name, image));
}

void TransferRig::startRun() {
  scriptedPrompts().expect(PromptKind::Confirmation, true);
  transfer.Button_DelProgMemClick(true);
}

int TransferRig::runToEnd(int maxTicks) {
  for (int i = 1; i <= maxTicks; ++i) {
    tick();
    if (!transfer.Busy) return i;
  }
  return -1;
}

}  // namespace pellix::test
