#pragma once
// Hand-built SMBIOS structures and tables for decoder tests.
#include "support/files.h"
#include "smbios/structure.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// One structure: header (type, length = 4 + body size, handle), the body
// bytes (offsets 4.. of the formatted area), then the string set.
bytes make_structure(std::uint8_t type, std::uint16_t handle, const bytes &body,
                     const std::vector<std::string> &strings = {});

// Little-endian pieces for building bodies.
void put_word(bytes &b, std::uint16_t v);
void put_dword(bytes &b, std::uint32_t v);
void put_qword(bytes &b, std::uint64_t v);

// A table: structures appended in order, with their count.
struct smbios_table {
    bytes data;
    std::uint16_t count = 0;
    smbios_table &add(const bytes &structure);
    smbios_table &end_of_table(std::uint16_t handle = 0xFFFF); // type 127
};

// Decodes one structure the way the walk does (decode_structure with the
// given version and decoder mode bits) and returns what it printed.
std::string decode_one(const bytes &structure, std::uint16_t version = 0x0300, unsigned mode = 0);
