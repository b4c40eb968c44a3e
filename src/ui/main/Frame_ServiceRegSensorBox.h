#pragma once
// One result slot of a search view: a device the gateway found on the line, with
// the gateway's index for it and a button to save it into a channel.
#include "GatewayBlocks.h"

#include <QFrame>
#include <QLabel>
#include <QToolButton>
#include <array>
#include <cstdint>
#include <vector>

class TFrame_SensorNewBox : public QFrame {
  Q_OBJECT
 public:
  explicit TFrame_SensorNewBox(QWidget* parent = nullptr);

  QLabel* Label_Channel;
  QLabel* Label_ROMCode;
  QLabel* Label_Index;
  QToolButton* SpeedButton_Save;

  int SlotIndex = 0;         // 1..40, from the creation counter
  uint16_t DeviceIndex = 0;  // the gateway's index of the device last shown

  void ClearSlot();
  void DisableSlot();
  void UpdateSlot(const TSearchResult& result);

  // Slots are numbered by creation; a test that builds several windows starts over.
  static void ResetCreationCounter();
  static int CreationCounter();
};

namespace pellix {

inline constexpr int ResultSlotsPerLine = 20;

// Hands every record of the block to its slot; resultSlots holds all 40 slots,
// LINE 1's first, so slot s is entry s - 1.
void ShowSearchResults(const QList<TFrame_SensorNewBox*>& resultSlots, const TRegisterBlock& regs,
                       uint16_t startAddress);

}  // namespace pellix
