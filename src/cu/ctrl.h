#pragma once
// Console control events (Ctrl+C, close, logoff, shutdown; on Linux the
// signals INT, TERM, HUP and QUIT) and the flag they share with the main thread.
#include <atomic>

// 0 none, 1 an event arrived, 2 the run has ended (releases the handler).
extern std::atomic<int> interrupted;

// Registers the handler; the first thing a run does.
void install_console_ctrl_handler();
// End of run: releases a waiting handler and drops the key events it injected.
void end_of_run_handshake();
