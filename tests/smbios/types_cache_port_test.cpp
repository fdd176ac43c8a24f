// Cache (7) and port connector (8) decodings.
#include "smbios/decode_checks.h"
#include "smbios/format.h"
#include "smbios/types_cache_port.h"
#include "smbios/table_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bytes cache_body()
{
    bytes b = {1};
    put_word(b, 0x0180); // enabled, write back, internal, level 1
    put_word(b, 0x8010); // maximum 16 × 64 kB
    put_word(b, 0x0040); // installed 64 kB
    put_word(b, 0x0002);
    put_word(b, 0x0002);
    b.insert(b.end(), {0x00, 0x05, 0x04, 0x07});
    return b;
}

const std::vector<gated_line> cache_lines = {
    {15, "\tSocket Designation: L1-Cache\n"
         "\tConfiguration: Enabled, Not Socketed, Level 1\n"
         "\tOperational Mode: Write Back\n"
         "\tLocation: Internal\n"
         "\tInstalled Size: 64 kB\n"
         "\tMaximum Size: 1024 kB\n"
         "\tSupported SRAM Types:\n"
         "\t\tUnknown\n"
         "\tInstalled SRAM Type: Unknown\n"},
    {19, "\tSpeed: Unknown\n"
         "\tError Correction Type: Single-bit ECC\n"
         "\tSystem Type: Data\n"
         "\tAssociativity: 8-way Set-associative\n"},
};

std::string decode_cache_with(std::size_t offset, std::initializer_list<std::uint8_t> values)
{
    return decode_one(structure(7, 0x70, patched(cache_body(), offset, values), {"L1-Cache"}));
}

bytes port_body(std::uint8_t internal, std::uint8_t external, std::uint8_t port)
{
    return {1, internal, 2, external, port};
}

} // namespace

TEST(Cache, EveryLengthShowsItsFieldGroups)
{
    bytes body = cache_body();
    ASSERT_EQ(body.size() + 4, 19u);
    for (unsigned len = 4; len <= 19; len++) {
        SCOPED_TRACE(len);
        EXPECT_EQ(decode_one(structure(7, 0x70, cut(body, len), {"L1-Cache"})),
                  "Cache Information\n" + lines_at(cache_lines, len) + "\n");
    }
}

TEST(Cache, ConfigurationWord)
{
    struct row {
        std::uint16_t config;
        const char *lines;
    } rows[] = {
        {0x0000, "\tConfiguration: Disabled, Not Socketed, Level 1\n\tOperational Mode: Write Through\n\tLocation: Internal\n"},
        {0x038F, "\tConfiguration: Enabled, Socketed, Level 8\n\tOperational Mode: Unknown\n\tLocation: Internal\n"},
        {0x0222, "\tConfiguration: Disabled, Not Socketed, Level 3\n\tOperational Mode: Varies With Memory Address\n\tLocation: External\n"},
        {0xFC41, "\tConfiguration: Disabled, Not Socketed, Level 2\n\tOperational Mode: Write Through\n\tLocation: <OUT OF SPEC>\n"},
        {0x0060, "\tConfiguration: Disabled, Not Socketed, Level 1\n\tOperational Mode: Write Through\n\tLocation: Unknown\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.config);
        std::string out = decode_cache_with(0x05, {static_cast<std::uint8_t>(r.config), static_cast<std::uint8_t>(r.config >> 8)});
        EXPECT_NE(out.find(std::string("\tSocket Designation: L1-Cache\n") + r.lines + "\tInstalled Size:"),
                  std::string::npos) << out;
    }
}

TEST(Cache, SizesSramTypesAndEnumerations)
{
    struct row {
        std::size_t offset;
        std::vector<std::uint8_t> value;
        const char *lines;
    } rows[] = {
        {0x09, {0x00, 0x00}, "\tInstalled Size: 0 kB\n"},
        {0x09, {0xFF, 0xFF}, "\tInstalled Size: 2097088 kB\n"},
        {0x07, {0x00, 0x04}, "\tMaximum Size: 1024 kB\n"},
        {0x0B, {0x00, 0x00}, "\tSupported SRAM Types: None\n"},
        {0x0B, {0x80, 0xFF}, "\tSupported SRAM Types: None\n"},
        {0x0B, {0x48, 0x00}, "\tSupported SRAM Types:\n\t\tBurst\n\t\tAsynchronous\n"},
        {0x0D, {0x30, 0x00}, "\tInstalled SRAM Type: Pipeline Burst Synchronous\n"},
        {0x0D, {0x00, 0x00}, "\tInstalled SRAM Type: None\n"},
        {0x0F, {10}, "\tSpeed: 10 ns\n"},
        {0x10, {0x06}, "\tError Correction Type: Multi-bit ECC\n"},
        {0x10, {0x07}, "\tError Correction Type: <OUT OF SPEC>\n"},
        {0x10, {0x00}, "\tError Correction Type: <OUT OF SPEC>\n"},
        {0x11, {0x05}, "\tSystem Type: Unified\n"},
        {0x11, {0x06}, "\tSystem Type: <OUT OF SPEC>\n"},
        {0x12, {0x01}, "\tAssociativity: Other\n"},
        {0x12, {0x0E}, "\tAssociativity: 20-way Set-associative\n"},
        {0x12, {0x0F}, "\tAssociativity: <OUT OF SPEC>\n"},
        {0x12, {0x00}, "\tAssociativity: <OUT OF SPEC>\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.lines);
        bytes b = cache_body();
        for (std::size_t i = 0; i < r.value.size(); i++)
            b.at(r.offset - 4 + i) = r.value[i];
        std::string out = decode_one(structure(7, 0x70, b, {"L1-Cache"}));
        EXPECT_NE(out.find(std::string("\n") + r.lines), std::string::npos) << out;
    }
}

TEST(ConnectorTypeName, TablesAndBounds)
{
    struct row {
        std::uint8_t code;
        const char *name;
    } rows[] = {
        {0x00, "None"}, {0x0B, "RJ-45"}, {0x22, "SAS/SATA Plug Receptacle"}, {0x23, "<OUT OF SPEC>"},
        {0x9F, "<OUT OF SPEC>"}, {0xA0, "PC-98"}, {0xA3, "PC-98 Note"}, {0xA4, "PC-98 Full"},
        {0xA5, "<OUT OF SPEC>"}, {0xFE, "<OUT OF SPEC>"}, {0xFF, "Other"},
    };
    for (const auto &r : rows)
        EXPECT_STREQ(connector_type_name(r.code), r.name) << int(r.code);
}

TEST(PortConnector, FullDecodingAndShortStructure)
{
    EXPECT_EQ(decode_one(structure(8, 0x80, port_body(0xA3, 0x23, 0x09), {"J7", "COM2"})),
              "Port Connector Information\n"
              "\tInternal Reference Designator: J7\n"
              "\tInternal Connector Type: PC-98 Note\n"
              "\tExternal Reference Designator: COM2\n"
              "\tExternal Connector Type: <OUT OF SPEC>\n"
              "\tPort Type: Serial Port 16550A Compatible\n"
              "\n");
    EXPECT_EQ(decode_one(structure(8, 0x80, port_body(0xFF, 0x08, 0xFF), {"J7"})),
              "Port Connector Information\n"
              "\tInternal Reference Designator: J7\n"
              "\tInternal Connector Type: Other\n"
              "\tExternal Reference Designator: <BAD INDEX>\n"
              "\tExternal Connector Type: DB-9 male\n"
              "\tPort Type: Other\n"
              "\n");
    EXPECT_EQ(decode_one(structure(8, 0x80, cut(port_body(0, 0, 0), 8), {"J7", "COM2"})),
              "Port Connector Information\n\n");
}

TEST(PortConnector, PortTypeBounds)
{
    struct row {
        std::uint8_t code;
        const char *name;
    } rows[] = {
        {0x00, "None"}, {0x10, "USB"}, {0x21, "SAS"}, {0x22, "<OUT OF SPEC>"}, {0x9F, "<OUT OF SPEC>"},
        {0xA0, "8251 Compatible"}, {0xA1, "8251 FIFO Compatible"}, {0xA2, "<OUT OF SPEC>"},
        {0xFE, "<OUT OF SPEC>"}, {0xFF, "Other"},
    };
    for (const auto &r : rows) {
        std::string out = decode_one(structure(8, 0x80, port_body(0, 0, r.code)));
        EXPECT_TRUE(has_line(out, std::string("\tPort Type: ") + r.name + "\n")) << out;
    }
}
