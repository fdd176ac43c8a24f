#pragma once
// The table of structure types and the text decoding of one displayed structure.
#include "smbios/structure.h"

#include <cstdint>

// Title, field lines and the closing empty line of one structure.
void decode_structure(const smbios_structure &s, std::uint16_t version);

// The type's name in element and group lists; "<OUT OF SPEC>" for types the
// table does not name.
const char *structure_type_name(std::uint8_t type);
