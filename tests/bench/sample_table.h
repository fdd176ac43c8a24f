#pragma once
// Synthetic SMBIOS tables of a plausible server board, of any size, and the
// dump files that carry them, for the benchmark and the fuzzers' seeds; built
// with the decoder tests' structure and table builder.
#include "support/smbios_tables.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One structure of each kind a server table holds, with plausible fields
// (firmware, system, board, chassis, processor, caches, ports, slots, OEM
// strings, memory arrays and devices, mapped addresses, boot and IPMI
// information), handles counted up from `first_handle`.
std::vector<bytes> sample_structures(std::uint16_t first_handle = 0);

// A table of at least `min_bytes`: the fixed structures of one board, then
// processor, cache, memory and slot groups until the size is reached, then
// the End-of-Table structure.
smbios_table sample_table(std::size_t min_bytes);

// Dump files: the entry point at offset 0 (table address 32, checksums
// valid), zero bytes up to 31, the table from offset 32.
bytes dump_sm3(const smbios_table &t, std::uint8_t major = 3, std::uint8_t minor = 4);
bytes dump_sm(const smbios_table &t, std::uint8_t major = 2, std::uint8_t minor = 8);
bytes dump_dmi(const smbios_table &t, std::uint8_t bcd_revision = 0x21);

// The same entry points for a table at physical address `address`.
bytes entry_sm3(const smbios_table &t, std::uint64_t address, std::uint8_t major = 3, std::uint8_t minor = 4);
bytes entry_sm(const smbios_table &t, std::uint32_t address, std::uint8_t major = 2, std::uint8_t minor = 8);
bytes entry_dmi(const smbios_table &t, std::uint32_t address, std::uint8_t bcd_revision = 0x21);
