#pragma once
// One SMBIOS structure as the walk sees it, the walk itself, and the string
// lookup and hex dump shared by every type decoder.
#include <cstdint>

struct smbios_structure {
    std::uint8_t type;
    std::uint8_t length;     // formatted area, header included
    std::uint16_t handle;
    std::uint8_t *data;      // first byte of the structure in the table buffer
    std::uint8_t *table_end; // one past the last byte of the table buffer
};

// What the decoder knows of one structure type: one row of the table of
// standard types (decode.cpp) or of a vendor's types (oem.cpp). The decoder
// prints the fields after the title and reads nothing past the structure's
// formatted area.
using structure_decoder = void(const smbios_structure &s, std::uint16_t version);
enum : unsigned {
    SHORT_SHOWS_NOTHING = 0x01, // below the minimum length not even the title is printed
    QUIET_SHOWS_NOTHING = 0x02, // in quiet mode nothing is printed, not even the empty line
};

struct structure_type {
    std::uint16_t code;        // the structure type
    const char *name;          // in contained-element and group lists; null: none there
    const char *title;         // the title line; null where the decoder titles each part itself
    std::uint8_t min_length;   // a shorter structure shows its title alone
    unsigned flags;
    structure_decoder *decode; // the fields after the title; null for a title alone
};

enum : unsigned {
    WALK_NO_FILE_OFFSET = 0x01,
    WALK_STOP_AT_END = 0x02,
};

void walk_structure_table(std::uint64_t base, std::uint32_t length, std::uint16_t count,
                          std::uint16_t version, const char *source, unsigned flags);

// "Not Specified" for number 0, "<BAD INDEX>" past the last string.
const char *structure_string(const smbios_structure &s, std::uint8_t number);
inline constexpr const char BAD_INDEX[] = "<BAD INDEX>";

void dump_structure(const smbios_structure &s);
void print_string_value(const smbios_structure &s, std::uint16_t version);
