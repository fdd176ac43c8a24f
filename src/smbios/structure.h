#pragma once
// One SMBIOS structure as the walk hands it to the decoders, the readers of
// its little-endian fields, and the row that describes a structure type.
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

// Little-endian fields of a structure's formatted area or of an entry point.
inline std::uint16_t word_at(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t dword_at(const std::uint8_t *p) { return word_at(p) | static_cast<std::uint32_t>(word_at(p + 2)) << 16; }
inline std::uint64_t qword_at(const std::uint8_t *p) { return dword_at(p) | static_cast<std::uint64_t>(dword_at(p + 4)) << 32; }
