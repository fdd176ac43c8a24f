#pragma once
// The utility's command line: short options "d:DfhVls:i:n", then positional arguments.

#include "cu/settings.h"

// What the options of a run give.
struct run_options {
    const char *debug_file = nullptr; // -d: the backing file that stands in for the NVRAM
    int verbosity = 0;                // number of -D
    int force_count = 0;              // -f overrides not yet used up
    settings_options settings_cli;    // -l, -n, -i, -s
};

enum class cli_action { run, help, version, error };

// Scans the options into `o`. Scanning stops
// at the first non-option or after "--"; *first_positional is its index.
// On an error the diagnostic has been printed.
cli_action scan_options(int argc, char **argv, run_options *o, int *first_positional);

void print_usage(const char *program);

// assign: -s or -i; list: -l.
enum class run_mode { interactive, reset, set_refclock, assign, list };

// Reads the positional arguments; false after printing the error.
bool parse_positional(int argc, char **argv, int first, run_mode *mode, unsigned *refclock);
