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
