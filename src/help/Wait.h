#pragma once

// Returns after ms milliseconds, running the application's event loop meanwhile so
// that timers, port notifications and input are handled. Blocks in the event loop
// rather than spinning; a wait of 0 (or less) returns at once and handles nothing.
void WaitWithMessages(int ms);
