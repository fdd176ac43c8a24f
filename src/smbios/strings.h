#pragma once
// The strings of a structure's string set, and the hex dump of a structure.
#include "smbios/structure.h"

#include <cstdint>

// "Not Specified" for number 0, "<BAD INDEX>" past the last string.
const char *structure_string(const smbios_structure &s, std::uint8_t number);
inline constexpr const char BAD_INDEX[] = "<BAD INDEX>";

// The string whose number is the byte at `offset` of the formatted area.
inline const char *string_at(const smbios_structure &s, unsigned offset)
{
    return structure_string(s, s.data[offset]);
}

void dump_structure(const smbios_structure &s);
