#pragma once
// The firmware transfer of the upgrade window: the image, the request frames and the
// state machine that one timer tick drives. QtCore only; the window shows `Display()`.
#include "CommFrame.h"
#include "FrameObserver.h"
#include "Prompts.h"
#include "RegisterMap.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class QTimer;
class TAfComPort;

namespace pellix {

namespace upgrade {

inline constexpr int FileBufSize = 200002;  // the largest image the window takes
inline constexpr int RxCountLimit = TCommFrame::Capacity - 1;
// Address, function, byte count, the service registers, CRC.
inline constexpr int VersionReplyLength = 3 + 2 * RegisterMap::UpgradeServiceReadCount + 2;
inline constexpr int StepIntervalMs = 300;
inline constexpr int IdleIntervalMs = 500;
inline constexpr int ReadErrorCount = 6;
inline constexpr int MaxErrorCount = 15;

// StepState values.
inline constexpr int StepIdle = 0;
inline constexpr int StepProgramming = 3;
inline constexpr int StepErasing = 4;
inline constexpr int StepErased = 43;
inline constexpr int StepRestart = 777;

// ReplyState values.
inline constexpr int ReplyNone = 0;
inline constexpr int ReplyPending = 1;
inline constexpr int ReplyValid = 2;

// Link states of Label_ErrInfo.
enum LinkState { LinkCleared = 0, LinkOk = 1, LinkTimeout = 2, LinkDisconnected = 3, LinkLost = 4 };

// The requests as they go on the wire, CRC included.
TCommFrame BuildVersionPoll(uint8_t slave);
TCommFrame BuildEraseRequest(uint8_t slave, int sector);
// The block's bytes from blockPos; positions outside fileBuf read as 0xFF.
TCommFrame BuildProgramBlock(uint8_t slave, std::span<const uint8_t> fileBuf, int blockPos, int imageOffset);
TCommFrame BuildRestart(uint8_t slave);

// A valid answer of `slave` to the version poll: function 3 with every service register.
bool IsVersionReply(std::span<const uint8_t> rx, uint8_t slave);

// Timer interval for a link baud rate: the exchange time, at least 500 ms (0: unchanged).
int LinkTimerInterval(int baudRate, int current);

// "%.f s" of the milliseconds within a day.
QString ElapsedText(qint64 elapsedMs);

}  // namespace upgrade

// What the transfer needs of a port; the window's TAfComPort behind it, a fake in tests.
class ProgrammerPort {
 public:
  virtual ~ProgrammerPort() = default;
  virtual bool IsOpen() = 0;
  virtual int BytesWaiting() = 0;
  virtual void ReadBytes(void* buffer, int count) = 0;  // EAfComPortReadError on a read error
  virtual void WriteBytes(const void* buffer, int count) = 0;
  virtual void ClosePort() = 0;
};

// TAfComPort as the transfer's port. A port thread that failed (a hang-up) turns into
// the read error at the next read, as the tick expects it.
class ComPortLink final : public ProgrammerPort {
 public:
  explicit ComPortLink(TAfComPort& port);
  void PortOpened() { threadFailed_ = false; }
  bool IsOpen() override;
  int BytesWaiting() override;
  void ReadBytes(void* buffer, int count) override;
  void WriteBytes(const void* buffer, int count) override;
  void ClosePort() override;

 private:
  TAfComPort& port_;
  bool threadFailed_ = false;
};

// What the window shows of the transfer.
struct ProgrammerDisplay {
  bool Connected = false;  // CheckBox1
  int LinkState = upgrade::LinkCleared;
  int ProgressPosition = 0;
  int ProgressMaximum = 100;
  bool ProgressVisible = false;
  QString ProgressText;  // Label_Progress
  QString VersionText;   // Lb_FWVer
  bool CancelEnabled = false;
  bool OpenFileEnabled = true;
  QString PathText;       // Memo_Path
  QString DumpText;       // Memo_FromFile
  int ImageRevision = 0;  // counts loads, so the memos are only refilled after one
};

class ProgrammerTransfer {
 public:
  // timer is the window's Timer1: the transfer sets its interval and stops and starts it.
  ProgrammerTransfer(ProgrammerPort& port, QTimer& timer);

  // Window fields.
  uint8_t SlaveAddr = 1;
  QString LoadedFileName;
  bool Busy = false;
  bool VersionRequested = false;
  bool RestartSent = false;
  qint64 StartTime = 0;  // ms since the epoch

  // Transfer state.
  TCommFrame TxBuf;
  TCommFrame RxBuf;
  int RxCount = 0;
  std::vector<uint8_t> FileBuf;  // upgrade::FileBufSize bytes
  int FileLen = 0;
  int BlockPos = 0;
  int ImageOffset = 0;
  int EraseSector = RegisterMap::FirmwareFirstErasedSector;
  int StepState = upgrade::StepIdle;
  int ReplyState = upgrade::ReplyNone;
  int ErrorCount = 0;
  int ProgressCount = 0;
  std::array<uint16_t, RegisterMap::UpgradeServiceReadCount> Regs{};

  FileDialogSpec OpenDialog1;
  // The traffic monitor, while it is open; not owned.
  IFrameObserver* FrameObserver = nullptr;

  const ProgrammerDisplay& Display() const { return display_; }
  // Called after every change of the display, and before a prompt is shown.
  std::function<void()> OnDisplayChanged;
  // Milliseconds since the epoch; tests set their own clock.
  std::function<qint64()> Clock;

  // Button_OpenFileClick.
  void Button_OpenFileClick();
  // Button_DelProgMemClick; portChecked is the state of CheckBox1.
  void Button_DelProgMemClick(bool portChecked);
  // Button_AbortClick: true when the run was reset.
  bool Button_AbortClick();
  // The close query: false when the operator keeps the run going. Resets the transfer otherwise.
  bool CloseQuery();
  void ResetTransfer();
  // After CheckBox1 opened the port, and after it closed it.
  void PortOpened();
  void PortClosed();
  // FormShow.
  void Shown();
  // Timer1Timer: one tick.
  void Timer1Timer();

  // Loads an image without the dialog (the steps after the file was chosen). Refused while
  // a run is in progress, up to the restart command.
  void LoadFile(const QString& fileName);

 private:
  bool LoadingRefused();
  void Send03();
  void send16_maz();
  void send16();
  void SendReset();
  void StartErase();
  void StartProgramming();
  void Rec03();
  void ReadReception();
  void StoreByte(uint8_t byte);
  // The block that went unanswered goes again; never before the image's first.
  void StepBackOneBlock();
  void Send(const TCommFrame& frame);
  void ShowLinkState(int kind);
  void PortInactiveDuringRun();
  QString Elapsed() const;
  QString LoadingText() const;
  void changed();

  ProgrammerPort& port_;
  QTimer& timer_;
  ProgrammerDisplay display_;
  bool rxOverflow_ = false;
};

}  // namespace pellix
