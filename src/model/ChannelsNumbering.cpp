#include "ChannelsNumbering.h"

int DisplayedNumber(int channelNumber, bool numberFromOne) {
  return numberFromOne ? channelNumber : ChannelIndex(channelNumber);
}
