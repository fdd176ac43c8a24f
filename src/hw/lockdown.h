#pragma once
// Kernel lockdown, as /sys/kernel/security/lockdown reports it: the modes on
// one line with the selected one in brackets ("none [integrity] confidentiality").
#include <string_view>

// True when the selected mode forbids raw I/O port access (integrity or
// confidentiality); false for "none", for text without a selection, or empty text.
bool lockdown_forbids_raw_io(std::string_view text);

inline constexpr char LOCKDOWN_NOTE[] =
    "The kernel is locked down and forbids raw port access; running as root does not help.\n";
