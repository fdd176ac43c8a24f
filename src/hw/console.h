#pragma once
// The end-of-run pause when the utility owns its console window.

// Writes "\nPress any key to continue." and waits for a key when both standard
// streams are terminals and the console belongs to this process.
void pause_if_own_console();

// Whether standard input is a terminal the dialogue can talk to: a console
// on Windows (the C runtime's test also says yes for NUL and serial devices),
// a tty on Linux.
bool stdin_is_terminal();

// The process that owns the console: the creator of the console window on
// Windows, the session leader of the terminal on standard input on Linux;
// -1 when there is none or it cannot be found.
int console_owner_pid();
// Flushes standard output and reads one key press without echo and without
// waiting for Enter; its character code, or -1 when none could be read.
int wait_for_key();
