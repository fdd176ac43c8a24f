// String lookup and hex dump of single structures.
#include "smbios/table_builder.h"

#include "smbios/options.h"
#include "smbios/structure.h"
#include "smbios/strings.h"
#include "support/capture.h"

#include <gtest/gtest.h>

namespace {

smbios_structure view(bytes &b, std::size_t table_size)
{
    return {b[0], b[1], static_cast<std::uint16_t>(b[2] | b[3] << 8), b.data(), b.data() + table_size};
}

} // namespace

TEST(StructureString, NumbersZeroValidAndBeyond)
{
    bytes b = structure(2, 1, {1, 2}, {"Maker", "H8QG6"});
    auto s = view(b, b.size());
    decoder_options.mode = 0;
    EXPECT_STREQ(structure_string(s, 0), "Not Specified");
    EXPECT_STREQ(structure_string(s, 1), "Maker");
    EXPECT_STREQ(structure_string(s, 2), "H8QG6");
    EXPECT_STREQ(structure_string(s, 3), "<BAD INDEX>");
    bytes none = structure(2, 1, {1});
    auto n = view(none, none.size());
    EXPECT_STREQ(structure_string(n, 1), "<BAD INDEX>");
}

TEST(StructureString, NonPrintableReplacedInPlaceUnlessDumping)
{
    bytes b = structure(2, 1, {1}, {std::string("H8\x07QG6\x7F")});
    auto s = view(b, b.size());
    decoder_options.mode = MODE_DUMP;
    EXPECT_STREQ(structure_string(s, 1), "H8\x07QG6\x7F");
    decoder_options.mode = 0;
    EXPECT_STREQ(structure_string(s, 1), "H8.QG6.");
    EXPECT_EQ(b[5 + 2], '.'); // the table buffer itself was rewritten
}

TEST(StructureString, SetCutOffByTableEndIsNotRead)
{
    bytes b = structure(11, 1, {2}, {"First", "Second"});
    // The table ends inside the second string: its bytes are there, its end is not.
    auto s = view(b, 5 + 6 + 3);
    decoder_options.mode = 0;
    EXPECT_STREQ(structure_string(s, 1), "First");
    EXPECT_STREQ(structure_string(s, 2), "<BAD INDEX>");
}

TEST(DumpStructure, RowsAndStrings)
{
    bytes body(20);
    for (std::size_t i = 0; i < body.size(); i++)
        body[i] = static_cast<std::uint8_t>(i);
    bytes b = structure(0x80, 0x1234, body, {"A\x01"});
    auto s = view(b, b.size());
    decoder_options.mode = 0;
    EXPECT_EQ(capture_stdout([&] { dump_structure(s); }),
              "\tHeader and Data:\n"
              "\t\t80 18 34 12 00 01 02 03 04 05 06 07 08 09 0A 0B\n"
              "\t\t0C 0D 0E 0F 10 11 12 13\n"
              "\tStrings:\n"
              "\t\tA.\n");
    bytes c = structure(0x80, 0x1234, {}, {"A\x01"});
    auto t = view(c, c.size());
    decoder_options.mode = MODE_DUMP;
    EXPECT_EQ(capture_stdout([&] { dump_structure(t); }),
              "\tHeader and Data:\n"
              "\t\t80 04 34 12\n"
              "\tStrings:\n"
              "\t\t41 01 00\n"
              "\t\t\"A.\"\n");
    decoder_options.mode = 0;
}

TEST(DumpStructure, NoStringsStopsAfterData)
{
    bytes b = structure(0xC0, 2, {0xAA});
    auto s = view(b, b.size());
    decoder_options.mode = 0;
    EXPECT_EQ(capture_stdout([&] { dump_structure(s); }), "\tHeader and Data:\n\t\tC0 05 02 00 AA\n");
}

TEST(DecodeFallback, UnknownAndOemTypes)
{
    EXPECT_EQ(decode_one(structure(0x50, 7, {})), "Unknown Type\n\tHeader and Data:\n\t\t50 04 07 00\n\n");
    EXPECT_EQ(decode_one(structure(0x90, 7, {})), "OEM-specific Type\n\tHeader and Data:\n\t\t90 04 07 00\n\n");
    EXPECT_EQ(decode_one(structure(0x90, 7, {}), 0x0300, MODE_QUIET), "");
}
