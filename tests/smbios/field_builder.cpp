#include "smbios/field_builder.h"

#include <gtest/gtest.h>

bytes build_structure(std::uint8_t type, unsigned length, std::initializer_list<field> fields,
                      const std::vector<std::string> &strings, std::uint16_t handle)
{
    bytes body(length >= 4 ? length - 4 : 0);
    for (const field &f : fields) {
        if (f.offset < 4 || f.offset + f.size > length) {
            ADD_FAILURE() << "field at 0x" << std::hex << f.offset << " outside a structure of length "
                          << std::dec << length;
            continue;
        }
        for (unsigned i = 0; i < f.size; i++)
            body[f.offset - 4 + i] = static_cast<std::uint8_t>(f.value >> (8 * i));
    }
    return structure(type, handle, body, strings);
}

void expect_golden(const std::vector<golden_case> &cases)
{
    for (const golden_case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode_one(c.structure, 0x0300, c.mode), c.expected);
    }
}
