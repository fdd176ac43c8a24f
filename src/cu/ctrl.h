#pragma once
// Console control events (Ctrl+C, Ctrl+Break, close, logoff, shutdown; on
// Linux the signals INT, TERM, HUP and QUIT) and the flag they share with the
// main thread.
#include <atomic>

// 0 none, 1 an event arrived, 2 the run has ended (releases the handler).
// Only ever rises; read by the prompts after every line.
extern std::atomic<int> interrupted;

// Registers the handler; the first thing a run does.
void install_console_ctrl_handler();
// End of run: releases a waiting handler and drops the key events it injected.
void end_of_run_handshake();

// What the system calls for each event (on Linux with the signal number).
// The first event marks the run interrupted, makes a pending line read of
// standard input return and is handled (true); every later one is left to the
// system's default action (false), which ends the process.
bool console_ctrl_handler(unsigned long event);

// The prompts are about to read a line from standard input.
void console_read_begins();

// Platform pieces of the above.
bool first_control_event();
void discard_injected_input();
