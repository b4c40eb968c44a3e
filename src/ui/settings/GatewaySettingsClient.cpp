#include "GatewaySettingsClient.h"

#include "GWYKomunikator.h"
#include "dlg_GWYSettings.h"

namespace pellix {
namespace {

class GatewayClientLink final : public GatewaySettingsClient {
 public:
  explicit GatewayClientLink(TGWYKomunikator& client) : client_(client) {}
  bool IsActive() const override { return client_.IsActive(); }
  void FillBaudRates(QStringList& items, int portKind) override { client_.FillBaudRates(items, portKind); }
  void FillAddresses(QStringList& items, int portKind) override { client_.FillAddresses(items, portKind); }
  void FillParities(QStringList& items, int portKind) override { client_.FillParities(items, portKind); }
  void FillStopBits(QStringList& items, int portKind) override { client_.FillStopBits(items, portKind); }
  std::vector<uint16_t> BaudRateCodes() const override {
    return {TGWYKomunikator::BaudRates.begin(), TGWYKomunikator::BaudRates.end()};
  }
  bool QueueWrites(const std::vector<SettingsWrite>& writes) override {
    std::vector<TRegisterWrite> items;
    items.reserve(writes.size());
    for (const SettingsWrite& w : writes) items.push_back({w.Value, w.Address});
    return client_.QueueWrites(items);
  }

 private:
  TGWYKomunikator& client_;
};

}  // namespace

std::unique_ptr<GatewaySettingsClient> MakeGatewaySettingsClient(TGWYKomunikator& client) {
  return std::make_unique<GatewayClientLink>(client);
}

}  // namespace pellix

void TdlgGWYSettings::Bind(TGWYKomunikator* client) {
  Bind(client ? pellix::MakeGatewaySettingsClient(*client) : nullptr);
}
