#pragma once
// Shared by every test executable: an isolated home, the scripted prompts, and
// helpers that run the event loop while waiting for something.
#include "ScriptedPrompts.h"

#include <QString>
#include <functional>

namespace pellix::test {

// The scripted prompts installed for the running test (fresh for every test).
ScriptedPrompts& scriptedPrompts();

// The temporary folder that HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, PELLIX_PORTS_DIR
// and PELLIX_BY_ID_DIR point into for this process.
QString sandboxDir();

// Runs the event loop until pred() holds or timeoutMs passes; returns pred().
bool waitUntil(const std::function<bool()>& pred, int timeoutMs);
// Runs the event loop for ms milliseconds.
void processEventsFor(int ms);

}  // namespace pellix::test
