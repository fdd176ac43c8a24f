// Cache (7) and port connector (8) structures, with the connector type names.
#include "smbios/types_cache_port.h"
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr names_from cache_modes{0, // 0..3
    "Write Through", "Write Back", "Varies With Memory Address", "Unknown"};

constexpr names_from cache_locations{0, // 0..3
    "Internal", "External", OUT_OF_SPEC, "Unknown"};

constexpr names_from cache_error_corrections{0x01, // 0x01..0x06
    "Other", "Unknown", "None", "Parity", "Single-bit ECC", "Multi-bit ECC"};

constexpr names_from cache_system_types{0x01, // 0x01..0x05
    "Other", "Unknown", "Instruction", "Data", "Unified"};

constexpr names_from cache_associativities{0x01, // 0x01..0x0E
    "Other", "Unknown", "Direct Mapped", "2-way Set-associative", "4-way Set-associative",
    "Fully Associative", "8-way Set-associative", "16-way Set-associative",
    "12-way Set-associative", "24-way Set-associative", "32-way Set-associative",
    "48-way Set-associative", "64-way Set-associative", "20-way Set-associative"};

constexpr names_from connector_types{0, // 0x00..0x22
    "None", "Centronics", "Mini Centronics", "Proprietary", "DB-25 male", "DB-25 female",
    "DB-15 male", "DB-15 female", "DB-9 male", "DB-9 female", "RJ-11", "RJ-45",
    "50 Pin MiniSCSI", "Mini DIN", "Micro DIN", "PS/2", "Infrared", "HP-HIL", "Access Bus (USB)",
    "SSA SCSI", "Circular DIN-8 male", "Circular DIN-8 female", "On Board IDE", "On Board Floppy",
    "9 Pin Dual Inline (pin 10 cut)", "25 Pin Dual Inline (pin 26 cut)", "50 Pin Dual Inline",
    "68 Pin Dual Inline", "On Board Sound Input From CD-ROM", "Mini Centronics Type-14",
    "Mini Centronics Type-26", "Mini Jack (headphones)", "BNC", "IEEE 1394",
    "SAS/SATA Plug Receptacle"};

constexpr names_from connector_types_pc98{0xA0, // 0xA0..0xA4
    "PC-98", "PC-98 Hireso", "PC-H98", "PC-98 Note", "PC-98 Full"};

constexpr names_from port_types{0, // 0x00..0x21
    "None", "Parallel Port XT/AT Compatible", "Parallel Port PS/2", "Parallel Port ECP",
    "Parallel Port EPP", "Parallel Port ECP/EPP", "Serial Port XT/AT Compatible",
    "Serial Port 16450 Compatible", "Serial Port 16550 Compatible",
    "Serial Port 16550A Compatible", "SCSI Port", "MIDI Port", "Joystick Port", "Keyboard Port",
    "Mouse Port", "SSA SCSI", "USB", "Firewire (IEEE P1394)", "PCMCIA Type I", "PCMCIA Type II",
    "PCMCIA Type III", "Cardbus", "Access Bus Port", "SCSI II", "SCSI Wide", "PC-98",
    "PC-98 Hireso", "PC-H98", "Video Port", "Audio Port", "Modem Port", "Network Port", "SATA",
    "SAS"};

constexpr names_from port_types_8251{0xA0, // 0xA0..0xA1
    "8251 Compatible", "8251 FIFO Compatible"};

constexpr names_from port_type_other{0xFF, "Other"};
constexpr name_run port_type_runs[] = {port_types, port_types_8251, port_type_other};

constexpr names_from connector_type_other{0xFF, "Other"};
constexpr name_run connector_type_runs[] = {connector_types, connector_types_pc98, connector_type_other};

void print_cache_speed(std::uint8_t ns)
{
    if (ns == 0)
        std::printf(" Unknown\n");
    else
        std::printf(" %u ns\n", ns);
}

} // namespace

const char *connector_type_name(std::uint8_t code)
{
    return name_of(connector_type_runs, code);
}

void decode_cache(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tSocket Designation: %s\n", string_at(s, 0x04));
    std::uint16_t config = word_at(d + 0x05);
    std::printf("\tConfiguration: %s, %s, Level %u\n", config & 0x0080 ? "Enabled" : "Disabled",
                config & 0x0008 ? "Socketed" : "Not Socketed", (config & 0x07u) + 1);
    std::printf("\tOperational Mode: %s\n", name_of(cache_modes, config >> 8 & 3));
    std::printf("\tLocation: %s\n", name_of(cache_locations, config >> 5 & 3));
    std::printf("\tInstalled Size:");
    print_cache_size(word_at(d + 0x09));
    std::printf("\n");
    std::printf("\tMaximum Size:");
    print_cache_size(word_at(d + 0x07));
    std::printf("\n");
    std::printf("\tSupported SRAM Types:");
    print_type_list(word_at(d + 0x0B), "\n\t\t", sram_type_names);
    std::printf("\n");
    std::printf("\tInstalled SRAM Type:");
    print_type_list(word_at(d + 0x0D), " ", sram_type_names);
    std::printf("\n");
    if (s.length < 19)
        return;
    std::printf("\tSpeed:");
    print_cache_speed(d[0x0F]);
    std::printf("\tError Correction Type: %s\n", name_of(cache_error_corrections, d[0x10]));
    std::printf("\tSystem Type: %s\n", name_of(cache_system_types, d[0x11]));
    std::printf("\tAssociativity: %s\n", name_of(cache_associativities, d[0x12]));
}

void decode_port_connector(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tInternal Reference Designator: %s\n", string_at(s, 0x04));
    std::printf("\tInternal Connector Type: %s\n", connector_type_name(d[0x05]));
    std::printf("\tExternal Reference Designator: %s\n", string_at(s, 0x06));
    std::printf("\tExternal Connector Type: %s\n", connector_type_name(d[0x07]));
    std::printf("\tPort Type: %s\n", name_of(port_type_runs, d[0x08]));
}
