#pragma once
// What the gateway settings dialog needs of the gateway client: the rows of its
// lists, the baud table behind them, and the write queue.
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

class TGWYKomunikator;

namespace pellix {

struct SettingsWrite {
  uint16_t Value;
  uint16_t Address;
};

class GatewaySettingsClient {
 public:
  virtual ~GatewaySettingsClient() = default;
  virtual bool IsActive() const = 0;
  // portKind 0 = RS485, 1 = RS232; each appends to items.
  virtual void FillBaudRates(QStringList& items, int portKind) = 0;
  virtual void FillAddresses(QStringList& items, int portKind) = 0;
  virtual void FillParities(QStringList& items, int portKind) = 0;
  virtual void FillStopBits(QStringList& items, int portKind) = 0;
  // The baud table in hundreds of Bd, in list order.
  virtual std::vector<uint16_t> BaudRateCodes() const = 0;
  // false when refused (port closed, or an earlier list still being written).
  virtual bool QueueWrites(const std::vector<SettingsWrite>& writes) = 0;
};

// The real gateway client behind that interface; the client must outlive it.
std::unique_ptr<GatewaySettingsClient> MakeGatewaySettingsClient(TGWYKomunikator& client);

}  // namespace pellix
