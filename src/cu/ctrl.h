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

// A read of standard input (a prompt's line, or -i -) is about to begin, or
// has ended: a control event meanwhile makes it return at once.
void console_read_begins();
void console_read_ends();

// A store in progress, from before its first byte to the end of its check and
// report: no control event ends the process meanwhile, a second one included;
// on Linux every signal that can be held waits too. When the section ends, a
// first control event counts as the run's event; on Linux the other signals
// that came are dropped, so the run ends with the store's status.
class store_section {
public:
    store_section();
    ~store_section();
    store_section(const store_section &) = delete;
    store_section &operator=(const store_section &) = delete;
};

// Platform pieces of the above.
bool first_control_event();
void discard_injected_input();
void hold_control_events();
void release_control_events();
