// The size of a block the firmware-table service may hand out: the table in
// it is at most the bound of every table read.
#include "smbios/firmware_block.h"
#include "smbios/platform.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(FirmwareBlock, TheBoundCountsTheTableNotItsHeader)
{
    struct size_case {
        std::uint32_t size;
        bool fetched;
    };
    for (const size_case &c : {size_case{0, true}, size_case{8 + 36, true}, size_case{MAX_TABLE_SIZE, true},
                               size_case{MAX_TABLE_SIZE + 1, true}, size_case{MAX_TABLE_SIZE + 8, true},
                               size_case{MAX_TABLE_SIZE + 9, false}, size_case{0xFFFFFFFF, false}}) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(firmware_block_within_bound(c.size), c.fetched);
    }
}
