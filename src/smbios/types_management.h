#pragma once
// Pieces shared by the decoders of the error, mapping, probe and management
// structures (types 18..42, 126, 127). Each group decoder prints the whole
// decoding of its types except the closing empty line and answers whether the
// type was one of its own.
#include "smbios/format.h"
#include "smbios/structure.h"

#include <cstdint>
#include <cstdio>
#include <span>

bool decode_error_map_structure(const smbios_structure &s);   // 18, 19, 20, 33
bool decode_device_structure(const smbios_structure &s);      // 21..25
bool decode_probe_structure(const smbios_structure &s);       // 26..29
bool decode_mgmt_structure(const smbios_structure &s);        // 30..32, 34..37
bool decode_ipmi_power_structure(const smbios_structure &s);  // 38..42, 126, 127

// Prints the title line and answers whether the structure is long enough for
// its type's fields; a shorter one shows the title alone.
inline bool titled(const smbios_structure &s, const char *title, unsigned min_length)
{
    std::printf("%s\n", title);
    return s.length >= min_length;
}

