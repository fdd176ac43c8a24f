// Value formatters shared by the structure type decoders.
#include "smbios/format.h"
#include "smbios/names.h"

#include <array>
#include <cstdio>

namespace {

constexpr names_from memory_types{0,
    "Other", "Unknown", "Standard", "FPM", "EDO", "Parity", "ECC", "SIMM", "DIMM", "Burst EDO", "SDRAM"};
constexpr names_from sram_types{0,
    "Other", "Unknown", "Non-burst", "Burst", "Pipeline Burst", "Synchronous", "Asynchronous"};
constexpr names_from ecc_types{0,
    "Other", "Unknown", "None", "Single-bit Error Correcting", "Double-bit Error Correcting", "Error Scrubbing"};
constexpr std::array<const char *, 8> size_units = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB", "ZB"};
constexpr std::array<const char *, 3> voltage_levels = {"5.0 V", "3.3 V", "2.9 V"};

} // namespace

const name_run memory_type_names = memory_types;
const name_run sram_type_names = sram_types;

void print_mhz(std::uint16_t mhz)
{
    if (mhz == 0)
        std::printf("Unknown");
    else
        std::printf("%u MHz", mhz);
}

void print_type_list(std::uint16_t value, const char *separator, name_run bits)
{
    bool any = false;
    for (std::size_t i = 0; i < bits.names.size(); i++) {
        if (value >> (bits.first + i) & 1) {
            std::printf("%s%s", separator, bits.names[i]);
            any = true;
        }
    }
    if (!any)
        std::printf(" None");
}

void print_module_size(std::uint8_t code)
{
    unsigned n = code & 0x7F;
    if (n == 0x7D) {
        std::printf(" Not Determinable");
    } else if (n == 0x7E) {
        std::printf(" Disabled");
    } else if (n == 0x7F) {
        std::printf(" Not Installed");
        return;
    } else if (n < 64) {
        // Exponents of 32 and above do not fit a 32-bit shift; print them exactly
        // in 64 bits. Larger codes cannot describe a real module.
        std::printf(" %llu MB", 1ULL << n);
    } else {
        std::printf(" %s", OUT_OF_SPEC);
    }
    std::printf(code & 0x80 ? " (Double-bank Connection)" : " (Single-bank Connection)");
}

void print_size(std::uint64_t value, int unit_shift)
{
    unsigned groups[7];
    for (int i = 0; i < 7; i++)
        groups[i] = static_cast<unsigned>(value >> (10 * i) & 0x3FF);
    int g = 6;
    while (g > 0 && groups[g] == 0)
        g--;
    if (g > 0 && groups[g - 1] != 0)
        std::printf(" %lu %s", static_cast<unsigned long>(groups[g]) * 1024 + groups[g - 1],
                    size_units[static_cast<std::size_t>(g - 1 + unit_shift)]);
    else
        std::printf(" %lu %s", static_cast<unsigned long>(groups[g]),
                    size_units[static_cast<std::size_t>(g + unit_shift)]);
}

void print_error_handle(std::uint16_t handle)
{
    if (handle == 0xFFFE)
        std::printf(" Not Provided");
    else if (handle == 0xFFFF)
        std::printf(" No Error");
    else
        std::printf(" 0x%04X", handle);
}

void print_width_bits(std::uint16_t bits)
{
    if (bits == 0 || bits == 0xFFFF)
        std::printf(" Unknown");
    else
        std::printf(" %u bits", bits);
}

void print_probe_volts(std::uint16_t raw)
{
    if (raw == 0x8000)
        std::printf(" Unknown");
    else
        std::printf(" %.3f V", static_cast<std::int16_t>(raw) / 1000.0);
}

void print_probe_celsius(std::uint16_t raw)
{
    if (raw == 0x8000)
        std::printf(" Unknown");
    else
        std::printf(" %.1f deg C", static_cast<std::int16_t>(raw) / 10.0);
}

void print_probe_percent(std::uint16_t raw)
{
    if (raw == 0x8000)
        std::printf(" Unknown");
    else
        std::printf(" %.2f%%", raw / 100.0);
}

void print_probe_amps(std::uint16_t raw)
{
    if (raw == 0x8000)
        std::printf(" Unknown");
    else
        std::printf(" %.3f A", static_cast<std::int16_t>(raw) / 1000.0);
}

void print_hex32(std::uint32_t value)
{
    if (value == 0x80000000)
        std::printf(" Unknown");
    else
        std::printf(" 0x%08X", value);
}

bool bcd_in_range(std::uint8_t value, std::uint8_t low, std::uint8_t high)
{
    return value <= 0x99 && (value & 0x0F) <= 9 && value >= low && value <= high;
}

void print_uuid(const std::uint8_t *u, std::uint16_t version)
{
    bool all_ff = true, all_00 = true;
    for (int i = 0; i < 16; i++) {
        all_ff = all_ff && u[i] == 0xFF;
        all_00 = all_00 && u[i] == 0x00;
    }
    if (all_ff) {
        std::printf("Not Present");
        return;
    }
    if (all_00) {
        std::printf("Not Settable");
        return;
    }
    // From 2.6 on the first three groups are little-endian fields.
    static constexpr int swapped[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    int order[16];
    for (int i = 0; i < 16; i++)
        order[i] = version >= 0x0206 ? swapped[i] : i;
    std::printf("%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                u[order[0]], u[order[1]], u[order[2]], u[order[3]], u[order[4]], u[order[5]],
                u[order[6]], u[order[7]], u[order[8]], u[order[9]], u[order[10]], u[order[11]],
                u[order[12]], u[order[13]], u[order[14]], u[order[15]]);
}

void print_voltage_code(std::uint8_t code)
{
    if (code & 0x80) {
        std::printf(" %.1f V", (code & 0x7F) / 10.0);
        return;
    }
    if (code == 0) {
        std::printf(" Unknown");
        return;
    }
    for (unsigned bit = 0; bit < voltage_levels.size(); bit++)
        if (code >> bit & 1)
            std::printf(" %s", voltage_levels[bit]);
}

void print_cache_size(std::uint16_t code)
{
    unsigned kb = code & 0x8000 ? (code & 0x7FFFu) * 64 : code;
    std::printf(" %u kB", kb);
}

void print_range_size(std::uint32_t kilobytes)
{
    if (kilobytes == 0)
        std::printf(" Invalid");
    else
        print_size(kilobytes, 1);
}

void print_ecc_list(std::uint8_t bits)
{
    std::printf("\n");
    print_bit_list(bits, ecc_types);
}

void print_bus_address(std::uint16_t segment, std::uint8_t bus, std::uint8_t devfn)
{
    if (segment == 0xFFFF && bus == 0xFF && devfn == 0xFF)
        return;
    std::printf("%sBus Address: %04x:%02x:%02x.%x\n", "\t", segment, bus, devfn >> 3, devfn & 7);
}

bool all_printable(const std::uint8_t *p, std::size_t count)
{
    for (std::size_t i = 0; i < count; i++)
        if (p[i] < 32 || p[i] > 126)
            return false;
    return true;
}

void print_dimm_voltage(std::uint16_t millivolts)
{
    if (millivolts == 0)
        std::printf(" Unknown");
    else if (millivolts % 100 != 0)
        std::printf(" %g V", millivolts / 1000.0);
    else
        std::printf(" %.1f V", millivolts / 1000.0);
}

void print_cache_handle(std::uint16_t handle, const char *level, std::uint16_t version)
{
    if (handle != 0xFFFF)
        std::printf(" 0x%04X", handle);
    else if (version < 0x0203)
        std::printf(" No %s Cache", level);
    else
        std::printf(" Not Provided");
}
