#pragma once
// The search view of one 1-Wire line: the search commands, what the gateway found
// and its answer to the last command.
#include "RegisterMap.h"

#include <QFrame>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <array>
#include <cstdint>
#include <optional>

class TFrame_SensorNewBox;

class TFrame_FindNewTab : public QFrame {
  Q_OBJECT
 public:
  // lineNumber 1 or 2
  explicit TFrame_FindNewTab(int lineNumber, QWidget* parent = nullptr);

  QLabel* Label_Caption;
  QPushButton* Button_Close;
  QPushButton* Button_FindNew;
  QFrame* Panel_FindNew;
  QLabel* Label_NewROMCode;
  QPushButton* Button_FindNewAll;
  QPushButton* Button_FindAll;
  QLabel* Label_Command;
  QLabel* Label_Status;
  QList<TFrame_SensorNewBox*> Slots;  // Frame_SensorNewBox1 .. Frame_SensorNewBox20

  int LineNumber() const { return lineNumber_; }

  void ClearServiceTexts();
  void ClearSearch();
  void AppendSlots(QList<TFrame_SensorNewBox*>& list) const;
  static QString OperationStatusText(uint16_t code);
  // The service block (registers 1000-1099); line 0 or 1 picks the line's registers.
  void ShowServiceBlock(const TRegisterBlock& regs, int line);

 private:
  int lineNumber_;
};

namespace pellix {

// Asks the operator for the channel that the search result with the given device
// index goes to, on line 0 or 1. Returns the channel index 0..39, or nothing when
// the operator cancels or the answer is refused (after the error message).
std::optional<int> AskTargetChannel(int deviceIndex, int line, bool numberFromOne);

}  // namespace pellix
