// System slot (9) and on-board device (10) decodings.
#include "smbios/decode_checks.h"
#include "smbios/table_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A PCI Express 2 x16 slot in use, with a bus address.
bytes slot_body()
{
    bytes b = {1, 0xB0, 0x0D, 0x04, 0x04, 1, 0, 0x04, 0x01};
    put_word(b, 0x0000);
    b.insert(b.end(), {0x02, 0x00});
    return b;
}

const std::vector<gated_line> slot_lines = {
    {12, "\tDesignation: CPU1 SLOT1\n"
         "\tType: x16 PCI Express 2 x16\n"
         "\tCurrent Usage: In Use\n"
         "\tLength: Long\n"
         "\tID: 1\n"
         "\tCharacteristics:\n"
         "\t\t3.3 V is provided\n"},
    {13, "\t\tPME signal is supported\n"},
    {17, "\tBus Address: 0000:02:00.0\n"},
};

std::string decode_slot(const bytes &body)
{
    return decode_one(structure(9, 0x90, body, {"CPU1 SLOT1"}));
}

} // namespace

TEST(SystemSlot, EveryLengthShowsItsFieldGroups)
{
    bytes body = slot_body();
    ASSERT_EQ(body.size() + 4, 17u);
    for (unsigned len = 4; len <= 17; len++) {
        SCOPED_TRACE(len);
        EXPECT_EQ(decode_slot(cut(body, len)), "System Slot Information\n" + lines_at(slot_lines, len) + "\n");
    }
}

TEST(SystemSlot, WidthPrefixRunsIntoTypeName)
{
    struct row {
        std::uint8_t width, type;
        const char *text;
    } rows[] = {
        {0x00, 0x06, "<OUT OF SPEC>PCI"},
        {0x01, 0x06, "PCI"},
        {0x02, 0x06, "PCI"},
        {0x03, 0x03, "8-bit ISA"},
        {0x05, 0x06, "32-bit PCI"},
        {0x07, 0x12, "128-bit PCI-X"},
        {0x08, 0xA6, "x1 PCI Express x1"},
        {0x0E, 0xB6, "x32 PCI Express 3 x16"},
        {0x0F, 0x06, "<OUT OF SPEC>PCI"},
        {0x0D, 0x00, "x16 <OUT OF SPEC>"},
        {0x0D, 0x01, "x16 Other"},
        {0x0D, 0x20, "x16 PCI Express 3 SFF-8639"},
        {0x0D, 0x21, "x16 <OUT OF SPEC>"},
        {0x0D, 0x9F, "x16 <OUT OF SPEC>"},
        {0x0D, 0xA0, "x16 PC-98/C20"},
        {0x0D, 0xB7, "x16 <OUT OF SPEC>"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.text);
        std::string out = decode_slot(patched(slot_body(), 0x05, {r.type, r.width}));
        EXPECT_TRUE(has_line(out, std::string("\tType: ") + r.text + "\n")) << out;
    }
}

TEST(SystemSlot, UsageLengthAndIdLineBySlotType)
{
    struct row {
        std::uint8_t type;
        const char *id; // nullptr: no ID line
    } rows[] = {
        {0x03, nullptr}, {0x04, "\tID: 7\n"}, {0x06, "\tID: 7\n"}, {0x07, "\tID: Adapter 7, Socket 9\n"},
        {0x08, nullptr}, {0x0D, nullptr}, {0x0E, "\tID: 7\n"}, {0x13, "\tID: 7\n"}, {0x14, nullptr},
        {0x1E, nullptr}, {0x1F, "\tID: 7\n"}, {0x20, "\tID: 7\n"}, {0x21, nullptr}, {0xA4, nullptr},
        {0xA5, "\tID: 7\n"}, {0xB6, "\tID: 7\n"}, {0xB7, nullptr},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(int(r.type));
        std::string out = decode_slot(patched(patched(slot_body(), 0x05, {r.type}), 0x09, {7, 9}));
        std::size_t usage = out.find("\tLength: Long\n");
        ASSERT_NE(usage, std::string::npos) << out;
        std::string after = out.substr(usage + 14);
        EXPECT_EQ(after.starts_with("\tID:"), r.id != nullptr) << out;
        if (r.id) {
            EXPECT_TRUE(after.starts_with(r.id)) << out;
        }
    }
    struct enum_row {
        std::uint8_t usage, length;
        const char *lines;
    } enums[] = {
        {0x01, 0x03, "\tCurrent Usage: Other\n\tLength: Short\n"},
        {0x03, 0x02, "\tCurrent Usage: Available\n\tLength: Unknown\n"},
        {0x00, 0x05, "\tCurrent Usage: <OUT OF SPEC>\n\tLength: <OUT OF SPEC>\n"},
        {0x05, 0x00, "\tCurrent Usage: <OUT OF SPEC>\n\tLength: <OUT OF SPEC>\n"},
    };
    for (const auto &e : enums) {
        std::string out = decode_slot(patched(slot_body(), 0x07, {e.usage, e.length}));
        EXPECT_NE(out.find(e.lines), std::string::npos) << out;
    }
}

TEST(SystemSlot, Characteristics)
{
    struct row {
        std::uint8_t c1, c2;
        const char *text;
    } rows[] = {
        {0x01, 0x07, " Unknown\n"},
        {0x03, 0x00, " Unknown\n"},
        {0x00, 0x00, " None\n"},
        {0x00, 0xF8, " None\n"},
        {0x00, 0x04, "\n\t\tSMBus signal is supported\n"},
        {0x80, 0x00, "\n\t\tModem ring resume is supported\n"},
        {0xFE, 0xFF, "\n\t\t5.0 V is provided\n\t\t3.3 V is provided\n\t\tOpening is shared\n"
                     "\t\tPC Card-16 is supported\n\t\tCardbus is supported\n\t\tZoom Video is supported\n"
                     "\t\tModem ring resume is supported\n\t\tPME signal is supported\n"
                     "\t\tHot-plug devices are supported\n\t\tSMBus signal is supported\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.text);
        std::string out = decode_slot(cut(patched(slot_body(), 0x0B, {r.c1, r.c2}), 13));
        EXPECT_NE(out.find(std::string("\tID: 1\n\tCharacteristics:") + r.text + "\n"), std::string::npos) << out;
    }
    // A structure of 12 bytes has no second characteristics byte (the string
    // set, whose first byte has bits 0 and 1 set, follows in its place).
    std::string out = decode_slot(cut(patched(slot_body(), 0x0B, {0x00, 0x07}), 12));
    EXPECT_TRUE(out.ends_with("\tCharacteristics: None\n\n")) << out;
}

TEST(SystemSlot, BusAddress)
{
    struct row {
        std::vector<std::uint8_t> address; // segment (2 bytes), bus, device/function
        const char *line;                  // nullptr: no line
    } rows[] = {
        {{0xFF, 0xFF, 0xFF, 0xFF}, nullptr},
        {{0xFF, 0xFF, 0x00, 0xFF}, "\tBus Address: ffff:00:1f.7\n"},
        {{0x01, 0x00, 0xFF, 0xFF}, "\tBus Address: 0001:ff:1f.7\n"},
        {{0x00, 0x00, 0x81, 0x0A}, "\tBus Address: 0000:81:01.2\n"},
    };
    for (const auto &r : rows) {
        bytes b = slot_body();
        for (std::size_t i = 0; i < 4; i++)
            b.at(0x0D - 4 + i) = r.address[i];
        std::string out = decode_slot(b);
        if (r.line) {
            EXPECT_TRUE(out.ends_with(std::string(r.line) + "\n")) << out;
        } else {
            EXPECT_EQ(out.find("Bus Address"), std::string::npos) << out;
        }
    }
}

TEST(OnBoardDevices, OneHeadingPerDeviceAndNoTitle)
{
    const std::vector<std::string> strings = {"ATI ES1000", "Intel 82576"};
    EXPECT_EQ(decode_one(structure(10, 0xA0, {0x83}, strings)), "\n");
    EXPECT_EQ(decode_one(structure(10, 0xA0, {0x83, 1}, strings)),
              "On Board Device Information\n"
              "\tType: Video\n"
              "\tStatus: Enabled\n"
              "\tDescription: ATI ES1000\n"
              "\n");
    // An odd trailing byte holds no device.
    EXPECT_EQ(decode_one(structure(10, 0xA0, {0x83, 1, 0x05, 2, 0x8A}, strings)),
              "On Board Device 1 Information\n"
              "\tType: Video\n"
              "\tStatus: Enabled\n"
              "\tDescription: ATI ES1000\n"
              "On Board Device 2 Information\n"
              "\tType: Ethernet\n"
              "\tStatus: Disabled\n"
              "\tDescription: Intel 82576\n"
              "\n");
}

TEST(OnBoardDevices, TypeBoundsAndMissingDescriptions)
{
    std::string out = decode_one(structure(10, 0xA0, {0x0A, 0, 0x8B, 3, 0x00, 0, 0x81, 1}, {"BMC"}));
    EXPECT_EQ(out,
              "On Board Device 1 Information\n\tType: SAS Controller\n\tStatus: Disabled\n\tDescription: Not Specified\n"
              "On Board Device 2 Information\n\tType: <OUT OF SPEC>\n\tStatus: Enabled\n\tDescription: <BAD INDEX>\n"
              "On Board Device 3 Information\n\tType: <OUT OF SPEC>\n\tStatus: Disabled\n\tDescription: Not Specified\n"
              "On Board Device 4 Information\n\tType: Other\n\tStatus: Enabled\n\tDescription: BMC\n"
              "\n");
}
