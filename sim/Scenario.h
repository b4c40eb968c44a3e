#pragma once
// Scenario files: a gateway, its settings and the devices on its two lines, in
// INI-like lines (see README.md).
#include "GatewayModel.h"

#include <istream>
#include <optional>
#include <string>

namespace pellix::gwsim {

struct Scenario {
  GatewayModel model;
  std::uint8_t slaveAddress = 1;
};

// Errors read "<name>:<line>: <what>".
std::optional<Scenario> parseScenario(std::istream& in, const std::string& name, std::string* error);
std::optional<Scenario> loadScenario(const std::string& path, std::string* error);

}  // namespace pellix::gwsim
