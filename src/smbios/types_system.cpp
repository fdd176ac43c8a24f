// Placeholder until this range of structure types is decoded: every type of
// the range falls back to the hex dump.
#include "smbios/decode.h"
#include "smbios/format.h"

bool decode_bios_to_processor(const smbios_structure &, std::uint16_t) { return false; }
const char *chassis_type_name(std::uint8_t) { return OUT_OF_SPEC; }
const char *processor_family_name(const smbios_structure &, std::uint16_t) { return OUT_OF_SPEC; }
