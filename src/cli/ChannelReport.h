#pragma once
// The gateway's 40 channels and its versions as pellix-cli prints them: an aligned table
// for people, CSV and JSON for scripts.
#include "ChannelData.h"
#include "RegisterMap.h"

#include <QString>
#include <array>
#include <cstdint>

namespace pellix::cli {

struct GatewaySnapshot {
  uint16_t FirmwareVersion = 0;  // registers 1000 and 1009
  uint16_t HardwareVersion = 0;
  TDynamicLogArray Channels;  // 40 records, channel 1 first
};

// From the service block and the four channel blocks (0, 100, 200, 300 in that order).
GatewaySnapshot SnapshotFromBlocks(const TRegisterBlock& service,
                                   const std::array<TRegisterBlock, 4>& channelBlocks);

// "Gateway FW version: V1.09" and "Gateway HW version: V1.02", one per line.
QString VersionsText(const GatewaySnapshot& s);
QString ChannelTable(const GatewaySnapshot& s);
QString ChannelCsv(const GatewaySnapshot& s);
// indented: one object over several lines; otherwise one line (for --watch).
QString ChannelJson(const GatewaySnapshot& s, bool indented);

}  // namespace pellix::cli
