// Dispatch of structures to their decoders and the fallback for the rest.
#include "smbios/formatted_area.h"

#include "smbios/decode.h"
#include "smbios/options.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace area_fixture;

TEST(DecodeDispatch, UndecodedTypesDumpOutsideQuietMode)
{
    vendor_scope scope(OEM_NONE);
    struct {
        std::uint8_t type;
        const char *title;
    } cases[] = {{43, "Unknown Type\n"}, {50, "Unknown Type\n"}, {125, "Unknown Type\n"},
                 {128, "OEM-specific Type\n"}, {200, "OEM-specific Type\n"}, {255, "OEM-specific Type\n"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(unsigned(c.type));
        bytes s = formatted_area(c.type, 6).byte(0x04, 0xAB).byte(0x05, 1).structure(0x0102, {"x"});
        char row[64];
        std::snprintf(row, sizeof row, "\t\t%02X 06 02 01 AB 01\n", c.type);
        EXPECT_EQ(decode_one(s), std::string(c.title) + "\tHeader and Data:\n" + row + "\tStrings:\n\t\tx\n\n");
        EXPECT_EQ(decode_one(s, 0x0300, MODE_QUIET), "");
    }
}

TEST(DecodeDispatch, QuietModeKeepsTitlesAndDropsAdditionalInformation)
{
    // Titles and non-handle fields stay in quiet mode.
    EXPECT_EQ(decode_one(formatted_area(0, 17).structure(0), 0x0300, MODE_QUIET), "BIOS Information\n\n");
    EXPECT_EQ(decode_one(formatted_area(4, 25).structure(0), 0x0300, MODE_QUIET), "Processor Information\n\n");
    // Additional Information prints nothing at all, not even the closing line.
    bytes additional = formatted_area(40, 11).byte(0x04, 1).fill(0x05, {6, 0x00, 0x01, 0x05, 0, 0x07}).structure(9);
    EXPECT_EQ(decode_one(additional, 0x0300, MODE_QUIET), "");
}
