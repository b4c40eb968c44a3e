#pragma once
// The gateway client: the Modbus master plus the gateway's commands, its port settings
// and the import of a channel configuration.
#include "ChannelData.h"
#include "ModbusKomunikator.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace pellix {
class ImportCheck;
struct ImportResult;
}  // namespace pellix

// The progress window the import shows. The engine sees only this.
class IProgressSink {
 public:
  virtual ~IProgressSink() = default;
  virtual void SetCaption(const QString& caption) = 0;
  virtual void Show() = 0;  // centred on the main window
  virtual void Hide() = 0;
  virtual void SetMaximum(int maximum) = 0;
  virtual void SetPosition(int position) = 0;
  virtual int Position() const = 0;
  virtual void SetText(const QString& text) = 0;
  virtual void Repaint() = 0;
};

// What the import needs of the main window, which implements it.
class IImportHost {
 public:
  virtual ~IImportHost() = default;
  virtual void SetMainWindowEnabled(bool enabled) = 0;
  // The progress window, created when it does not exist yet.
  virtual IProgressSink& ProgressDialog() = 0;
  // Switches the communication frame's connect check box on.
  virtual void SetConnectChecked() = 0;
};

// The gateway's ports, as its settings lists tell them apart. The tool's own frame uses
// the RS485 lists.
enum TPortKind : int { pkRS485 = 0, pkRS232 = 1, pkUsb = 2 };

class TGWYKomunikator : public TModbusKomunikator {
 public:
  // Hundreds of Bd, in list order.
  static constexpr std::array<uint16_t, 16> BaudRates = {12,  18,  24,  48,  72,  96,   144,  192,
                                                         288, 384, 560, 576, 768, 1152, 1280, 2304};
  static constexpr int DefaultBaudRateIndex = 5;  // 9600 Bd
  static constexpr int UsbBaudRateIndex = 13;     // 115200 Bd
  static constexpr int MaxSlaveAddress = 247;

  explicit TGWYKomunikator(TAfComPort& port);

  void SetImportHost(IImportHost* host) { ImportHost = host; }

  // Line commands (line 0 or 1), through the write queue.
  void FindNew(int line);
  void FindNewAll(int line);
  void FindAll(int line);
  // Channel commands (channel number 1..40; nothing otherwise), through the write queue.
  void SaveNewDevice(int channel);
  void DeleteChannel(int channel);
  // deviceIndex: the gateway's index of a search result; channelIndex 0..39.
  void SaveFoundDevice(int deviceIndex, int channelIndex);

  // Written at once, not queued.
  void DeleteChannelNow(int channel);
  void WriteRomCode(const TRomCode& words, int channel);
  // Rewrites every channel of the records, pacing the writes by the poll period, then
  // reads the channels back: the operator learns which did not take and may write those
  // again. fileName is shown to the operator (without its folder).
  void WriteChannelsFromFile(const TDynamicLogArray& records, const QString& fileName);
  // One pass of that import without a question: the writes, then the poll's reads of the
  // channel blocks. pellix-cli reports the result itself.
  pellix::ImportResult WriteAndCheck(const TDynamicLogArray& records, const QString& fileName);

  // 0..15; any other index changes nothing.
  void SetBaudRateIndex(int index);
  // 0 none, 1 odd, 2 even; another value is only stored.
  void SetParityIndex(int index);
  // 0 one, 1 two; another value is only stored.
  void SetStopBitsIndex(int index);
  uint8_t ParityIndex() const { return parityIndex_; }
  uint8_t StopBitsIndex() const { return stopBitsIndex_; }

  // Each appends the list of that port to items; a value outside TPortKind adds nothing.
  static void FillBaudRates(QStringList& items, TPortKind portKind);
  static void FillAddresses(QStringList& items, TPortKind portKind);
  static void FillParities(QStringList& items, TPortKind portKind);
  static void FillStopBits(QStringList& items, TPortKind portKind);

 protected:
  void RegistersArrived() override;

  uint8_t parityIndex_ = 0;
  uint8_t stopBitsIndex_ = 0;
  IImportHost* ImportHost = nullptr;

 private:
  void WaitForReadBack(const pellix::ImportCheck& check);
  pellix::ImportCheck* importCheck_ = nullptr;  // while an import reads back
  void LineCommand(int line, uint16_t command);
  void ChannelCommand(int channelIndex, uint16_t command);
};
