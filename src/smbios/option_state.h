#pragma once
// The decoder's process-wide option state, read by every part of the decoder
// and set by its command line.
#include <cstdint>

enum : unsigned {
    MODE_VERSION = 0x01,
    MODE_HELP = 0x02,
    MODE_DUMP = 0x04,
    MODE_QUIET = 0x08,
    MODE_DUMP_BIN = 0x10,
    MODE_FROM_DUMP = 0x20,
    MODE_NO_SYSFS = 0x40,
};

// One row of the --string keyword table: the field at `offset` of structures of `type`.
struct string_keyword {
    const char *keyword;
    std::uint8_t type;
    std::uint8_t offset;
};

struct decoder_state {
    const char *device_path;       // "/dev/mem" at entry, then -d
    unsigned mode;                 // MODE_* bits
    std::uint8_t *type_filter;     // 256 flags, or null for every type
    const string_keyword *string_key;  // the one string to print, or null
    const char *dump_path;         // file of --dump-bin / --from-dump
};

inline decoder_state decoder_options = {};

inline bool decoder_quiet() { return (decoder_options.mode & MODE_QUIET) != 0; }
