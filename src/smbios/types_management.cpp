// Remote access, boot integrity, boot status, management devices and memory
// channels (types 30 to 32 and 34 to 37).
#include "smbios/names.h"
#include "smbios/option_state.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdio>

namespace {

constexpr names_from boot_states{0,
    "No errors detected", "No bootable media", "Operating system failed to load",
    "Firmware-detected hardware failure", "Operating system-detected hardware failure",
    "User-requested boot", "System security violation", "Previously-requested image",
    "System watchdog timer expired"}; // 0x00..0x08
constexpr names_from management_device_types{0x01,
    "Other", "Unknown", "LM75", "LM78", "LM79", "LM80", "LM81", "ADM9240", "DS1780", "MAX1617",
    "GL518SM", "W83781D", "HT82H791"}; // 0x01..0x0D
constexpr names_from management_address_types{0x01,
    "Other", "Unknown", "I/O Port", "Memory", "SMBus"}; // 0x01..0x05
constexpr names_from memory_channel_types{0x01,
    "Other", "Unknown", "RamBus", "SyncLink"}; // 0x01..0x04

struct threshold_field {
    const char *label;
    std::uint8_t offset;
};
constexpr std::array<threshold_field, 6> thresholds = {{
    {"Lower Non-critical", 0x04}, {"Upper Non-critical", 0x06}, {"Lower Critical", 0x08},
    {"Upper Critical", 0x0A}, {"Lower Non-recoverable", 0x0C}, {"Upper Non-recoverable", 0x0E},
}};

const char *enabled(bool on) { return on ? "Enabled" : "Disabled"; }

const char *boot_status_name(std::uint8_t status)
{
    if (status >= 0xC0)
        return "Product-specific";
    if (status >= 0x80)
        return "OEM-specific";
    return name_of(boot_states, status);
}

} // namespace

void decode_remote_access(const smbios_structure &s, std::uint16_t)
{
    std::uint8_t c = s.data[0x05];
    std::printf("\tManufacturer Name: %s\n", string_at(s, 0x04));
    std::printf("\tInbound Connection: %s\n", enabled(c & 0x01));
    std::printf("\tOutbound Connection: %s\n", enabled(c & 0x02));
}

void decode_bis_entry_point(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::uint8_t sum = 0;
    for (unsigned i = 0; i < s.length; i++)
        sum = static_cast<std::uint8_t>(sum + p[i]);
    std::printf("\tChecksum: %s\n", sum == 0 ? "OK" : "Invalid");
    std::uint32_t entry16 = dword_at(p + 0x08);
    std::printf("\t16-bit Entry Point Address: %04X:%04X\n", entry16 >> 16, entry16 & 0xFFFF);
    std::printf("\t32-bit Entry Point Address: 0x%08X\n", dword_at(p + 0x0C));
}

void decode_boot_information(const smbios_structure &s, std::uint16_t)
{
    std::printf("\tStatus: %s\n", boot_status_name(s.data[0x0A]));
}

void decode_management_device(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::printf("\tDescription: %s\n", string_at(s, 0x04));
    std::printf("\tType: %s\n", name_of(management_device_types, p[0x05]));
    std::printf("\tAddress: 0x%08X\n", dword_at(p + 0x06));
    std::printf("\tAddress Type: %s\n", name_of(management_address_types, p[0x0A]));
}

void decode_management_component(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    std::printf("\tDescription: %s\n", string_at(s, 0x04));
    if (decoder_quiet())
        return;
    std::printf("\tManagement Device Handle: 0x%04X\n", word_at(p + 0x05));
    std::printf("\tComponent Handle: 0x%04X\n", word_at(p + 0x07));
    if (word_at(p + 0x09) != 0xFFFF)
        std::printf("\tThreshold Handle: 0x%04X\n", word_at(p + 0x09));
}

void decode_threshold_data(const smbios_structure &s, std::uint16_t)
{
    for (const threshold_field &t : thresholds) {
        std::uint16_t raw = word_at(s.data + t.offset);
        if (raw != 0x8000)
            std::printf("\t%s Threshold: %d\n", t.label, static_cast<std::int16_t>(raw));
    }
}

void decode_memory_channel(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    unsigned count = p[0x06];
    std::printf("\tType: %s\n", name_of(memory_channel_types, p[0x04]));
    std::printf("\tMaximal Load: %u\n", p[0x05]);
    std::printf("\tDevices: %u\n", count);
    // A device list that does not fit the structure is left out whole.
    if (count == 0 || s.length < 7 + 3 * count)
        return;
    for (unsigned j = 1; j <= count; j++) {
        const std::uint8_t *d = p + 0x07 + 3 * (j - 1);
        std::printf("%sDevice %u Load: %u\n", "\t", j, d[0]);
        if (!decoder_quiet())
            std::printf("%sDevice %u Handle: 0x%04X\n", "\t", j, word_at(d + 1));
    }
}
