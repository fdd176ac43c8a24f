// Memory error records (types 18 and 33) and memory address mappings (types 19
// and 20).
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/option_state.h"
#include "smbios/structure.h"

#include <array>
#include <cstdio>

namespace {

constexpr names_from error_types{0x01,
    "Other", "Unknown", "OK", "Bad Read", "Parity Error", "Single-bit Error", "Double-bit Error",
    "Multi-bit Error", "Nibble Error", "Checksum Error", "CRC Error", "Corrected Single-bit Error",
    "Corrected Error", "Uncorrectable Error"}; // 0x01..0x0E
constexpr names_from error_granularities{0x01,
    "Other", "Unknown", "Device Level", "Memory Partition Level"}; // 0x01..0x04
constexpr names_from error_operations{0x01,
    "Other", "Unknown", "Read", "Write", "Partial Write"}; // 0x01..0x05

// The lines both error records begin with, up to the open "Memory Array
// Address:" label that the record's own address width completes.
void print_memory_error_head(const std::uint8_t *p)
{
    std::printf("\tType: %s\n", name_of(error_types, p[0x04]));
    std::printf("\tGranularity: %s\n", name_of(error_granularities, p[0x05]));
    std::printf("\tOperation: %s\n", name_of(error_operations, p[0x06]));
    std::uint32_t syndrome = dword_at(p + 0x07);
    std::printf("\tVendor Syndrome:");
    if (syndrome == 0)
        std::printf(" Unknown");
    else
        std::printf(" 0x%08X", syndrome);
    std::printf("\n");
    std::printf("\tMemory Array Address:");
}

void print_hex64(std::uint64_t value)
{
    auto high = static_cast<std::uint32_t>(value >> 32);
    auto low = static_cast<std::uint32_t>(value);
    if (high == 0x80000000 && low == 0)
        std::printf(" Unknown");
    else
        std::printf(" 0x%08X%08X", high, low);
}

// Addresses counted in kilobytes: printed as byte addresses, the end as the
// last byte of its kilobyte.
void print_mapped_range_kb(std::uint32_t start, std::uint32_t end)
{
    std::printf("\tStarting Address: 0x%08X%03X\n", start >> 2, (start & 3) << 10);
    std::printf("\tEnding Address: 0x%08X%03X\n", end >> 2, ((end & 3) << 10) + 0x3FF);
    std::printf("\tRange Size:");
    print_range_size(end - start + 1);
    std::printf("\n");
}

void print_mapped_range_bytes(std::uint64_t start, std::uint64_t end)
{
    std::printf("\tStarting Address: 0x%08X%08X\n", static_cast<std::uint32_t>(start >> 32),
                static_cast<std::uint32_t>(start));
    std::printf("\tEnding Address: 0x%08X%08X\n", static_cast<std::uint32_t>(end >> 32),
                static_cast<std::uint32_t>(end));
    std::printf("\tRange Size:");
    if (start == end)
        std::printf(" Invalid");
    else
        print_size(end - start + 1, 0);
    std::printf("\n");
}

// The starting-address DWORD of all ones points to the 64-bit byte addresses,
// present only in structures long enough to hold them.
void print_mapped_range(const smbios_structure &s, unsigned extended_length, unsigned extended_offset)
{
    const std::uint8_t *p = s.data;
    if (s.length >= extended_length && dword_at(p + 0x04) == 0xFFFFFFFF)
        print_mapped_range_bytes(qword_at(p + extended_offset), qword_at(p + extended_offset + 8));
    else
        print_mapped_range_kb(dword_at(p + 0x04), dword_at(p + 0x08));
}

void print_position(const char *label, std::uint8_t value)
{
    std::printf("%s%s:", "\t", label);
    if (value == 0xFF)
        std::printf(" Unknown");
    else
        std::printf(" %u", value);
    std::printf("\n");
}

} // namespace

void decode_memory_error_32(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    print_memory_error_head(p);
    print_hex32(dword_at(p + 0x0B));
    std::printf("\n");
    std::printf("\tDevice Address:");
    print_hex32(dword_at(p + 0x0F));
    std::printf("\n");
    std::printf("\tResolution:");
    print_hex32(dword_at(p + 0x13));
    std::printf("\n");
}

void decode_memory_error_64(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    print_memory_error_head(p);
    print_hex64(qword_at(p + 0x0B));
    std::printf("\n");
    std::printf("\tDevice Address:");
    print_hex64(qword_at(p + 0x13));
    std::printf("\n");
    std::printf("\tResolution:");
    print_hex32(dword_at(p + 0x1B));
    std::printf("\n");
}

void decode_array_mapped_address(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    print_mapped_range(s, 31, 0x0F);
    if (!decoder_quiet())
        std::printf("\tPhysical Array Handle: 0x%04X\n", word_at(p + 0x0C));
    std::printf("\tPartition Width: %u\n", p[0x0E]);
}

void decode_device_mapped_address(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *p = s.data;
    print_mapped_range(s, 35, 0x13);
    if (!decoder_quiet()) {
        std::printf("\tPhysical Device Handle: 0x%04X\n", word_at(p + 0x0C));
        std::printf("\tMemory Array Mapped Address Handle: 0x%04X\n", word_at(p + 0x0E));
    }
    std::printf("\tPartition Row Position:");
    if (p[0x10] == 0)
        std::printf(" %s", OUT_OF_SPEC);
    else if (p[0x10] == 0xFF)
        std::printf(" Unknown");
    else
        std::printf(" %u", p[0x10]);
    std::printf("\n");
    if (p[0x11] != 0)
        print_position("Interleave Position", p[0x11]);
    if (p[0x12] != 0)
        print_position("Interleaved Data Depth", p[0x12]);
}
