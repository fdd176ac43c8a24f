#pragma once
// SMBIOS structures, tables, entry points and dump files built byte by byte:
// the one builder of the decoder tests, the fuzz seed generator and the
// benchmark.
#include "support/files.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// One structure: type, handle, the formatted area after the four header
// bytes, and the string set (two zero bytes when empty). The length byte is
// 4 + fields.size() unless `length` says otherwise.
bytes structure(std::uint8_t type, std::uint16_t handle, const bytes &fields,
                const std::vector<std::string> &strings = {}, int length = -1);
bytes end_of_table(std::uint16_t handle);
bytes concat(std::initializer_list<bytes> parts);

// Little-endian pieces appended to a formatted area being built.
void put_word(bytes &b, std::uint16_t v);
void put_dword(bytes &b, std::uint32_t v);
void put_qword(bytes &b, std::uint64_t v);

// A table: structures appended in order, with their count (a 32-bit entry
// point holds only its low 16 bits; large generated tables have more).
struct smbios_table {
    bytes data;
    std::uint32_t count = 0;
    smbios_table &add(const bytes &structure);
    smbios_table &end_of_table(std::uint16_t handle = 0xFFFF); // type 127
};

// Entry points with valid checksums.
bytes entry_sm3(std::uint64_t address, std::uint32_t max_size, std::uint8_t major = 3, std::uint8_t minor = 0,
                std::uint8_t docrev = 0);
bytes entry_sm(std::uint32_t address, std::uint16_t length, std::uint16_t count, std::uint8_t major = 2,
               std::uint8_t minor = 7);
bytes entry_dmi(std::uint32_t address, std::uint16_t length, std::uint16_t count, std::uint8_t bcd = 0x21);

// The dump file of a table whose entry point already points at offset 32.
bytes dump_image(const bytes &entry, const bytes &table);

// `what` written over `into` at `at`, growing it as needed; `v` as `width`
// little-endian bytes at `at` of a buffer already that long.
void put(bytes &into, std::size_t at, const bytes &what);
void put_le(bytes &b, std::size_t at, std::uint64_t v, unsigned width);
unsigned byte_sum(const bytes &b, std::size_t from, std::size_t count);
std::uint64_t le_at(const bytes &b, std::size_t at, unsigned width);
