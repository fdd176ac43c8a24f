#pragma once
// The utility's command line: short options "d:DfhVls:i:n", then positional arguments.

// The process-wide settings the options give.
extern const char *debug_file; // -d: the backing file that stands in for the NVRAM
extern int verbosity;          // number of -D
extern int force_count;        // -f overrides not yet used up

enum class cli_action { run, help, version, error };

// Scans the options into debug_file, verbosity, force_count and settings_cli. Scanning stops
// at the first non-option or after "--"; *first_positional is its index.
// On an error the diagnostic has been printed.
cli_action scan_options(int argc, char **argv, int *first_positional);

void print_usage(const char *program);

// assign: -s or -i; list: -l.
enum class run_mode { interactive, reset, set_refclock, assign, list };

// Reads the positional arguments; false after printing the error.
bool parse_positional(int argc, char **argv, int first, run_mode *mode, unsigned *refclock);
