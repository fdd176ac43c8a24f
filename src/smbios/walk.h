#pragma once
// The walk over the structures of one table, and the value of --string.
#include "smbios/structure.h"

#include <cstdint>

enum : unsigned {
    WALK_NO_FILE_OFFSET = 0x01, // the source holds the table at offset 0
    WALK_STOP_AT_END = 0x02,    // the walk ends after the first End-of-Table structure
    // The source is the memory device, read through the platform's
    // physical-memory access rather than opened as a file.
    WALK_PHYSICAL_SOURCE = 0x100,
};

// 0, or -1 when the table could not be read, or not all of it (reported on
// standard error).
int walk_structure_table(std::uint64_t base, std::uint32_t length, std::uint16_t count,
                         std::uint16_t version, const char *source, unsigned flags);

// Prints the --string value of one structure of the keyword's type.
void print_string_value(const smbios_structure &s, std::uint16_t version);
