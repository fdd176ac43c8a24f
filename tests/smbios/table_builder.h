#pragma once
// One structure decoded the way the walk decodes it, for the type decoder tests.
#include "support/smbios_tables.h"
#include "smbios/structure.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Decodes one structure the way the walk does (decode_structure with the
// given version and decoder mode bits) and returns what it printed.
std::string decode_one(const bytes &structure, std::uint16_t version = 0x0300, unsigned mode = 0);
