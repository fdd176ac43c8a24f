// BIOS (type 0), System (type 1), Base Board (type 2) and Chassis (type 3)
// Information.
#include "smbios/types_system.h"
#include "smbios/decode.h"
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/option_state.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdio>

namespace {

constexpr names_from structure_types{0,
    "BIOS", "System", "Base Board", "Chassis", "Processor", "Memory Controller", "Memory Module",
    "Cache", "Port Connector", "System Slots", "On Board Devices", "OEM Strings",
    "System Configuration Options", "BIOS Language", "Group Associations", "System Event Log",
    "Physical Memory Array", "Memory Device", "32-bit Memory Error", "Memory Array Mapped Address",
    "Memory Device Mapped Address", "Built-in Pointing Device", "Portable Battery", "System Reset",
    "Hardware Security", "System Power Controls", "Voltage Probe", "Cooling Device",
    "Temperature Probe", "Electrical Current Probe", "Out-of-band Remote Access",
    "Boot Integrity Services", "System Boot", "64-bit Memory Error", "Management Device",
    "Management Device Component", "Management Device Threshold Data", "Memory Channel",
    "IPMI Device", "Power Supply", "Additional Information", "Onboard Device",
    "Management Controller Host Interface"};

// BIOS characteristics, bits 4..31 of the low DWORD.
constexpr names_from bios_characteristics{0x04,
    "ISA is supported", "MCA is supported", "EISA is supported", "PCI is supported",
    "PC Card (PCMCIA) is supported", "PNP is supported", "APM is supported",
    "BIOS is upgradeable", "BIOS shadowing is allowed", "VLB is supported",
    "ESCD support is available", "Boot from CD is supported", "Selectable boot is supported",
    "BIOS ROM is socketed", "Boot from PC Card (PCMCIA) is supported", "EDD is supported",
    "Japanese floppy for NEC 9800 1.2 MB is supported (int 13h)",
    "Japanese floppy for Toshiba 1.2 MB is supported (int 13h)",
    "5.25\"/360 kB floppy services are supported (int 13h)",
    "5.25\"/1.2 MB floppy services are supported (int 13h)",
    "3.5\"/720 kB floppy services are supported (int 13h)",
    "3.5\"/2.88 MB floppy services are supported (int 13h)",
    "Print screen service is supported (int 5h)", "8042 keyboard services are supported (int 9h)",
    "Serial services are supported (int 14h)", "Printer services are supported (int 17h)",
    "CGA/mono video services are supported (int 10h)", "NEC PC-98"};

// Extension byte 1, bits 0..7.
constexpr names_from bios_characteristics_x1{0,
    "ACPI is supported", "USB legacy is supported", "AGP is supported", "I2O boot is supported",
    "LS-120 boot is supported", "ATAPI Zip drive boot is supported", "IEEE 1394 boot is supported",
    "Smart battery is supported"};

// Extension byte 2, bits 0..4.
constexpr names_from bios_characteristics_x2{0,
    "BIOS boot specification is supported", "Function key-initiated network boot is supported",
    "Targeted content distribution is supported", "UEFI is supported", "System is a virtual machine"};

// Wake-up types 0x00..0x08.
constexpr names_from wake_up_types{0,
    "Reserved", "Other", "Unknown", "APM Timer", "Modem Ring", "LAN Remote", "Power Switch",
    "PCI PME#", "AC Power Restored"};

// Base board feature flags, bits 0..4.
constexpr names_from board_features{0,
    "Board is a hosting board", "Board requires at least one daughter board", "Board is removable",
    "Board is replaceable", "Board is hot swappable"};

// Board types 0x01..0x0D.
constexpr names_from board_types{0x01,
    "Unknown", "Other", "Server Blade", "Connectivity Switch", "System Management Module",
    "Processor Module", "I/O Module", "Memory Module", "Daughter Board", "Motherboard",
    "Processor+Memory Module", "Processor+I/O Module", "Interconnect Board"};

// Chassis types 0x01..0x20.
constexpr names_from chassis_types{0x01,
    "Other", "Unknown", "Desktop", "Low Profile Desktop", "Pizza Box", "Mini Tower", "Tower",
    "Portable", "Laptop", "Notebook", "Hand Held", "Docking Station", "All In One", "Sub Notebook",
    "Space-saving", "Lunch Box", "Main Server Chassis", "Expansion Chassis", "Sub Chassis",
    "Bus Expansion Chassis", "Peripheral Chassis", "RAID Chassis", "Rack Mount Chassis",
    "Sealed-case PC", "Multi-system", "CompactPCI", "AdvancedTCA", "Blade", "Blade Enclosing",
    "Tablet", "Convertible", "Detachable"};

// Boot-up, power supply and thermal states 0x01..0x06.
constexpr names_from chassis_states{0x01,
    "Other", "Unknown", "Safe", "Warning", "Critical", "Non-recoverable"};

// Chassis security status 0x01..0x05.
constexpr names_from chassis_security{0x01,
    "Other", "Unknown", "None", "External Interface Locked Out", "External Interface Enabled"};

static_assert(std::size(structure_types.names) == 43);
static_assert(std::size(bios_characteristics.names) == 28);
static_assert(std::size(bios_characteristics_x1.names) == 8);
static_assert(std::size(bios_characteristics_x2.names) == 5);
static_assert(std::size(wake_up_types.names) == 9);
static_assert(std::size(board_features.names) == 5);
static_assert(std::size(board_types.names) == 13);
static_assert(std::size(chassis_types.names) == 32);
static_assert(std::size(chassis_states.names) == 6);
static_assert(std::size(chassis_security.names) == 5);

// A contained element is either a structure type (bit 7 set) or a board type.
const char *element_type_name(std::uint8_t code)
{
    if (code & 0x80)
        return structure_type_name(code & 0x7F);
    return name_of(board_types, code);
}

} // namespace

const char *chassis_type_name(std::uint8_t value)
{
    return name_of(chassis_types, value);
}

void decode_bios(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tVendor: %s\n", string_at(s, 0x04));
    std::printf("\tVersion: %s\n", string_at(s, 0x05));
    std::printf("\tRelease Date: %s\n", string_at(s, 0x08));
    // A starting segment of 0 means the BIOS is not shadowed below 1 MB.
    unsigned segment = word_at(d + 0x06);
    if (segment != 0) {
        std::printf("\tAddress: 0x%04X0\n", segment);
        unsigned size = (0x10000 - segment) * 16;
        std::printf("\tRuntime Size:");
        if (size % 1024 == 0)
            std::printf(" %u kB\n", size / 1024);
        else
            std::printf(" %u bytes\n", size);
    }
    std::printf("\tROM Size: %u kB\n", (d[0x09] + 1u) * 64);
    std::printf("\tCharacteristics:\n");
    std::uint32_t characteristics = dword_at(d + 0x0A);
    if (characteristics & 0x08)
        std::printf("\t\tBIOS characteristics not supported\n");
    else
        print_bit_list(characteristics, bios_characteristics);
    if (s.length >= 19)
        print_bit_list(d[0x12], bios_characteristics_x1);
    if (s.length >= 20)
        print_bit_list(d[0x13], bios_characteristics_x2);
    if (s.length >= 24) {
        if (d[0x14] != 0xFF && d[0x15] != 0xFF)
            std::printf("\tBIOS Revision: %u.%u\n", d[0x14], d[0x15]);
        if (d[0x16] != 0xFF && d[0x17] != 0xFF)
            std::printf("\tFirmware Revision: %u.%u\n", d[0x16], d[0x17]);
    }
}

void decode_system(const smbios_structure &s, std::uint16_t version)
{
    const std::uint8_t *d = s.data;
    std::printf("\tManufacturer: %s\n", string_at(s, 0x04));
    std::printf("\tProduct Name: %s\n", string_at(s, 0x05));
    std::printf("\tVersion: %s\n", string_at(s, 0x06));
    std::printf("\tSerial Number: %s\n", string_at(s, 0x07));
    if (s.length >= 25) {
        std::printf("\tUUID: ");
        print_uuid(d + 0x08, version);
        std::printf("\n");
        std::printf("\tWake-up Type: %s\n", name_of(wake_up_types, d[0x18]));
    }
    if (s.length >= 27) {
        std::printf("\tSKU Number: %s\n", string_at(s, 0x19));
        std::printf("\tFamily: %s\n", string_at(s, 0x1A));
    }
}

void decode_base_board(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tManufacturer: %s\n", string_at(s, 0x04));
    std::printf("\tProduct Name: %s\n", string_at(s, 0x05));
    std::printf("\tVersion: %s\n", string_at(s, 0x06));
    std::printf("\tSerial Number: %s\n", string_at(s, 0x07));
    if (s.length >= 9)
        std::printf("\tAsset Tag: %s\n", string_at(s, 0x08));
    if (s.length >= 10) {
        std::printf("\tFeatures:");
        if ((d[0x09] & 0x1F) == 0) {
            std::printf(" None\n");
        } else {
            std::printf("\n");
            print_bit_list(d[0x09], board_features);
        }
    }
    if (s.length >= 14) {
        std::printf("\tLocation In Chassis: %s\n", string_at(s, 0x0A));
        if (!decoder_quiet())
            std::printf("\tChassis Handle: 0x%04X\n", word_at(d + 0x0B));
        std::printf("\tType: %s\n", name_of(board_types, d[0x0D]));
    }
    if (s.length >= 15) {
        unsigned n = d[0x0E];
        if (s.length >= 15 + 2 * n && !decoder_quiet()) {
            std::printf("\tContained Object Handles: %u\n", n);
            for (unsigned i = 0; i < n; i++)
                std::printf("\t\t0x%04X\n", word_at(d + 0x0F + 2 * i));
        }
    }
}

void decode_chassis(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tManufacturer: %s\n", string_at(s, 0x04));
    std::printf("\tType: %s\n", chassis_type_name(d[0x05] & 0x7F));
    std::printf("\tLock: %s\n", d[0x05] & 0x80 ? "Present" : "Not Present");
    std::printf("\tVersion: %s\n", string_at(s, 0x06));
    std::printf("\tSerial Number: %s\n", string_at(s, 0x07));
    std::printf("\tAsset Tag: %s\n", string_at(s, 0x08));
    if (s.length >= 13) {
        std::printf("\tBoot-up State: %s\n", name_of(chassis_states, d[0x09]));
        std::printf("\tPower Supply State: %s\n", name_of(chassis_states, d[0x0A]));
        std::printf("\tThermal State: %s\n", name_of(chassis_states, d[0x0B]));
        std::printf("\tSecurity Status: %s\n", name_of(chassis_security, d[0x0C]));
    }
    if (s.length >= 17)
        std::printf("\tOEM Information: 0x%08X\n", dword_at(d + 0x0D));
    if (s.length >= 19) {
        std::printf("\tHeight:");
        if (d[0x11] == 0)
            std::printf(" Unspecified\n");
        else
            std::printf(" %u U\n", d[0x11]);
        std::printf("\tNumber Of Power Cords:");
        if (d[0x12] == 0)
            std::printf(" Unspecified\n");
        else
            std::printf(" %u\n", d[0x12]);
    }
    if (s.length >= 21) {
        unsigned n = d[0x13], m = d[0x14];
        if (s.length >= 21 + n * m) {
            std::printf("\tContained Elements: %u\n", n);
            // Records shorter than three bytes carry no minimum/maximum to show.
            for (unsigned i = 0; m >= 3 && i < n; i++) {
                const std::uint8_t *e = d + 0x15 + i * m;
                std::printf("\t\t%s (", element_type_name(e[0]));
                if (e[1] == e[2])
                    std::printf("%u", e[1]);
                else
                    std::printf("%u-%u", e[1], e[2]);
                std::printf(")\n");
            }
            if (s.length >= 22 + n * m)
                std::printf("\tSKU Number: %s\n", string_at(s, 0x15 + n * m));
        }
    }
}
