#pragma once
// The message counters: requests sent, good replies, errors, and the timeout state.
#include <QFrame>

class QLabel;
struct TPocitadloValues;

class TFrame_Pocitadlo : public QFrame {
  Q_OBJECT
 public:
  explicit TFrame_Pocitadlo(QWidget* parent = nullptr);

  QLabel* Label_Tx;
  QLabel* Label_Rx;
  QLabel* Label_Error;
  QLabel* Label_Timeout;

  // The three numbers and the timeout label's visibility.
  void ShowValues(const TPocitadloValues& values);
};
