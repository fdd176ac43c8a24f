#pragma once
// Field readers, name-table lookups and the value formatters shared by every
// structure type decoder. Each formatter prints a fragment after a label; the
// caller ends the line unless the formatter says otherwise.
#include "smbios/structure.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

inline constexpr const char OUT_OF_SPEC[] = "<OUT OF SPEC>";

// Little-endian fields of the structure's formatted area.
inline std::uint16_t word_at(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t dword_at(const std::uint8_t *p) { return word_at(p) | static_cast<std::uint32_t>(word_at(p + 2)) << 16; }
inline std::uint64_t qword_at(const std::uint8_t *p) { return dword_at(p) | static_cast<std::uint64_t>(dword_at(p + 4)) << 32; }

// The string whose number is the byte at `offset` of the formatted area.
inline const char *string_at(const smbios_structure &s, unsigned offset)
{
    return structure_string(s, s.data[offset]);
}

// Name of `value` in a table whose first entry names the value `first`.
inline const char *table_name(std::span<const char *const> names, unsigned value, unsigned first = 1)
{
    if (value < first || value - first >= names.size())
        return OUT_OF_SPEC;
    return names[value - first];
}

// "\t\t<name>\n" for every set bit from `first_bit`, names[i] naming bit first_bit + i.
inline void print_bit_list(std::uint64_t value, std::span<const char *const> names,
                           unsigned first_bit = 0, const char *indent = "\t\t")
{
    for (std::size_t i = 0; i < names.size(); i++)
        if (value >> (first_bit + i) & 1)
            std::printf("%s%s\n", indent, names[i]);
}

extern const std::span<const char *const> memory_type_names; // bits 0..10
extern const std::span<const char *const> sram_type_names;    // bits 0..6

void print_mhz(std::uint16_t mhz);
void print_type_list(std::uint16_t value, const char *separator, std::span<const char *const> names);
void print_module_size(std::uint8_t code);
void print_size(std::uint64_t value, int unit_shift);
void print_error_handle(std::uint16_t handle);
void print_width_bits(std::uint16_t bits);
void print_probe_volts(std::uint16_t raw);
void print_probe_celsius(std::uint16_t raw);
void print_probe_percent(std::uint16_t raw);
void print_probe_amps(std::uint16_t raw);
void print_hex32(std::uint32_t value);
bool bcd_in_range(std::uint8_t value, std::uint8_t low, std::uint8_t high);
const char *connector_type_name(std::uint8_t code);
void print_uuid(const std::uint8_t *uuid, std::uint16_t version);
void print_voltage_code(std::uint8_t code);
void print_cache_size(std::uint16_t code);
void print_range_size(std::uint32_t kilobytes);
void print_ecc_list(std::uint8_t bits);
void print_bus_address(std::uint16_t segment, std::uint8_t bus, std::uint8_t devfn);
void print_slot_characteristics(std::uint8_t c1, std::uint8_t c2);
bool all_printable(const std::uint8_t *p, std::size_t count);
const char *processor_family_name(const smbios_structure &s, std::uint16_t version);
void print_dimm_voltage(std::uint16_t millivolts);
void print_cache_handle(std::uint16_t handle, const char *level, std::uint16_t version);
