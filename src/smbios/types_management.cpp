// Placeholder until this range of structure types is decoded: every type of
// the range falls back to the hex dump.
#include "smbios/decode.h"
#include "smbios/format.h"

bool decode_management_structure(const smbios_structure &, std::uint16_t) { return false; }
