// Lookups in the name tables of enumerated fields and bit lists.
#include "smbios/names.h"

#include <cstdio>

const char *name_of(std::span<const name_run> runs, unsigned value)
{
    for (const name_run &r : runs)
        if (value >= r.first && value - r.first < r.names.size())
            return r.names[value - r.first];
    return OUT_OF_SPEC;
}

void print_bit_list(std::uint64_t value, name_run bits)
{
    for (std::size_t i = 0; i < bits.names.size(); i++)
        if (value >> (bits.first + i) & 1 && bits.names[i])
            std::printf("\t\t%s\n", bits.names[i]);
}

const char *name_of(std::span<const code_name> codes, unsigned value)
{
    const code_name *row = find_code(codes, value);
    return row ? row->name : OUT_OF_SPEC;
}
