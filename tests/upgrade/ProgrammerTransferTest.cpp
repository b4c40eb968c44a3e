// The transfer tick by tick against the simulator's gateway model.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pellix;
using namespace pellix::test;
using namespace pellix::upgrade;

namespace {

class TransferTest : public ::testing::Test {
 protected:
  TransferRig rig;
  ProgrammerTransfer& t = rig.transfer;
  const ProgrammerDisplay& d = rig.transfer.Display();
};

TEST_F(TransferTest, IdleTicksPollTheVersionEvery500Ms) {
  rig.tick();
  ASSERT_EQ(rig.port.requests.size(), 1u);
  const TCommFrame poll = BuildVersionPoll(1);
  EXPECT_EQ(rig.port.requests[0], gwsim::Frame(poll.bytes().begin(), poll.bytes().end()));
  EXPECT_EQ(rig.timer.interval(), IdleIntervalMs);
  EXPECT_EQ(t.ReplyState, ReplyPending);
  rig.tick();
  EXPECT_EQ(t.ReplyState, ReplyPending);
  EXPECT_EQ(d.LinkState, LinkOk);
  EXPECT_EQ(d.VersionText, QStringLiteral("Gateway FW version: V1.09"));
}

TEST_F(TransferTest, RunOf384BytesErases31SectorsThenSendsThreeBlocks) {
  scriptedPrompts().setAutoAcknowledge(true);
  const Bytes image = makeImage(384);
  rig.load(image);
  rig.tick();  // the version poll that the run's first step waits for
  rig.startRun();
  EXPECT_TRUE(t.Busy);
  EXPECT_EQ(d.ProgressMaximum, 35);
  EXPECT_TRUE(d.ProgressVisible);
  EXPECT_TRUE(d.CancelEnabled);
  EXPECT_FALSE(d.OpenFileEnabled);
  EXPECT_EQ(d.ProgressText, QStringLiteral("Clearing memory..."));
  EXPECT_EQ(rig.timer.interval(), StepIntervalMs);

  for (int i = 0; i < 31; ++i) rig.tick();
  EXPECT_EQ(rig.port.eraseRequestsSent(), 31);
  EXPECT_EQ(t.StepState, StepErased);
  EXPECT_EQ(d.ProgressPosition, 32);
  EXPECT_EQ(d.ProgressText, QStringLiteral("Memory erased. (9 s)"));  // 31 ticks of 300 ms
  EXPECT_EQ(rig.port.model.erasedSectors().size(), 31u);

  rig.tick();
  EXPECT_EQ(d.ProgressText, QStringLiteral("Loading program \"image.bin\"..."));
  for (int i = 0; i < 3; ++i) rig.tick();
  EXPECT_EQ(rig.port.blockOffsets(), (std::vector<int>{0, 192, 384}));
  EXPECT_EQ(t.StepState, StepRestart);
  EXPECT_EQ(d.ProgressPosition, 35);
  EXPECT_FALSE(d.CancelEnabled);
  EXPECT_FALSE(d.OpenFileEnabled) << "the last block may still have to go again";
  EXPECT_TRUE(d.ProgressText.startsWith(QStringLiteral("Memory programming done. (")));

  rig.tick();
  EXPECT_EQ(d.ProgressText, QStringLiteral("Rebooting..."));
  EXPECT_TRUE(d.OpenFileEnabled);
  EXPECT_TRUE(t.RestartSent);
  EXPECT_GT(rig.runToEnd(), 4) << "the gateway is silent for 2 s after the restart";
  EXPECT_EQ(d.VersionText, QStringLiteral("Gateway FW version: V1.10"));
  EXPECT_TRUE(d.ProgressText.startsWith(QStringLiteral("Firmware update completed. (")));
  EXPECT_EQ(
      scriptedPrompts().texts(PromptKind::Information),
      std::vector<QString>{QStringLiteral("Firmware update completed. Actual firmware version is V1.10.")});
  EXPECT_EQ(rig.port.model.image(), paddedImage(image));
  EXPECT_EQ(rig.port.model.programFaults(), 0);
  EXPECT_TRUE(rig.timer.isActive()) << "started again after the message";
}

TEST_F(TransferTest, ImageOf400BytesGivesThreeBlocksTheLastMostlyFF) {
  scriptedPrompts().setAutoAcknowledge(true);
  const Bytes image = makeImage(400);
  rig.load(image);
  rig.startRun();
  ASSERT_GT(rig.runToEnd(), 0);
  EXPECT_EQ(rig.port.blockOffsets(), (std::vector<int>{0, 192, 384}));
  EXPECT_EQ(rig.port.model.image(), paddedImage(image));
}

TEST_F(TransferTest, UnansweredBlockIsSentAgainAfterTheNextReply) {
  scriptedPrompts().setAutoAcknowledge(true);
  const Bytes image = makeImage(1000);
  rig.load(image);
  rig.startRun();
  while (rig.port.blockOffsets().size() < 3) rig.tick();  // blocks 0, 192, 384 out
  rig.port.loseRequests = 1;                              // ... and the next one is lost
  rig.tick();
  EXPECT_EQ(rig.port.blockOffsets().back(), 576);
  rig.tick();  // unanswered: version poll, one block back
  EXPECT_EQ(d.LinkState, LinkTimeout);
  EXPECT_EQ(rig.timer.interval(), IdleIntervalMs);
  EXPECT_EQ(t.BlockPos, 576);
  rig.tick();  // the poll answered: the lost block again
  EXPECT_EQ(rig.port.blockOffsets().back(), 576);
  EXPECT_EQ(rig.timer.interval(), StepIntervalMs);
  ASSERT_GT(rig.runToEnd(), 0);
  EXPECT_EQ(rig.port.model.image(), paddedImage(image));
}

TEST_F(TransferTest, SteppingBackStopsAtTheFirstBlock) {
  scriptedPrompts().setAutoAcknowledge(true);
  const Bytes image = makeImage(1000);
  rig.load(image);
  rig.startRun();
  while (rig.port.blockOffsets().empty()) rig.tick();
  rig.port.loseRequests = 4;  // the first block's reply and three polls
  for (int i = 0; i < 4; ++i) rig.tick();
  EXPECT_EQ(t.BlockPos, 0);
  EXPECT_EQ(t.ImageOffset, 0);
  ASSERT_GT(rig.runToEnd(), 0);
  for (int offset : rig.port.blockOffsets()) EXPECT_LE(offset, 1000) << "no offset below 0 sent as 65344";
  EXPECT_EQ(rig.port.model.image(), paddedImage(image));
}

TEST_F(TransferTest, SteppingBackStopsAtTheFirstSector) {
  scriptedPrompts().setAutoAcknowledge(true);
  rig.load(makeImage(300));
  rig.startRun();
  rig.tick();  // sector 32
  rig.port.loseRequests = 3;
  for (int i = 0; i < 3; ++i) rig.tick();
  EXPECT_EQ(t.EraseSector, 32);
  while (t.StepState != StepProgramming) rig.tick();
  for (const auto& r : rig.port.requests)
    if (r.size() == 11) {
      EXPECT_GE(r[8], 32);
      EXPECT_LE(r[8], 62);
    }
  EXPECT_EQ(rig.port.model.erasedSectors().size(), 31u);
}

// Sent again from the image the run started with: no other one loads before the restart.
TEST_F(TransferTest, LostLastBlockIsSentAgainBeforeTheRestart) {
  scriptedPrompts().setAutoAcknowledge(true);
  const Bytes image = makeImage(400);  // the last block carries 16 image bytes
  rig.load(image);
  rig.startRun();
  while (rig.port.blockOffsets().size() < 2) rig.tick();
  rig.port.loseRequests = 1;
  rig.tick();  // the last block, lost
  EXPECT_EQ(t.StepState, StepRestart);
  rig.load(Bytes(1000, 0x00), QStringLiteral("other.bin"));
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            std::vector<QString>{QStringLiteral("The device memory is being programmed. Load a file when the "
                                                "run has ended or has been cancelled.")});
  EXPECT_EQ(t.FileLen, 400);
  rig.tick();  // unanswered
  EXPECT_EQ(t.StepState, StepProgramming);
  EXPECT_TRUE(d.CancelEnabled);
  ASSERT_GT(rig.runToEnd(), 0);
  EXPECT_EQ(rig.port.blockOffsets(), (std::vector<int>{0, 192, 384, 384}));
  EXPECT_EQ(rig.port.model.image(), paddedImage(image));
}

TEST_F(TransferTest, LostLastEraseIsSentAgain) {
  scriptedPrompts().setAutoAcknowledge(true);
  rig.load(makeImage(100));
  rig.startRun();
  for (int i = 0; i < 30; ++i) rig.tick();
  rig.port.loseRequests = 1;
  rig.tick();  // sector 62, lost
  EXPECT_EQ(rig.port.model.erasedSectors().count(62), 0u);
  while (t.StepState != StepProgramming) rig.tick();
  EXPECT_EQ(rig.port.model.erasedSectors().count(62), 1u);
}

TEST_F(TransferTest, EchoOfTheRestartIsNoVersionReply) {
  scriptedPrompts().setAutoAcknowledge(true);
  rig.port.echoRestart = true;
  rig.load(makeImage(200));
  rig.startRun();
  while (!t.RestartSent) rig.tick();
  rig.tick();  // the echo arrives
  EXPECT_TRUE(t.Busy) << "an echo does not complete the upgrade";
  EXPECT_TRUE(scriptedPrompts().texts(PromptKind::Information).empty());
  ASSERT_GT(rig.runToEnd(), 0);
  EXPECT_EQ(
      scriptedPrompts().texts(PromptKind::Information),
      std::vector<QString>{QStringLiteral("Firmware update completed. Actual firmware version is V1.10.")});
  EXPECT_EQ(d.VersionText, QStringLiteral("Gateway FW version: V1.10"));
}

TEST_F(TransferTest, LateReplyMixedWithTheNextCountsAsUnanswered) {
  rig.tick();
  rig.port.input.insert(rig.port.input.begin(), {0x01, 0x10, 0x05});  // the tail of a late reply
  rig.tick();
  EXPECT_EQ(d.LinkState, LinkTimeout);
  EXPECT_EQ(t.ErrorCount, 1);
}

TEST_F(TransferTest, MoreThan250BytesAreNeverAReply) {
  rig.tick();
  // A good reply followed by more bytes than the buffer holds, ending in a good reply again.
  rig.port.input.insert(rig.port.input.begin(), 10, 0x00);
  rig.tick();
  EXPECT_EQ(d.LinkState, LinkTimeout);
}

TEST_F(TransferTest, ErrorCountStopsAt15) {
  rig.port.loseRequests = 100;
  for (int i = 0; i < 20; ++i) rig.tick();
  EXPECT_EQ(t.ErrorCount, MaxErrorCount);
}

TEST_F(TransferTest, PortClosedShowsDisconnected) {
  rig.port.open = false;
  rig.tick();
  EXPECT_FALSE(d.Connected);
  EXPECT_EQ(d.LinkState, LinkDisconnected);
  EXPECT_TRUE(rig.port.requests.empty());
}

TEST_F(TransferTest, ReadErrorClosesThePortAndShowsTheLostLink) {
  rig.tick();
  rig.port.failRead = true;
  rig.tick();
  EXPECT_FALSE(rig.port.open);
  EXPECT_GE(t.ErrorCount, ReadErrorCount);
  rig.tick();
  EXPECT_EQ(d.LinkState, LinkLost);
  EXPECT_FALSE(d.Connected);
}

TEST_F(TransferTest, CancelAsksAndResets) {
  rig.load(makeImage(500));
  rig.tick();
  rig.startRun();
  rig.tick();
  scriptedPrompts().expect(PromptKind::Confirmation, false);
  EXPECT_FALSE(t.Button_AbortClick());
  EXPECT_TRUE(t.Busy);
  scriptedPrompts().expect(PromptKind::Confirmation, true);
  EXPECT_TRUE(t.Button_AbortClick());
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Confirmation).back(), QStringLiteral("Cancel programming?"));
  EXPECT_FALSE(t.Busy);
  EXPECT_EQ(t.StepState, StepIdle);
  EXPECT_FALSE(d.ProgressVisible);
  EXPECT_TRUE(d.ProgressText.isEmpty());
  EXPECT_TRUE(d.OpenFileEnabled);
  EXPECT_FALSE(d.CancelEnabled);
  const auto sent = rig.port.requests.size();
  rig.tick();
  rig.tick();
  EXPECT_EQ(rig.port.eraseRequestsSent(), 1) << "polling goes on, nothing more is erased";
  EXPECT_GT(rig.port.requests.size(), sent);
}

TEST_F(TransferTest, CancelOutsideARunAsksNothing) { EXPECT_FALSE(t.Button_AbortClick()); }

TEST_F(TransferTest, ProgramMemoryChecksThePortFirstThenTheFile) {
  scriptedPrompts().setAutoAcknowledge(true);
  t.Button_DelProgMemClick(false);
  t.Button_DelProgMemClick(true);
  const auto& r = scriptedPrompts().records();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].kind, PromptKind::Information);
  EXPECT_EQ(r[0].text, QStringLiteral("Communication port is inactive."));
  EXPECT_EQ(r[1].kind, PromptKind::Error);
  EXPECT_EQ(r[1].text, QStringLiteral("No file selected."));
  EXPECT_FALSE(t.Busy);
}

TEST_F(TransferTest, ConfirmingAgainRestartsFromErasing) {
  rig.load(makeImage(500));
  rig.startRun();
  while (rig.port.blockOffsets().empty()) rig.tick();
  ASSERT_EQ(t.StepState, StepProgramming);
  rig.startRun();
  EXPECT_EQ(t.StepState, StepErasing);
  EXPECT_EQ(t.EraseSector, 32);
  EXPECT_EQ(d.ProgressPosition, 0);
}

TEST_F(TransferTest, RunStartedAgainDuringTheRestartIsNotReportedCompleted) {
  scriptedPrompts().setAutoAcknowledge(true);
  const Bytes image = makeImage(300);
  rig.load(image);
  rig.startRun();
  while (!t.RestartSent) rig.tick();
  rig.startRun();  // while the gateway is still silent
  for (int i = 0; i < 12 && t.StepState == StepErasing && t.EraseSector == 32; ++i) rig.tick();
  EXPECT_TRUE(t.Busy);
  EXPECT_TRUE(scriptedPrompts().texts(PromptKind::Information).empty());
  EXPECT_EQ(t.StepState, StepErasing);
  ASSERT_GT(rig.runToEnd(), 0);
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information).size(), 1u);
  EXPECT_EQ(rig.port.model.image(), paddedImage(image));
}

// ---- Loading --------------------------------------------------------------

class LoadTest : public TransferTest {};

TEST_F(LoadTest, DumpAndPath) {
  const QString path = writeImageFile(QStringLiteral("fw.bin"), {0x00, 0xAB, 0x0F});
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  t.Button_OpenFileClick();
  EXPECT_EQ(t.FileLen, 3);
  EXPECT_EQ(t.LoadedFileName, path);
  EXPECT_EQ(d.DumpText, QStringLiteral("00 AB 0F "));
  EXPECT_EQ(d.PathText, QStringLiteral("Open file:\n") + path);
  EXPECT_EQ(t.FileBuf[3], 0xFF);
  EXPECT_EQ(scriptedPrompts().records().back().caption, QStringLiteral("Open File"));
  EXPECT_EQ(scriptedPrompts().records().back().text, QStringLiteral("Binary files (*.bin)|*.BIN"));
  EXPECT_TRUE(rig.timer.isActive());
}

TEST_F(LoadTest, RefusedFilesKeepThePreviousImage) {
  rig.load(makeImage(500), QStringLiteral("good.bin"));
  const QString good = t.LoadedFileName;
  const QString dump = d.DumpText;
  struct Case {
    QString path;
    PromptKind kind;
    QString text;
  };
  const QString empty = writeImageFile(QStringLiteral("empty.bin"), {});
  const QString large = writeImageFile(QStringLiteral("large.bin"), makeImage(FileBufSize + 1));
  const QString folder = QDir(sandboxDir()).filePath(QStringLiteral("folder.bin"));
  QDir().mkpath(folder);
  const QString fifo = QDir(sandboxDir()).filePath(QStringLiteral("fifo.bin"));
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  const QString missing = QDir(sandboxDir()).filePath(QStringLiteral("missing.bin"));
  // A regular file whose reading fails, even for root.
  const QString unreadable = QStringLiteral("/proc/self/mem");
  scriptedPrompts().setAutoAcknowledge(true);
  const Case cases[] = {
      {missing, PromptKind::Information, QStringLiteral("File does not exist.")},
      {empty, PromptKind::WarningOk, empty + QStringLiteral(" is empty.")},
      {large, PromptKind::Error,
       large + QStringLiteral(" is too large. A firmware image has at most 200002 bytes.")},
      {unreadable, PromptKind::WarningOk, QStringLiteral("File access error.")},
      // Refused before opening: opening a pipe waits for a writer.
      {fifo, PromptKind::WarningOk, fifo + QStringLiteral(" is not a regular file.")},
      {folder, PromptKind::WarningOk, folder + QStringLiteral(" is not a regular file.")},
  };
  for (const Case& c : cases) {
    scriptedPrompts().clearRecords();
    t.LoadFile(c.path);
    ASSERT_EQ(scriptedPrompts().records().size(), 1u) << c.path.toStdString();
    EXPECT_EQ(scriptedPrompts().records()[0].kind, c.kind);
    EXPECT_EQ(scriptedPrompts().records()[0].text, c.text);
    EXPECT_EQ(t.LoadedFileName, good);
    EXPECT_EQ(t.FileLen, 500);
    EXPECT_EQ(d.DumpText, dump);
    EXPECT_EQ(t.FileBuf[0], makeImage(500)[0]);
  }
}

TEST_F(LoadTest, ImageOfTheFullBufferIsTaken) {
  scriptedPrompts().setAutoAcknowledge(true);
  const Bytes image = makeImage(FileBufSize);
  rig.load(image);
  EXPECT_EQ(t.FileLen, FileBufSize);
  EXPECT_EQ(d.DumpText.size(), FileBufSize * 3);
}

TEST_F(LoadTest, SameNameAsksBeforeReloading) {
  const QString path = writeImageFile(QStringLiteral("same.bin"), {1, 2, 3});
  t.LoadFile(path);
  writeImageFile(QStringLiteral("same.bin"), {4, 5});
  scriptedPrompts().expect(PromptKind::Confirmation, false);
  t.LoadFile(path);
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Confirmation).back(),
            path + QStringLiteral(" is already open. Do you want to reload it?"));
  EXPECT_EQ(t.FileLen, 3);
  EXPECT_EQ(d.DumpText, QStringLiteral("01 02 03 "));
  scriptedPrompts().expect(PromptKind::Confirmation, true);
  t.LoadFile(path);
  EXPECT_EQ(t.FileLen, 2);
  EXPECT_EQ(d.DumpText, QStringLiteral("04 05 "));
  EXPECT_EQ(t.FileBuf[2], 0xFF) << "the rest of the buffer reads 0xFF again";
}

TEST_F(LoadTest, NameWithQuestionMarkOpensTheDialogAgain) {
  const QString good = writeImageFile(QStringLiteral("ok.bin"), {7});
  scriptedPrompts().expect(PromptKind::OpenFile, true, QStringLiteral("/tmp/?.bin"));
  scriptedPrompts().expect(PromptKind::Information, true);
  scriptedPrompts().expect(PromptKind::OpenFile, true, good);
  t.Button_OpenFileClick();
  EXPECT_EQ(t.LoadedFileName, good);
}

TEST_F(LoadTest, LoadingTextNamesTheImageThatIsSent) {
  scriptedPrompts().setAutoAcknowledge(true);
  rig.load(makeImage(300), QStringLiteral("sent.bin"));
  t.LoadFile(writeImageFile(QStringLiteral("refused.bin"), {}));  // empty: refused
  rig.startRun();
  while (t.StepState != StepProgramming) rig.tick();
  EXPECT_EQ(d.ProgressText, QStringLiteral("Loading program \"sent.bin\"..."));
}

}  // namespace
