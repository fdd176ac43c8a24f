#pragma once
// Decoders of structure types 5 to 17, reached through decode_memory_structure.
// Each prints the title line and the field lines, not the closing empty line,
// and reads nothing past the structure's formatted area.
#include "smbios/format.h"
#include "smbios/structure.h"

#include <cstdint>

void decode_memory_controller(const smbios_structure &s);  // 5
void decode_memory_module(const smbios_structure &s);      // 6
void decode_cache(const smbios_structure &s);              // 7
void decode_port_connector(const smbios_structure &s);     // 8
void decode_system_slot(const smbios_structure &s);        // 9
void decode_on_board_devices(const smbios_structure &s);   // 10
void decode_oem_strings(const smbios_structure &s);        // 11
void decode_config_options(const smbios_structure &s);     // 12
void decode_bios_language(const smbios_structure &s, std::uint16_t version); // 13
void decode_group_associations(const smbios_structure &s); // 14
void decode_event_log(const smbios_structure &s);          // 15
void decode_memory_array(const smbios_structure &s);       // 16
void decode_memory_device(const smbios_structure &s);      // 17

// On-board device type names 0x01..0x0A (low 7 bits of the type byte), shared
// with the onboard device structure (41); "<OUT OF SPEC>" outside.
const char *on_board_device_type_name(std::uint8_t value);

