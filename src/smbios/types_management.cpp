// Dispatch of the error, mapping, probe and management structures to the
// decoder of their group.
#include "smbios/decode.h"
#include "smbios/types_management.h"

bool decode_management_structure(const smbios_structure &s, std::uint16_t)
{
    return decode_error_map_structure(s) || decode_device_structure(s) || decode_probe_structure(s) ||
           decode_mgmt_structure(s) || decode_ipmi_power_structure(s);
}
