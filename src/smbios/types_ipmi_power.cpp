// IPMI device, power supply, additional information, onboard device, host
// interface and the table's inactive and end markers (types 38 to 42, 126, 127).
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/option_state.h"
#include "smbios/strings.h"
#include "smbios/structure.h"
#include "smbios/types_slot.h"

#include <array>
#include <cstdio>

namespace {

constexpr names_from ipmi_interface_types{0,
    "Unknown", "KCS (Keyboard Control Style)", "SMIC (Server Management Interface Chip)",
    "BT (Block Transfer)", "SSIF (SMBus System Interface)"}; // 0x00..0x04
constexpr names_from ipmi_register_spacings{0,
    "Successive Byte Boundaries", "32-bit Boundaries", "16-byte Boundaries", OUT_OF_SPEC}; // 0..3
constexpr names_from power_supply_states{0x01,
    "Other", "Unknown", "OK", "Non-critical", "Critical"}; // 0x01..0x05
constexpr names_from power_supply_types{0x01,
    "Other", "Unknown", "Linear", "Switching", "Battery", "UPS", "Converter", "Regulator"}; // 0x01..0x08
constexpr names_from power_supply_range_switching{0x01,
    "Other", "Unknown", "Manual", "Auto-switch", "Wide Range", "N/A"}; // 0x01..0x06
constexpr std::array<code_name, 8> host_interface_types = {{
    {0x02, "KCS: Keyboard Controller Style"}, {0x03, "8250 UART Register Compatible"},
    {0x04, "16450 UART Register Compatible"}, {0x05, "16550/16550A UART Register Compatible"},
    {0x06, "16650/16650A UART Register Compatible"}, {0x07, "16750/16750A UART Register Compatible"},
    {0x08, "16850/16850A UART Register Compatible"}, {0xF0, "OEM"},
}};
static_assert(sorted_by_code<code_name>(host_interface_types));

constexpr std::uint8_t IPMI_SSIF = 4;
constexpr std::uint8_t HOST_INTERFACE_OEM = 0xF0;

void print_handle_unless_none(const char *label, std::uint16_t handle)
{
    if (handle != 0xFFFF)
        std::printf("\t%s Handle: 0x%04X\n", label, handle);
}

} // namespace

void decode_ipmi_device(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::uint8_t type = p[0x04];
    std::printf("\tInterface Type: %s\n", name_of(ipmi_interface_types, type));
    std::printf("\tSpecification Version: %u.%u\n", p[0x05] >> 4, p[0x05] & 0x0Fu);
    std::printf("\tI2C Slave Address: 0x%02x\n", p[0x06] >> 1);
    if (p[0x07] == 0xFF)
        std::printf("\tNV Storage Device: Not Present\n");
    else
        std::printf("\tNV Storage Device Address: %u\n", p[0x07]);

    std::printf("\tBase Address: ");
    if (type == IPMI_SSIF) {
        std::printf("0x%02X (SMBus)", p[0x08] >> 1);
    } else {
        // Bit 0 of the address tells the space; bit 4 of the modifier byte,
        // where present, is the address's real least significant bit.
        std::uint64_t base = qword_at(p + 0x08);
        auto high = static_cast<std::uint32_t>(base >> 32);
        auto low = static_cast<std::uint32_t>(base);
        std::uint32_t lsb = s.length >= 17 ? p[0x10] >> 4 & 1 : 0;
        std::printf("0x%08X%08X (%s)", high, (low & ~1u) | lsb, low & 1 ? "I/O" : "Memory-mapped");
    }
    std::printf("\n");
    if (s.length < 18)
        return;

    std::uint8_t modifier = p[0x10];
    if (type != IPMI_SSIF) {
        std::printf("\tRegister Spacing: %s\n", name_of(ipmi_register_spacings, modifier >> 6));
        if (modifier & 0x08) {
            std::printf("\tInterrupt Polarity: %s\n", modifier & 0x02 ? "Active High" : "Active Low");
            std::printf("\tInterrupt Trigger Mode: %s\n", modifier & 0x01 ? "Level" : "Edge");
        }
    }
    if (p[0x11] != 0)
        std::printf("\tInterrupt Number: %x\n", p[0x11]);
}

void decode_power_supply(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    if (p[0x04] != 0)
        std::printf("\tPower Unit Group: %u\n", p[0x04]);
    std::printf("\tLocation: %s\n", string_at(s, 0x05));
    std::printf("\tName: %s\n", string_at(s, 0x06));
    std::printf("\tManufacturer: %s\n", string_at(s, 0x07));
    std::printf("\tSerial Number: %s\n", string_at(s, 0x08));
    std::printf("\tAsset Tag: %s\n", string_at(s, 0x09));
    std::printf("\tModel Part Number: %s\n", string_at(s, 0x0A));
    std::printf("\tRevision: %s\n", string_at(s, 0x0B));

    std::uint16_t capacity = word_at(p + 0x0C);
    std::printf("\tMax Power Capacity:");
    if (capacity == 0x8000)
        std::printf(" Unknown");
    else
        std::printf(" %u W", capacity);
    std::printf("\n");

    std::uint16_t c = word_at(p + 0x0E);
    std::printf("\tStatus:");
    if (c & 0x0002)
        std::printf(" Present, %s", name_of(power_supply_states, c >> 7 & 0x07));
    else
        std::printf(" Not Present");
    std::printf("\n");
    std::printf("\tType: %s\n", name_of(power_supply_types, c >> 10 & 0x0F));
    std::printf("\tInput Voltage Range Switching: %s\n", name_of(power_supply_range_switching, c >> 3 & 0x0F));
    std::printf("\tPlugged: %s\n", c & 0x0004 ? "No" : "Yes");
    std::printf("\tHot Replaceable: %s\n", c & 0x0001 ? "Yes" : "No");

    if (s.length < 22 || decoder_quiet())
        return;
    print_handle_unless_none("Input Voltage Probe", word_at(p + 0x10));
    print_handle_unless_none("Cooling Device", word_at(p + 0x12));
    print_handle_unless_none("Input Current Probe", word_at(p + 0x14));
}

// Entries of varying length, each naming a field of another structure and its
// value; the list ends early at the first entry that does not fit.
void decode_additional_information(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    unsigned count = p[0x04];
    unsigned o = 0x05;
    for (unsigned i = 1; i <= count; i++) {
        std::printf("%sAdditional Information %d\n", "", static_cast<int>(i));
        if (o >= s.length)
            return;
        unsigned l = p[o];
        if (l < 5 || o + l > s.length)
            return;
        const std::uint8_t *e = p + o;
        std::printf("%s\tReferenced Handle: 0x%04x\n", "", word_at(e + 1));
        std::printf("%s\tReferenced Offset: 0x%02x\n", "", e[3]);
        std::printf("%s\tString: %s\n", "", structure_string(s, e[4]));
        std::printf("%s\tValue: ", "");
        switch (l - 5) {
        case 1: std::printf("0x%02x", e[5]); break;
        case 2: std::printf("0x%04x", word_at(e + 5)); break;
        case 4: std::printf("0x%08x", dword_at(e + 5)); break;
        default: std::printf("Unexpected size"); break;
        }
        std::printf("\n");
        o += l;
    }
}

void decode_onboard_device(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::printf("\tReference Designation: %s\n", string_at(s, 0x04));
    std::printf("\tType: %s\n", on_board_device_type_name(p[0x05] & 0x7F));
    std::printf("\tStatus: %s\n", p[0x05] & 0x80 ? "Enabled" : "Disabled");
    std::printf("\tType Instance: %u\n", p[0x06]);
    print_bus_address(word_at(p + 0x07), p[0x09], p[0x0A]);
}

void decode_host_interface(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::printf("\tInterface Type: %s\n", name_of(host_interface_types, p[0x04]));
    if (s.length >= 9 && p[0x04] == HOST_INTERFACE_OEM)
        std::printf("\tVendor ID: 0x%02X%02X%02X%02X\n", p[0x05], p[0x06], p[0x07], p[0x08]);
}
