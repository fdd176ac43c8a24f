#pragma once
// What the Processor Information decoder shares with the walk.
#include "smbios/structure.h"

#include <cstdint>

// The family name, from the family byte or the family-2 word, with the
// manufacturer deciding the ambiguous codes.
const char *processor_family_name(const smbios_structure &s, std::uint16_t version);
