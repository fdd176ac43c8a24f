// Memory structures: controller (5), module (6), physical array (16) and
// device (17).
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/option_state.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr names_from error_detecting_methods{0x01, // 0x01..0x08
    "Other", "Unknown", "None", "8-bit Parity", "32-bit ECC", "64-bit ECC", "128-bit ECC", "CRC"};

constexpr names_from interleaves{0x01, // 0x01..0x07
    "Other", "Unknown", "One-way Interleave", "Two-way Interleave", "Four-way Interleave",
    "Eight-way Interleave", "Sixteen-way Interleave"};

constexpr names_from controller_speeds{0, // bits 0..4
    "Other", "Unknown", "70 ns", "60 ns", "50 ns"};

constexpr names_from array_locations{0x01, // 0x01..0x0A
    "Other", "Unknown", "System Board Or Motherboard", "ISA Add-on Card", "EISA Add-on Card",
    "PCI Add-on Card", "MCA Add-on Card", "PCMCIA Add-on Card", "Proprietary Add-on Card", "NuBus"};

constexpr names_from array_locations_pc98{0xA0, // 0xA0..0xA3
    "PC-98/C20 Add-on Card", "PC-98/C24 Add-on Card", "PC-98/E Add-on Card",
    "PC-98/Local Bus Add-on Card"};

constexpr names_from array_uses{0x01, // 0x01..0x07
    "Other", "Unknown", "System Memory", "Video Memory", "Flash Memory", "Non-volatile RAM",
    "Cache Memory"};

constexpr names_from array_error_corrections{0x01, // 0x01..0x07
    "Other", "Unknown", "None", "Parity", "Single-bit ECC", "Multi-bit ECC", "CRC"};

constexpr names_from device_form_factors{0x01, // 0x01..0x0F
    "Other", "Unknown", "SIMM", "SIP", "Chip", "DIP", "ZIP", "Proprietary Card", "DIMM", "TSOP",
    "Row Of Chips", "RIMM", "SODIMM", "SRIMM", "FB-DIMM"};

constexpr names_from device_types{0x01, // 0x01..0x1E
    "Other", "Unknown", "DRAM", "EDRAM", "VRAM", "SRAM", "RAM", "ROM", "Flash", "EEPROM",
    "FEPROM", "EPROM", "CDRAM", "3DRAM", "SDRAM", "SGRAM", "RDRAM", "DDR", "DDR2",
    "DDR2 FB-DIMM", "Reserved", "Reserved", "Reserved", "DDR3", "FBD2", "DDR4", "LPDDR",
    "LPDDR2", "LPDDR3", "LPDDR4"};

constexpr names_from device_type_details{1, // bits 1..15
    "Other", "Unknown", "Fast-paged", "Static Column", "Pseudo-static", "RAMBus", "Synchronous",
    "CMOS", "EDO", "Window DRAM", "Cache DRAM", "Non-Volatile", "Registered (Buffered)",
    "Unbuffered (Unregistered)", "LRDIMM"};

void print_ecc_capabilities(const char *label, std::uint8_t bits)
{
    std::printf("%s", label);
    if ((bits & 0x3F) == 0)
        std::printf(" None\n");
    else
        print_ecc_list(bits);
}

// factor × 2^exponent MB. The controller gives the exponent as a whole byte:
// the value is computed in 64 bits, so that exponents of 32 and above and
// products past 32 bits still print exactly; a value that 64 bits cannot hold
// (exponent 64 and above, or a product past 2^64 - 1) describes no real
// memory and prints "<OUT OF SPEC>" in place of the number and unit.
void print_power_of_two_mb(const char *label, unsigned factor, unsigned exponent)
{
    if (exponent < 64 && factor <= UINT64_MAX >> exponent)
        std::printf("%s%llu MB\n", label, static_cast<unsigned long long>(factor) << exponent);
    else
        std::printf("%s%s\n", label, OUT_OF_SPEC);
}

void print_speed_mhz(std::uint16_t mhz)
{
    if (mhz == 0)
        std::printf(" Unknown\n");
    else
        std::printf(" %u MHz\n", mhz);
}

constexpr name_run array_location_runs[] = {array_locations, array_locations_pc98};

} // namespace

void decode_memory_controller(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tError Detecting Method: %s\n", name_of(error_detecting_methods, d[0x04]));
    print_ecc_capabilities("\tError Correcting Capabilities:", d[0x05]);
    std::printf("\tSupported Interleave: %s\n", name_of(interleaves, d[0x06]));
    std::printf("\tCurrent Interleave: %s\n", name_of(interleaves, d[0x07]));
    print_power_of_two_mb("\tMaximum Memory Module Size: ", 1, d[0x08]);
    print_power_of_two_mb("\tMaximum Total Memory Size: ", d[0x0E], d[0x08]);

    std::uint16_t speeds = word_at(d + 0x09);
    std::printf("\tSupported Speeds:");
    if ((speeds & 0x1F) == 0) {
        std::printf(" None\n");
    } else {
        std::printf("\n");
        print_bit_list(speeds, controller_speeds);
    }
    std::printf("\tSupported Memory Types:");
    print_type_list(word_at(d + 0x0B), "\n\t\t", memory_type_names);
    std::printf("\n");
    std::printf("\tMemory Module Voltage:");
    print_voltage_code(d[0x0D]);
    std::printf("\n");

    unsigned slots = d[0x0E];
    if (s.length < 15 + 2 * slots)
        return;
    std::printf("%sAssociated Memory Slots: %u\n", "\t", slots);
    for (unsigned i = 0; i < slots; i++)
        std::printf("%s\t0x%04X\n", "\t", word_at(d + 0x0F + 2 * i));
    if (s.length < 16 + 2 * slots)
        return;
    print_ecc_capabilities("\tEnabled Error Correcting Capabilities:", d[0x0F + 2 * slots]);
}

void decode_memory_module(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tSocket Designation: %s\n", string_at(s, 0x04));

    std::uint8_t banks = d[0x05];
    std::printf("\tBank Connections:");
    if (banks == 0xFF) {
        std::printf(" None");
    } else {
        if (banks >> 4 != 0xF)
            std::printf(" %u", banks >> 4);
        if ((banks & 0xF) != 0xF)
            std::printf(" %u", banks & 0xF);
    }
    std::printf("\n");

    std::printf("\tCurrent Speed:");
    if (d[0x06] == 0)
        std::printf(" Unknown\n");
    else
        std::printf(" %u ns\n", d[0x06]);
    std::printf("\tType:");
    print_type_list(word_at(d + 0x07), " ", memory_type_names);
    std::printf("\n");
    std::printf("\tInstalled Size:");
    print_module_size(d[0x09]);
    std::printf("\n");
    std::printf("\tEnabled Size:");
    print_module_size(d[0x0A]);
    std::printf("\n");

    // The first error text follows the label directly, the second gets a line of its own.
    std::uint8_t status = d[0x0B];
    std::printf("\tError Status:");
    if (status & 0x04) {
        std::printf(" See Event Log\n");
        return;
    }
    if ((status & 0x03) == 0)
        std::printf(" OK\n");
    if (status & 0x01)
        std::printf("%sUncorrectable Errors\n", "\t\t");
    if (status & 0x02)
        std::printf("%sCorrectable Errors\n", "\t\t");
}

void decode_memory_array(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tLocation: %s\n", name_of(array_location_runs, d[0x04]));
    std::printf("\tUse: %s\n", name_of(array_uses, d[0x05]));
    std::printf("\tError Correction Type: %s\n", name_of(array_error_corrections, d[0x06]));

    std::uint32_t capacity = dword_at(d + 0x07);
    std::printf("\tMaximum Capacity:");
    if (capacity != 0x80000000)
        print_size(capacity, 1);
    else if (s.length >= 23)
        print_size(qword_at(d + 0x0F), 0);
    else
        std::printf(" Unknown");
    std::printf("\n");

    if (!decoder_quiet()) {
        std::printf("\tError Information Handle:");
        print_error_handle(word_at(d + 0x0B));
        std::printf("\n");
    }
    std::printf("\tNumber Of Devices: %u\n", word_at(d + 0x0D));
}

void decode_memory_device(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    if (!decoder_quiet()) {
        std::printf("\tArray Handle: 0x%04X\n", word_at(d + 0x04));
        std::printf("\tError Information Handle:");
        print_error_handle(word_at(d + 0x06));
        std::printf("\n");
    }
    std::printf("\tTotal Width:");
    print_width_bits(word_at(d + 0x08));
    std::printf("\n");
    std::printf("\tData Width:");
    print_width_bits(word_at(d + 0x0A));
    std::printf("\n");

    std::uint16_t size = word_at(d + 0x0C);
    std::printf("\tSize:");
    if (s.length >= 32 && size == 0x7FFF) {
        unsigned long mb = dword_at(d + 0x1C) & 0x7FFFFFFFu;
        if (mb % 1024 != 0)
            std::printf(" %lu MB", mb);
        else if (mb % 1048576 != 0)
            std::printf(" %lu GB", mb / 1024);
        else
            std::printf(" %lu TB", mb / 1048576);
    } else if (size == 0) {
        std::printf(" No Module Installed");
    } else if (size == 0xFFFF) {
        std::printf(" Unknown");
    } else if (size & 0x8000) {
        std::printf(" %u kB", size & 0x7FFFu);
    } else {
        std::printf(" %u MB", size);
    }
    std::printf("\n");

    std::printf("\tForm Factor: %s\n", name_of(device_form_factors, d[0x0E]));
    std::printf("\tSet:");
    if (d[0x0F] == 0)
        std::printf(" None\n");
    else if (d[0x0F] == 0xFF)
        std::printf(" Unknown\n");
    else
        std::printf(" %u\n", d[0x0F]);
    std::printf("\tLocator: %s\n", string_at(s, 0x10));
    std::printf("\tBank Locator: %s\n", string_at(s, 0x11));
    std::printf("\tType: %s\n", name_of(device_types, d[0x12]));

    std::uint16_t detail = word_at(d + 0x13);
    std::printf("\tType Detail:");
    if ((detail & 0xFFFE) == 0)
        std::printf(" None");
    for (unsigned bit = 1; bit < 16; bit++)
        if (detail >> bit & 1)
            std::printf(" %s", name_of(device_type_details, bit));
    std::printf("\n");

    if (s.length < 23)
        return;
    std::printf("\tSpeed:");
    print_speed_mhz(word_at(d + 0x15));
    if (s.length < 27)
        return;
    std::printf("\tManufacturer: %s\n", string_at(s, 0x17));
    std::printf("\tSerial Number: %s\n", string_at(s, 0x18));
    std::printf("\tAsset Tag: %s\n", string_at(s, 0x19));
    std::printf("\tPart Number: %s\n", string_at(s, 0x1A));
    if (s.length < 28)
        return;
    unsigned rank = d[0x1B] & 0x0F;
    std::printf("\tRank: ");
    if (rank != 0)
        std::printf("%u", rank);
    else
        std::printf("Unknown");
    std::printf("\n");
    if (s.length < 34)
        return;
    std::printf("\tConfigured Clock Speed:");
    print_speed_mhz(word_at(d + 0x20));
    if (s.length < 40)
        return;
    std::printf("\tMinimum Voltage:");
    print_dimm_voltage(word_at(d + 0x22));
    std::printf("\n");
    std::printf("\tMaximum Voltage:");
    print_dimm_voltage(word_at(d + 0x24));
    std::printf("\n");
    std::printf("\tConfigured Voltage:");
    print_dimm_voltage(word_at(d + 0x26));
    std::printf("\n");
}
