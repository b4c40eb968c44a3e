#pragma once
// A pseudo-terminal whose slave side is linked as COM<n> in the sandbox's ports folder:
// the tool opens the slave through that entry, the test (or a slave it runs) works the master.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace pellix::test {

using Bytes = std::vector<uint8_t>;

class PtyLink {
 public:
  // Kept: the link holds the slave open (raw) between the tool's opens, so the master
  // never reads EIO meanwhile. LeftToThePort: only the port opens it, as with a device.
  enum class Slave { Kept, LeftToThePort };

  explicit PtyLink(int comNumber, Slave slave = Slave::Kept);
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  int comNumber() const { return com_; }
  int masterFd() const { return master_; }
  QString slavePath() const { return slavePath_; }

  void write(const Bytes& bytes);
  void send(const QByteArray& bytes);
  // Reads exactly n bytes, or what came before the timeout.
  Bytes read(std::size_t n, int timeoutMs = 2000);
  QByteArray receive(int count, int timeoutMs);
  // Everything that arrives within ms.
  Bytes readFor(int ms);
  // Closes the master: the tool's side sees a hang-up.
  void hangUp();

 private:
  int com_;
  int master_ = -1;
  int slaveKeeper_ = -1;
  QString slavePath_;
  QString link_;
};

}  // namespace pellix::test
