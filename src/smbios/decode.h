#pragma once
// Text decoding of one displayed structure.
#include "smbios/structure.h"

#include <cstdint>

// Title, field lines and the closing empty line of one structure.
void decode_structure(const smbios_structure &s, std::uint16_t version);

// Per-range decoders used by the dispatch; each prints the whole decoding
// except the closing empty line and answers whether the type is one of its own.
bool decode_bios_to_processor(const smbios_structure &s, std::uint16_t version); // 0..4
bool decode_memory_structure(const smbios_structure &s, std::uint16_t version);  // 5..17
bool decode_management_structure(const smbios_structure &s, std::uint16_t version); // 18..42, 126, 127

// Processor Information (type 4), called by decode_bios_to_processor.
void decode_processor(const smbios_structure &s, std::uint16_t version);

const char *structure_type_name(std::uint8_t type); // 0..42, "<OUT OF SPEC>" otherwise
const char *chassis_type_name(std::uint8_t value); // 1..32, "<OUT OF SPEC>" otherwise
