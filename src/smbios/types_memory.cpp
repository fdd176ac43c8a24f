// Placeholder until this range of structure types is decoded: every type of
// the range falls back to the hex dump.
#include "smbios/decode.h"
#include "smbios/format.h"

bool decode_memory_structure(const smbios_structure &, std::uint16_t) { return false; }
const char *connector_type_name(std::uint8_t) { return OUT_OF_SPEC; }
void print_slot_characteristics(std::uint8_t, std::uint8_t) {}
