// Pointing device, portable battery, system reset, hardware security and system
// power controls (types 21 to 25).
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdio>

namespace {

constexpr names_from pointing_device_types{0x01,
    "Other", "Unknown", "Mouse", "Track Ball", "Track Point", "Glide Point", "Touch Pad",
    "Touch Screen", "Optical Sensor"}; // 0x01..0x09
constexpr std::array<code_name, 11> pointing_device_interfaces = {{
    {0x01, "Other"}, {0x02, "Unknown"}, {0x03, "Serial"}, {0x04, "PS/2"}, {0x05, "Infrared"},
    {0x06, "HIP-HIL"}, {0x07, "Bus Mouse"}, {0x08, "ADB (Apple Desktop Bus)"},
    {0xA0, "Bus Mouse DB-9"}, {0xA1, "Bus Mouse Micro DIN"}, {0xA2, "USB"},
}};
static_assert(sorted_by_code<code_name>(pointing_device_interfaces));
constexpr names_from battery_chemistries{0x01,
    "Other", "Unknown", "Lead Acid", "Nickel Cadmium", "Nickel Metal Hydride", "Lithium Ion",
    "Zinc Air", "Lithium Polymer"}; // 0x01..0x08
constexpr names_from reset_boot_options{0,
    OUT_OF_SPEC, "Operating System", "System Utilities", "Do Not Reboot"}; // 0..3
constexpr names_from security_states{0,
    "Disabled", "Enabled", "Not Implemented", "Unknown"}; // 0..3

constexpr std::uint8_t CHEMISTRY_UNKNOWN = 0x02;

void print_count(const char *label, std::uint16_t value, const char *unit)
{
    std::printf("\t%s:", label);
    if (value == 0xFFFF)
        std::printf(" Unknown");
    else
        std::printf(" %u%s", value, unit);
    std::printf("\n");
}

// One packed-BCD field of the next power-on time; a value outside its range
// prints a star.
void print_bcd(const char *separator, std::uint8_t value, std::uint8_t low, std::uint8_t high)
{
    if (bcd_in_range(value, low, high))
        std::printf("%s%02X", separator, value);
    else
        std::printf("%s*", separator);
}

} // namespace

void decode_pointing_device(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::printf("\tType: %s\n", name_of(pointing_device_types, p[0x04]));
    std::printf("\tInterface: %s\n", name_of(pointing_device_interfaces, p[0x05]));
    std::printf("\tButtons: %u\n", p[0x06]);
}

// From length 26 the battery may give its serial number, manufacture date and
// chemistry in the Smart Battery Data form instead of as strings.
void decode_portable_battery(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    bool sbds = s.length >= 26;
    std::printf("\tLocation: %s\n", string_at(s, 0x04));
    std::printf("\tManufacturer: %s\n", string_at(s, 0x05));
    if (p[0x06] != 0 || !sbds)
        std::printf("\tManufacture Date: %s\n", string_at(s, 0x06));
    if (p[0x07] != 0 || !sbds)
        std::printf("\tSerial Number: %s\n", string_at(s, 0x07));
    std::printf("\tName: %s\n", string_at(s, 0x08));
    if (p[0x09] != CHEMISTRY_UNKNOWN || !sbds)
        std::printf("\tChemistry: %s\n", name_of(battery_chemistries, p[0x09]));

    std::uint16_t capacity = word_at(p + 0x0A);
    std::printf("\tDesign Capacity:");
    if (capacity == 0)
        std::printf(" Unknown");
    else
        std::printf(" %u mWh", s.length >= 22 ? capacity * unsigned{p[0x15]} : unsigned{capacity});
    std::printf("\n");
    std::uint16_t voltage = word_at(p + 0x0C);
    std::printf("\tDesign Voltage:");
    if (voltage == 0)
        std::printf(" Unknown");
    else
        std::printf(" %u mV", voltage);
    std::printf("\n");
    std::printf("\tSBDS Version: %s\n", string_at(s, 0x0E));
    std::printf("\tMaximum Error:");
    if (p[0x0F] == 0xFF)
        std::printf(" Unknown");
    else
        std::printf(" %u%%", p[0x0F]);
    std::printf("\n");
    if (!sbds)
        return;

    if (p[0x07] == 0)
        std::printf("\tSBDS Serial Number: %04X\n", word_at(p + 0x10));
    if (p[0x06] == 0) {
        std::uint16_t d = word_at(p + 0x12);
        std::printf("\tSBDS Manufacture Date: %u-%02u-%02u\n", (d >> 9) + 1980u, (d >> 5) & 0x0Fu, d & 0x1Fu);
    }
    if (p[0x09] == CHEMISTRY_UNKNOWN)
        std::printf("\tSBDS Chemistry: %s\n", string_at(s, 0x14));
    std::printf("\tOEM-specific Information: 0x%08X\n", dword_at(p + 0x16));
}

void decode_system_reset(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::uint8_t c = p[0x04];
    std::printf("\tStatus: %s\n", c & 0x01 ? "Enabled" : "Disabled");
    std::printf("\tWatchdog Timer: %s\n", c & 0x20 ? "Present" : "Not Present");
    // Without a watchdog the remaining settings have no meaning.
    if (!(c & 0x20))
        return;
    std::printf("\tBoot Option: %s\n", name_of(reset_boot_options, c >> 1 & 3));
    std::printf("\tBoot Option On Limit: %s\n", name_of(reset_boot_options, c >> 3 & 3));
    print_count("Reset Count", word_at(p + 0x05), "");
    print_count("Reset Limit", word_at(p + 0x07), "");
    print_count("Timer Interval", word_at(p + 0x09), " min");
    print_count("Timeout", word_at(p + 0x0B), " min");
}

void decode_hardware_security(const smbios_structure &s, std::uint16_t)
{
    std::uint8_t c = s.data[0x04];
    std::printf("\tPower-On Password Status: %s\n", name_of(security_states, c >> 6 & 3));
    std::printf("\tKeyboard Password Status: %s\n", name_of(security_states, c >> 4 & 3));
    std::printf("\tAdministrator Password Status: %s\n", name_of(security_states, c >> 2 & 3));
    std::printf("\tFront Panel Reset Status: %s\n", name_of(security_states, c & 3));
}

void decode_power_controls(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::printf("\tNext Scheduled Power-on:");
    print_bcd(" ", p[0x04], 0x01, 0x12);
    print_bcd("-", p[0x05], 0x01, 0x31);
    print_bcd(" ", p[0x06], 0x00, 0x23);
    print_bcd(":", p[0x07], 0x00, 0x59);
    print_bcd(":", p[0x08], 0x00, 0x59);
    std::printf("\n");
}
