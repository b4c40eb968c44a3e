#include "Pocitadlo.h"

void TPocitadlo::Reset() {
  Tx = 0;
  Rx = 0;
  Err = 0;
  Pending = false;
  Timeout = false;
}

// Nothing wraps: a counter at the ceiling clears all of them instead of growing.
void TPocitadlo::Count(int32_t& counter) {
  if (counter >= Ceiling)
    Reset();
  else
    ++counter;
}

void TPocitadlo::Notify() {
  if (OnChange) OnChange(Values());
}

void TPocitadlo::RequestSent() {
  Count(Tx);
  if (Pending) {
    // The previous request was never answered.
    Timeout = true;
    CountError();
  } else {
    Timeout = false;
  }
  Notify();
}

void TPocitadlo::ReplyReceived(bool ok) {
  if (!Pending) return;
  Pending = false;
  Timeout = false;
  if (ok)
    Count(Rx);
  else
    CountError();
  Notify();
}

void TPocitadlo::CountError() { Count(Err); }

void TPocitadlo::GetValues(TPocitadloValues& values) const {
  values.Rx = Rx;
  values.Tx = Tx;
  values.Err = Err;
  values.Timeout = Timeout;
}
