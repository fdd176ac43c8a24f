#pragma once
// Field readers, name-table lookups and the value formatters shared by every
// structure type decoder. Each formatter prints a fragment after a label; the
// caller ends the line unless the formatter says otherwise.
#include "smbios/names.h"
#include "smbios/structure.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

// Little-endian fields of the structure's formatted area.
inline std::uint16_t word_at(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t dword_at(const std::uint8_t *p) { return word_at(p) | static_cast<std::uint32_t>(word_at(p + 2)) << 16; }
inline std::uint64_t qword_at(const std::uint8_t *p) { return dword_at(p) | static_cast<std::uint64_t>(dword_at(p + 4)) << 32; }

// The string whose number is the byte at `offset` of the formatted area.
inline const char *string_at(const smbios_structure &s, unsigned offset)
{
    return structure_string(s, s.data[offset]);
}

extern const name_run memory_type_names; // bits 0..10
extern const name_run sram_type_names;   // bits 0..6

void print_mhz(std::uint16_t mhz);
void print_type_list(std::uint16_t value, const char *separator, name_run bits);
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
void print_uuid(const std::uint8_t *uuid, std::uint16_t version);
void print_voltage_code(std::uint8_t code);
void print_cache_size(std::uint16_t code);
void print_range_size(std::uint32_t kilobytes);
void print_ecc_list(std::uint8_t bits);
void print_bus_address(std::uint16_t segment, std::uint8_t bus, std::uint8_t devfn);
bool all_printable(const std::uint8_t *p, std::size_t count);
void print_dimm_voltage(std::uint16_t millivolts);
void print_cache_handle(std::uint16_t handle, const char *level, std::uint16_t version);
