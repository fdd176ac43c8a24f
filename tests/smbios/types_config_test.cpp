// OEM strings (11), configuration options (12), BIOS language (13), group
// associations (14) and system event log (15) decodings.
#include "smbios/decode_checks.h"
#include "smbios/options.h"
#include "smbios/table_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bytes language_body(std::uint8_t count, std::uint8_t flags, std::uint8_t current)
{
    bytes b = {count, flags};
    b.resize(b.size() + 15, 0);
    b.push_back(current);
    return b;
}

// A memory-mapped log with a 16-byte header and three descriptors.
bytes event_log_body()
{
    bytes b;
    put_word(b, 1024);
    put_word(b, 0x0000);
    put_word(b, 0x0010);
    b.insert(b.end(), {0x03, 0x01});
    put_dword(b, 0x12345678);
    put_dword(b, 0xFFE00000);
    b.insert(b.end(), {0x01, 3, 2, 0x01, 0x00, 0x08, 0x04, 0x16, 0x00});
    return b;
}

const std::vector<gated_line> event_log_lines = {
    {20, "\tArea Length: 1024 bytes\n"
         "\tHeader Start Offset: 0x0000\n"
         "\tHeader Length: 16 bytes\n"
         "\tData Start Offset: 0x0010\n"
         "\tAccess Method: Memory-mapped physical 32-bit address\n"
         "\tAccess Address: 0xFFE00000\n"
         "\tStatus: Valid, Not Full\n"
         "\tChange Token: 0x12345678\n"},
    {23, "\tHeader Format: Type 1\n"
         "\tSupported Log Type Descriptors: 3\n"},
    {29, "\tDescriptor 1: Single-bit ECC memory error\n"
         "\tData Format 1: None\n"
         "\tDescriptor 2: POST error\n"
         "\tData Format 2: POST results bitmap\n"
         "\tDescriptor 3: Log area reset/cleared\n"
         "\tData Format 3: None\n"},
};

std::string decode_log(const bytes &body)
{
    return decode_one(structure(15, 0xF0, body));
}

} // namespace

TEST(NumberedStrings, OemStringsAndConfigurationOptions)
{
    struct row {
        std::uint8_t type;
        const char *title, *label;
    } rows[] = {{11, "OEM Strings\n", "String"}, {12, "System Configuration Options\n", "Option"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.title);
        std::string label = std::string("\t") + r.label;
        EXPECT_EQ(decode_one(structure(r.type, 0xB0, {3}, {"Supermicro", "KELB 5.3"})),
                  r.title + label + " 1: Supermicro\n" + label + " 2: KELB 5.3\n" + label + " 3: <BAD INDEX>\n\n");
        EXPECT_EQ(decode_one(structure(r.type, 0xB0, {0}, {"Supermicro"})), std::string(r.title) + "\n");
        EXPECT_EQ(decode_one(structure(r.type, 0xB0, {}, {"Supermicro"})), std::string(r.title) + "\n");
    }
}

TEST(BiosLanguage, FormatLineFromVersion21)
{
    const std::vector<std::string> langs = {"en|US|iso8859-1", "fr|FR|iso8859-1"};
    const std::string rest = "\tInstallable Languages: 2\n"
                             "\t\ten|US|iso8859-1\n"
                             "\t\tfr|FR|iso8859-1\n"
                             "\tCurrently Installed Language: fr|FR|iso8859-1\n\n";
    EXPECT_EQ(decode_one(structure(13, 0xD0, language_body(2, 0x01, 2), langs), 0x0201),
              "BIOS Language Information\n\tLanguage Description Format: Abbreviated\n" + rest);
    EXPECT_EQ(decode_one(structure(13, 0xD0, language_body(2, 0xFE, 2), langs), 0x0300),
              "BIOS Language Information\n\tLanguage Description Format: Long\n" + rest);
    EXPECT_EQ(decode_one(structure(13, 0xD0, language_body(2, 0x01, 2), langs), 0x0200),
              "BIOS Language Information\n" + rest);
    EXPECT_EQ(decode_one(structure(13, 0xD0, cut(language_body(2, 0x01, 2), 21), langs), 0x0300),
              "BIOS Language Information\n\n");
    EXPECT_EQ(decode_one(structure(13, 0xD0, language_body(0, 0x00, 0)), 0x0300),
              "BIOS Language Information\n"
              "\tLanguage Description Format: Long\n"
              "\tInstallable Languages: 0\n"
              "\tCurrently Installed Language: Not Specified\n\n");
}

TEST(GroupAssociations, ItemsAndQuietMode)
{
    bytes b = {1, 4};
    put_word(b, 0x0004);
    b.push_back(7);
    put_word(b, 0x0700);
    b.push_back(43);
    put_word(b, 0x1234);
    b.insert(b.end(), {0xEE, 0xEE}); // not a whole item
    const std::string expected = "Group Associations\n"
                                 "\tName: Cpu Module\n"
                                 "\tItems: 3\n"
                                 "\t\t0x0004 (Processor)\n"
                                 "\t\t0x0700 (Cache)\n"
                                 "\t\t0x1234 (<OUT OF SPEC>)\n\n";
    EXPECT_EQ(decode_one(structure(14, 0xE0, b, {"Cpu Module"})), expected);
    EXPECT_EQ(decode_one(structure(14, 0xE0, b, {"Cpu Module"}), 0x0300, MODE_QUIET), expected);
    EXPECT_EQ(decode_one(structure(14, 0xE0, {1, 42, 0x01}, {"Cpu Module"})),
              "Group Associations\n\tName: Cpu Module\n\tItems: 0\n\n");
    EXPECT_EQ(decode_one(structure(14, 0xE0, {}, {"Cpu Module"})), "Group Associations\n\n");
}

TEST(EventLog, EveryLengthShowsItsFieldGroups)
{
    bytes body = event_log_body();
    ASSERT_EQ(body.size() + 4, 29u);
    for (unsigned len = 4; len <= 29; len++) {
        SCOPED_TRACE(len);
        EXPECT_EQ(decode_log(cut(body, len)), "System Event Log\n" + lines_at(event_log_lines, len) + "\n");
    }
}

TEST(EventLog, DescriptorListBounds)
{
    struct row {
        std::uint8_t count, size;
        unsigned length;
        const char *descriptors; // the lines after the count line
    } rows[] = {
        {0, 2, 29, ""},
        {3, 2, 28, ""},                 // one byte short of the third descriptor
        {2, 2, 27, "\tDescriptor 1: Single-bit ECC memory error\n\tData Format 1: None\n"
                   "\tDescriptor 2: POST error\n\tData Format 2: POST results bitmap\n"},
        {2, 3, 29, "\tDescriptor 1: Single-bit ECC memory error\n\tData Format 1: None\n"
                   "\tDescriptor 2: Bus timeout\n\tData Format 2: <OUT OF SPEC>\n"},
        {1, 6, 29, "\tDescriptor 1: Single-bit ECC memory error\n\tData Format 1: None\n"},
        {200, 0, 29, ""},               // fits trivially, but no descriptor holds its two bytes
        {200, 1, 29, ""},
        {2, 1, 29, ""},
        {255, 255, 29, ""},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(int(r.count) * 1000 + r.size);
        bytes b = patched(event_log_body(), 0x15, {r.count, r.size});
        std::string count_line = "\tSupported Log Type Descriptors: " + std::to_string(r.count) + "\n";
        std::string out = decode_log(cut(b, r.length));
        EXPECT_TRUE(out.ends_with(count_line + r.descriptors + "\n")) << out;
    }
}

TEST(EventLog, LogTypeAndDataFormatNames)
{
    struct row {
        std::uint8_t value;
        const char *type, *format;
    } rows[] = {
        {0x00, "<OUT OF SPEC>", "None"},
        {0x01, "Single-bit ECC memory error", "Handle"},
        {0x06, "Software NMI", "Multiple-event system management"},
        {0x07, "POST memory resize", "<OUT OF SPEC>"},
        {0x0E, "Logging disabled", "<OUT OF SPEC>"},
        {0x0F, "<OUT OF SPEC>", "<OUT OF SPEC>"},
        {0x10, "System limit exceeded", "<OUT OF SPEC>"},
        {0x17, "System boot", "<OUT OF SPEC>"},
        {0x18, "<OUT OF SPEC>", "<OUT OF SPEC>"},
        {0x7F, "<OUT OF SPEC>", "<OUT OF SPEC>"},
        {0x80, "OEM-specific", "OEM-specific"},
        {0xFE, "OEM-specific", "OEM-specific"},
        {0xFF, "End of log", "OEM-specific"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(int(r.value));
        bytes b = patched(event_log_body(), 0x15, {1, 2, r.value, r.value});
        EXPECT_TRUE(decode_log(cut(b, 25)).ends_with(std::string("\tSupported Log Type Descriptors: 1\n\tDescriptor 1: ") +
                                                     r.type + "\n\tData Format 1: " + r.format + "\n\n"));
    }
}

TEST(EventLog, AccessMethodsHeaderAndStatus)
{
    bytes base = patched(event_log_body(), 0x10, {0x34, 0x12, 0x78, 0x56});
    struct row {
        std::size_t offset;
        std::vector<std::uint8_t> value;
        const char *lines;
    } rows[] = {
        {0x0A, {0x00}, "\tAccess Method: Indexed I/O, one 8-bit index port, one 8-bit data port\n\tAccess Address: Index 0x1234, Data 0x5678\n"},
        {0x0A, {0x01}, "\tAccess Method: Indexed I/O, two 8-bit index ports, one 8-bit data port\n\tAccess Address: Index 0x1234, Data 0x5678\n"},
        {0x0A, {0x02}, "\tAccess Method: Indexed I/O, one 16-bit index port, one 8-bit data port\n\tAccess Address: Index 0x1234, Data 0x5678\n"},
        {0x0A, {0x03}, "\tAccess Method: Memory-mapped physical 32-bit address\n\tAccess Address: 0x56781234\n"},
        {0x0A, {0x04}, "\tAccess Method: General-purpose non-volatile data functions\n\tAccess Address: 0x1234\n"},
        {0x0A, {0x05}, "\tAccess Method: <OUT OF SPEC>\n\tAccess Address: Unknown\n"},
        {0x0A, {0x7F}, "\tAccess Method: <OUT OF SPEC>\n\tAccess Address: Unknown\n"},
        {0x0A, {0x80}, "\tAccess Method: OEM-specific\n\tAccess Address: Unknown\n"},
        {0x0B, {0x00}, "\tStatus: Invalid, Not Full\n"},
        {0x0B, {0x02}, "\tStatus: Invalid, Full\n"},
        {0x0B, {0xFF}, "\tStatus: Valid, Full\n"},
        {0x14, {0x00}, "\tHeader Format: No Header\n"},
        {0x14, {0x02}, "\tHeader Format: <OUT OF SPEC>\n"},
        {0x14, {0x7F}, "\tHeader Format: <OUT OF SPEC>\n"},
        {0x14, {0xFF}, "\tHeader Format: OEM-specific\n"},
        {0x06, {0x10, 0x00}, "\tHeader Start Offset: 0x0010\n\tData Start Offset: 0x0010\n"},
        {0x06, {0x0F, 0x00}, "\tHeader Start Offset: 0x000F\n\tHeader Length: 1 byte\n\tData Start Offset: 0x0010\n"},
        {0x06, {0x0E, 0x00}, "\tHeader Start Offset: 0x000E\n\tHeader Length: 2 bytes\n\tData Start Offset: 0x0010\n"},
        // A data start below the header start wraps around the 16-bit log area.
        {0x06, {0x11, 0x00}, "\tHeader Start Offset: 0x0011\n\tHeader Length: 65535 bytes\n\tData Start Offset: 0x0010\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.lines);
        bytes b = base;
        for (std::size_t i = 0; i < r.value.size(); i++)
            b.at(r.offset - 4 + i) = r.value[i];
        std::string out = decode_log(b);
        EXPECT_NE(out.find(std::string("\n") + r.lines), std::string::npos) << out;
    }
}
