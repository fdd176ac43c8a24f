#pragma once
// Linux launches: what every child a test starts gets before its exec.
#include "support/process.h"

// In a child between fork and exec: every signal to its default action and
// none blocked. A program a test starts then finds its signals the same
// whether the test program was started by ctest, from a shell's background
// job or under nohup (which leave SIGINT, SIGQUIT or SIGHUP ignored, and
// ignoring survives exec). A case that needs a signal ignored or blocked sets
// that afterwards. Only async-signal-safe calls.
void reset_signals_for_exec();

// In a child between fork and exec: `env` applied, the signals reset as
// above, then `argv` (argv[0] the program's path) executed; 127 when the
// exec fails. `just_before` runs last, with the signals already reset.
[[noreturn]] void exec_child(const std::vector<std::string> &argv, const std::vector<env_change> &env = {},
                             void (*just_before)() = nullptr);
