// OEM strings (11), configuration options (12), BIOS languages (13), group
// associations (14) and the system event log (15).
#include "smbios/decode.h"
#include "smbios/names.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr names_from log_access_methods{0, // 0x00..0x04
    "Indexed I/O, one 8-bit index port, one 8-bit data port",
    "Indexed I/O, two 8-bit index ports, one 8-bit data port",
    "Indexed I/O, one 16-bit index port, one 8-bit data port",
    "Memory-mapped physical 32-bit address", "General-purpose non-volatile data functions"};

constexpr names_from log_header_formats{0, // 0x00..0x01
    "No Header", "Type 1"};

constexpr names_from log_types{0x01, // 0x01..0x17; 0x0F is reserved
    "Single-bit ECC memory error", "Multi-bit ECC memory error", "Parity memory error",
    "Bus timeout", "I/O channel block", "Software NMI", "POST memory resize", "POST error",
    "PCI parity error", "PCI system error", "CPU failure", "EISA failsafe timer timeout",
    "Correctable memory log disabled", "Logging disabled", OUT_OF_SPEC, "System limit exceeded",
    "Asynchronous hardware timer expired", "System configuration information",
    "Hard disk information", "System reconfigured", "Uncorrectable CPU-complex error",
    "Log area reset/cleared", "System boot"};

constexpr names_from log_data_formats{0, // 0x00..0x06
    "None", "Handle", "Multiple-event", "Multiple-event handle", "POST results bitmap",
    "System management", "Multiple-event system management"};

// Values from 0x80 on are the vendor's own in every field of the event log.
const char *log_field_name(name_run names, std::uint8_t value)
{
    return value >= 0x80 ? "OEM-specific" : name_of(names, value);
}

const char *log_type_name(std::uint8_t value)
{
    return value == 0xFF ? "End of log" : log_field_name(log_types, value);
}

void print_numbered_strings(const smbios_structure &s, const char *label)
{
    for (unsigned i = 1; i <= s.data[0x04]; i++)
        std::printf("%s%s %d: %s\n", "\t", label, static_cast<int>(i),
                    structure_string(s, static_cast<std::uint8_t>(i)));
}

void print_access_address(const std::uint8_t *d)
{
    std::printf("\tAccess Address:");
    switch (d[0x0A]) {
    case 0:
    case 1:
    case 2:
        std::printf(" Index 0x%04X, Data 0x%04X", word_at(d + 0x10), word_at(d + 0x12));
        break;
    case 3:
        std::printf(" 0x%08X", dword_at(d + 0x10));
        break;
    case 4:
        std::printf(" 0x%04X", word_at(d + 0x10));
        break;
    default:
        std::printf(" Unknown");
        break;
    }
    std::printf("\n");
}

// The descriptor list is shown only when all announced descriptors fit in the
// structure, and only when a descriptor is long enough to hold its two bytes.
void print_log_descriptors(const smbios_structure &s)
{
    const std::uint8_t *d = s.data;
    unsigned count = d[0x15];
    unsigned size = d[0x16];
    std::printf("\tSupported Log Type Descriptors: %u\n", count);
    if (count == 0 || s.length < 23 + count * size || size < 2)
        return;
    for (unsigned j = 1; j <= count; j++) {
        const std::uint8_t *desc = d + 0x17 + (j - 1) * size;
        std::printf("%sDescriptor %u: %s\n", "\t", j, log_type_name(desc[0]));
        std::printf("%sData Format %u: %s\n", "\t", j, log_field_name(log_data_formats, desc[1]));
    }
}

} // namespace

void decode_oem_strings(const smbios_structure &s, std::uint16_t)
{
    print_numbered_strings(s, "String");
}

void decode_config_options(const smbios_structure &s, std::uint16_t)
{
    print_numbered_strings(s, "Option");
}

void decode_bios_language(const smbios_structure &s, std::uint16_t version)
{
    const std::uint8_t *d = s.data;
    if (version >= 0x0201)
        std::printf("\tLanguage Description Format: %s\n", d[0x05] & 0x01 ? "Abbreviated" : "Long");
    std::printf("\tInstallable Languages: %u\n", d[0x04]);
    for (unsigned i = 1; i <= d[0x04]; i++)
        std::printf("%s%s\n", "\t\t", structure_string(s, static_cast<std::uint8_t>(i)));
    std::printf("\tCurrently Installed Language: %s\n", string_at(s, 0x15));
}

void decode_group_associations(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tName: %s\n", string_at(s, 0x04));
    unsigned items = (s.length - 5u) / 3;
    std::printf("\tItems: %u\n", items);
    for (unsigned i = 0; i < items; i++) {
        const std::uint8_t *item = d + 0x05 + 3 * i;
        std::printf("%s0x%04X (%s)\n", "\t\t", word_at(item + 1), structure_type_name(item[0]));
    }
}

void decode_event_log(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::uint16_t header_start = word_at(d + 0x06);
    std::uint16_t data_start = word_at(d + 0x08);
    std::printf("\tArea Length: %u bytes\n", word_at(d + 0x04));
    std::printf("\tHeader Start Offset: 0x%04X\n", header_start);
    if (data_start != header_start) {
        // Offsets within the 16-bit log area: a data start below the header
        // start wraps around the area rather than going negative.
        unsigned header_length = static_cast<std::uint16_t>(data_start - header_start);
        std::printf("\tHeader Length: %u byte%s\n", header_length, header_length < 2 ? "" : "s");
    }
    std::printf("\tData Start Offset: 0x%04X\n", data_start);
    std::printf("\tAccess Method: %s\n", log_field_name(log_access_methods, d[0x0A]));
    print_access_address(d);
    std::printf("\tStatus: %s, %s\n", d[0x0B] & 0x01 ? "Valid" : "Invalid",
                d[0x0B] & 0x02 ? "Full" : "Not Full");
    std::printf("\tChange Token: 0x%08X\n", dword_at(d + 0x0C));
    if (s.length < 23)
        return;
    std::printf("\tHeader Format: %s\n", log_field_name(log_header_formats, d[0x14]));
    print_log_descriptors(s);
}
