// Voltage, temperature and current probes and cooling devices (types 26 to 29).
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/option_state.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdio>

namespace {

constexpr names_from probe_locations{0x01,
    "Other", "Unknown", "Processor", "Disk", "Peripheral Bay", "System Management Module",
    "Motherboard", "Memory Module", "Processor Module", "Power Unit", "Add-in Card"}; // 0x01..0x0B
constexpr names_from temperature_probe_locations{0x01,
    "Other", "Unknown", "Processor", "Disk", "Peripheral Bay", "System Management Module",
    "Motherboard", "Memory Module", "Processor Module", "Power Unit", "Add-in Card",
    "Front Panel Board", "Back Panel Board", "Power System Board", "Drive Back Plane"}; // 0x01..0x0F
constexpr names_from probe_states{0x01,
    "Other", "Unknown", "OK", "Non-critical", "Critical", "Non-recoverable"}; // 0x01..0x06
constexpr std::array<code_name, 11> cooling_device_types = {{
    {0x01, "Other"}, {0x02, "Unknown"}, {0x03, "Fan"}, {0x04, "Centrifugal Blower"},
    {0x05, "Chip Fan"}, {0x06, "Cabinet Fan"}, {0x07, "Power Supply Fan"}, {0x08, "Heat Pipe"},
    {0x09, "Integrated Refrigeration"}, {0x10, "Active Cooling"}, {0x11, "Passive Cooling"},
}};
static_assert(sorted_by_code<code_name>(cooling_device_types));

// How one kind of probe prints its readings.
struct probe_kind {
    name_run locations;
    void (*print_value)(std::uint16_t raw);
    // The resolution is unsigned, in `resolution_unit` times `resolution_divisor`.
    double resolution_divisor;
    int resolution_decimals;
    const char *resolution_unit;
};

void print_status(std::uint8_t location_status)
{
    std::printf("\tStatus: %s\n", name_of(probe_states, location_status >> 5));
}

void print_reading(const char *label, void (*print_value)(std::uint16_t), std::uint16_t raw)
{
    std::printf("\t%s:", label);
    print_value(raw);
    std::printf("\n");
}

// Voltage, temperature and current probes share one layout.
void decode_probe(const smbios_structure &s, const probe_kind &kind)
{
    const std::uint8_t *p = s.data;
    std::printf("\tDescription: %s\n", string_at(s, 0x04));
    std::printf("\tLocation: %s\n", name_of(kind.locations, p[0x05] & 0x1F));
    print_status(p[0x05]);
    print_reading("Maximum Value", kind.print_value, word_at(p + 0x06));
    print_reading("Minimum Value", kind.print_value, word_at(p + 0x08));
    std::uint16_t resolution = word_at(p + 0x0A);
    std::printf("\tResolution:");
    if (resolution == 0x8000)
        std::printf(" Unknown");
    else
        std::printf(" %.*f %s", kind.resolution_decimals, resolution / kind.resolution_divisor,
                    kind.resolution_unit);
    std::printf("\n");
    print_reading("Tolerance", kind.print_value, word_at(p + 0x0C));
    print_reading("Accuracy", print_probe_percent, word_at(p + 0x0E));
    std::printf("\tOEM-specific Information: 0x%08X\n", dword_at(p + 0x10));
    if (s.length >= 22)
        print_reading("Nominal Value", kind.print_value, word_at(p + 0x14));
}

constexpr probe_kind voltage_probe = {probe_locations, print_probe_volts, 10.0, 1, "mV"};
constexpr probe_kind temperature_probe = {temperature_probe_locations, print_probe_celsius, 1000.0, 3, "deg C"};
constexpr probe_kind current_probe = {probe_locations, print_probe_amps, 10.0, 1, "mA"};

} // namespace

void decode_voltage_probe(const smbios_structure &s, std::uint16_t)
{
    decode_probe(s, voltage_probe);
}

void decode_temperature_probe(const smbios_structure &s, std::uint16_t)
{
    decode_probe(s, temperature_probe);
}

void decode_current_probe(const smbios_structure &s, std::uint16_t)
{
    decode_probe(s, current_probe);
}

void decode_cooling_device(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::uint16_t probe = word_at(p + 0x04);
    if (!decoder_quiet() && probe != 0xFFFF)
        std::printf("\tTemperature Probe Handle: 0x%04X\n", probe);
    std::printf("\tType: %s\n", name_of(cooling_device_types, p[0x06] & 0x1F));
    print_status(p[0x06]);
    if (p[0x07] != 0)
        std::printf("\tCooling Unit Group: %u\n", p[0x07]);
    std::printf("\tOEM-specific Information: 0x%08X\n", dword_at(p + 0x08));
    if (s.length >= 14) {
        std::uint16_t speed = word_at(p + 0x0C);
        std::printf("\tNominal Speed:");
        if (speed == 0x8000)
            std::printf(" Unknown Or Non-rotating");
        else
            std::printf(" %u rpm", speed);
        std::printf("\n");
    }
    if (s.length >= 15)
        std::printf("\tDescription: %s\n", string_at(s, 0x0E));
}

