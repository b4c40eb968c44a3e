#pragma once
// The message counters: requests sent, good replies, errors, and the timeout state.
#include <QFrame>
#include <QTimer>

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

 private:
  void ReleaseTx();

  // A request's Tx and its reply's Rx come milliseconds apart: the request's new Tx is
  // painted with the reply's counts (one repaint for both), or after TxHoldMs at the latest.
  static constexpr int TxHoldMs = 40;
  QTimer TxHold;
  int ShownRx = -1, ShownTx = -1, ShownErr = -1;
  bool ShownTimeout = false;
};
