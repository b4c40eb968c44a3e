#pragma once
// A pseudo-terminal pair for the engine's tests: the tool opens the slave through its
// COM<n> entry in the ports folder; the test (or a slave it runs) works the master.
#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

namespace pellix::test {

using Bytes = std::vector<uint8_t>;

class PtyLink {
 public:
  explicit PtyLink(int comNumber);
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  int comNumber() const { return com_; }
  int masterFd() const { return master_; }
  QString slavePath() const { return slavePath_; }

  void write(const Bytes& bytes);
  // Reads exactly n bytes, or what came before the timeout.
  Bytes read(std::size_t n, int timeoutMs = 2000);
  // Everything that arrives within ms.
  Bytes readFor(int ms);
  // Closes the master: the tool's side sees a hang-up.
  void hangUp();

 private:
  int com_;
  int master_ = -1;
  int slaveKeeper_ = -1;  // keeps the slave side alive between the tool's opens
  QString slavePath_;
  QString link_;
};

// Register values the test slaves serve: distinct for every address.
uint16_t modelRegister(uint16_t address);
// A function 3 reply of count registers from start, as a gateway sends it.
Bytes readReply(uint8_t slave, uint16_t start, int count = 100);
Bytes withCrc(Bytes frame);

}  // namespace pellix::test
