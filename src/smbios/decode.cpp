// The table of structure types, and the decoding of one displayed structure:
// the title line and the minimum-length gate here, the fields by the type's
// decoder, the closing empty line here again.
#include "smbios/decode.h"
#include "smbios/names.h"
#include "smbios/oem.h"
#include "smbios/option_state.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdio>

// The decoders of the table below, each defined in the file named beside it.
structure_decoder decode_bios, decode_system, decode_base_board, decode_chassis;         // types_system.cpp
structure_decoder decode_processor;                                                      // types_processor.cpp
structure_decoder decode_memory_controller, decode_memory_module, decode_memory_array,
    decode_memory_device;                                                                // types_memory.cpp
structure_decoder decode_cache, decode_port_connector;                                   // types_cache_port.cpp
structure_decoder decode_system_slot, decode_on_board_devices;                           // types_slot.cpp
structure_decoder decode_oem_strings, decode_config_options, decode_bios_language,
    decode_group_associations, decode_event_log;                                         // types_config.cpp
structure_decoder decode_memory_error_32, decode_array_mapped_address,
    decode_device_mapped_address, decode_memory_error_64;                                // types_error_map.cpp
structure_decoder decode_pointing_device, decode_portable_battery, decode_system_reset,
    decode_hardware_security, decode_power_controls;                                     // types_device.cpp
structure_decoder decode_voltage_probe, decode_cooling_device, decode_temperature_probe,
    decode_current_probe;                                                                // types_probe.cpp
structure_decoder decode_remote_access, decode_bis_entry_point, decode_boot_information,
    decode_management_device, decode_management_component, decode_threshold_data,
    decode_memory_channel;                                                               // types_management.cpp
structure_decoder decode_ipmi_device, decode_power_supply, decode_additional_information,
    decode_onboard_device, decode_host_interface;                                        // types_ipmi_power.cpp

namespace {

constexpr auto structure_types = std::to_array<structure_type>({
    {0, "BIOS", "BIOS Information", 18, 0, decode_bios},
    {1, "System", "System Information", 8, 0, decode_system},
    {2, "Base Board", "Base Board Information", 8, 0, decode_base_board},
    {3, "Chassis", "Chassis Information", 9, 0, decode_chassis},
    {4, "Processor", "Processor Information", 26, 0, decode_processor},
    {5, "Memory Controller", "Memory Controller Information", 15, 0, decode_memory_controller},
    {6, "Memory Module", "Memory Module Information", 12, 0, decode_memory_module},
    {7, "Cache", "Cache Information", 15, 0, decode_cache},
    {8, "Port Connector", "Port Connector Information", 9, 0, decode_port_connector},
    {9, "System Slots", "System Slot Information", 12, 0, decode_system_slot},
    {10, "On Board Devices", nullptr, 0, 0, decode_on_board_devices},
    {11, "OEM Strings", "OEM Strings", 5, 0, decode_oem_strings},
    {12, "System Configuration Options", "System Configuration Options", 5, 0, decode_config_options},
    {13, "BIOS Language", "BIOS Language Information", 22, 0, decode_bios_language},
    {14, "Group Associations", "Group Associations", 5, 0, decode_group_associations},
    {15, "System Event Log", "System Event Log", 20, 0, decode_event_log},
    {16, "Physical Memory Array", "Physical Memory Array", 15, 0, decode_memory_array},
    {17, "Memory Device", "Memory Device", 21, 0, decode_memory_device},
    {18, "32-bit Memory Error", "32-bit Memory Error Information", 23, 0, decode_memory_error_32},
    {19, "Memory Array Mapped Address", "Memory Array Mapped Address", 15, 0, decode_array_mapped_address},
    {20, "Memory Device Mapped Address", "Memory Device Mapped Address", 19, 0, decode_device_mapped_address},
    {21, "Built-in Pointing Device", "Built-in Pointing Device", 7, 0, decode_pointing_device},
    {22, "Portable Battery", "Portable Battery", 16, 0, decode_portable_battery},
    {23, "System Reset", "System Reset", 13, 0, decode_system_reset},
    {24, "Hardware Security", "Hardware Security", 5, 0, decode_hardware_security},
    // The title line of this type is indented like a field line.
    {25, "System Power Controls", "\tSystem Power Controls", 9, 0, decode_power_controls},
    {26, "Voltage Probe", "Voltage Probe", 20, 0, decode_voltage_probe},
    {27, "Cooling Device", "Cooling Device", 12, 0, decode_cooling_device},
    {28, "Temperature Probe", "Temperature Probe", 20, 0, decode_temperature_probe},
    {29, "Electrical Current Probe", "Electrical Current Probe", 20, 0, decode_current_probe},
    {30, "Out-of-band Remote Access", "Out-of-band Remote Access", 6, 0, decode_remote_access},
    {31, "Boot Integrity Services", "Boot Integrity Services Entry Point", 28, 0, decode_bis_entry_point},
    {32, "System Boot", "System Boot Information", 11, 0, decode_boot_information},
    {33, "64-bit Memory Error", "64-bit Memory Error Information", 31, SHORT_SHOWS_NOTHING, decode_memory_error_64},
    {34, "Management Device", "Management Device", 11, 0, decode_management_device},
    {35, "Management Device Component", "Management Device Component", 11, 0, decode_management_component},
    {36, "Management Device Threshold Data", "Management Device Threshold Data", 16, 0, decode_threshold_data},
    {37, "Memory Channel", "Memory Channel", 7, 0, decode_memory_channel},
    {38, "IPMI Device", "IPMI Device Information", 16, 0, decode_ipmi_device},
    {39, "Power Supply", "System Power Supply", 16, 0, decode_power_supply},
    {40, "Additional Information", nullptr, 11, QUIET_SHOWS_NOTHING, decode_additional_information},
    {41, "Onboard Device", "Onboard Device", 11, 0, decode_onboard_device},
    {42, "Management Controller Host Interface", "Management Controller Host Interface", 5, 0, decode_host_interface},
    // The table's markers; element and group lists do not name them.
    {126, nullptr, "Inactive", 0, 0, nullptr},
    {127, nullptr, "End Of Table", 0, 0, nullptr},
});
static_assert(sorted_by_code<structure_type>(structure_types));

const structure_type *find_structure_type(std::uint8_t type)
{
    return find_code<structure_type>(structure_types, type);
}

} // namespace

void decode_structure(const smbios_structure &s, std::uint16_t version)
{
    // A type the table does not know may be one of the vendor the System
    // Information structure named; anything else shows as a bare hex dump.
    const structure_type *t = find_structure_type(s.type);
    if (!t)
        t = find_code(oem_structure_types(), s.type);
    if (!t) {
        if (decoder_quiet())
            return;
        std::printf("%s Type\n", s.type < 128 ? "Unknown" : "OEM-specific");
        dump_structure(s);
        std::printf("\n");
        return;
    }
    if ((t->flags & QUIET_SHOWS_NOTHING) && decoder_quiet())
        return;
    const bool long_enough = s.length >= t->min_length;
    if (t->title && (long_enough || !(t->flags & SHORT_SHOWS_NOTHING)))
        std::printf("%s\n", t->title);
    if (long_enough && t->decode)
        t->decode(s, version);
    std::printf("\n");
}

const char *structure_type_name(std::uint8_t type)
{
    const structure_type *t = find_structure_type(type);
    return t && t->name ? t->name : OUT_OF_SPEC;
}
