#pragma once
// Structures described by their fields at DSP0134 offsets, for golden tests of
// the type decoders.
#include "smbios/table_builder.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// `size` little-endian bytes of `value` at `offset` from the type byte.
struct field {
    unsigned offset;
    unsigned size;
    std::uint64_t value;
};

// A structure of `type` whose formatted area is `length` bytes long, zero
// except for the given fields, followed by its strings.
bytes build_structure(std::uint8_t type, unsigned length, std::initializer_list<field> fields,
                      const std::vector<std::string> &strings = {}, std::uint16_t handle = 0x0100);

// One golden case: a structure, the decoder mode and the exact output.
struct golden_case {
    const char *name;
    bytes structure;
    unsigned mode;
    std::string expected;
};

void expect_golden(const std::vector<golden_case> &cases);
