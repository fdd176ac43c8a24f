#pragma once
// The value formatters shared by the structure type decoders. Each prints a
// fragment after a label; the caller ends the line unless the formatter says
// otherwise.
#include "smbios/names.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

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
