#pragma once
// The commands of pellix-cli; each returns the program's exit code.
#include "CliOptions.h"

namespace pellix::cli {

// Runs the command of the options. CliError and the port's errors end it with their
// exit code (the caller prints the message).
int RunCommand(const CliOptions& options);

// The firmware transfer of the upgrade window, driven by its timer as there.
int RunUpgrade(const CliOptions& options);

}  // namespace pellix::cli
