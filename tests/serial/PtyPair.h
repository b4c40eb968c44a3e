#pragma once
// A pseudo-terminal whose slave side is linked as COM<n> in the sandbox's ports
// folder: the port opens the slave, the test plays the far side on the master.
#include <QByteArray>
#include <QString>

namespace pellix::test {

class PtyPair {
 public:
  explicit PtyPair(int comNumber);
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int comNumber() const { return FComNumber; }
  int masterFd() const { return FMaster; }
  QString slavePath() const { return FSlavePath; }

  void send(const QByteArray& bytes);
  // Reads at most `count` bytes from the master, waiting until they came or timeoutMs passed.
  QByteArray receive(int count, int timeoutMs);
  // Closes the master: the port's side hangs up.
  void hangUp();

 private:
  int FComNumber;
  int FMaster = -1;
  QString FSlavePath;
  QString FLink;
};

}  // namespace pellix::test
