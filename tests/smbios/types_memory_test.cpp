// Memory controller (5), memory module (6), physical memory array (16) and
// memory device (17) decodings.
#include "smbios/decode_checks.h"
#include "smbios/options.h"
#include "smbios/table_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A controller of four slots with 2 GB modules, every field group filled.
bytes controller_body()
{
    bytes b = {0x06, 0x28, 0x04, 0x03, 0x0B};
    put_word(b, 0x0018);     // 60 ns, 50 ns
    put_word(b, 0x0580);     // SIMM, DIMM, SDRAM
    b.push_back(0x02);       // 3.3 V
    b.push_back(4);          // slots
    for (std::uint16_t h = 0x10; h < 0x14; h++)
        put_word(b, h);
    b.push_back(0x08);       // enabled: single-bit
    return b;
}

const std::vector<gated_line> controller_lines = {
    {15, "\tError Detecting Method: 64-bit ECC\n"
         "\tError Correcting Capabilities:\n"
         "\t\tSingle-bit Error Correcting\n"
         "\t\tError Scrubbing\n"
         "\tSupported Interleave: Two-way Interleave\n"
         "\tCurrent Interleave: One-way Interleave\n"
         "\tMaximum Memory Module Size: 2048 MB\n"
         "\tMaximum Total Memory Size: 8192 MB\n"
         "\tSupported Speeds:\n"
         "\t\t60 ns\n"
         "\t\t50 ns\n"
         "\tSupported Memory Types:\n"
         "\t\tSIMM\n"
         "\t\tDIMM\n"
         "\t\tSDRAM\n"
         "\tMemory Module Voltage: 3.3 V\n"},
    {23, "\tAssociated Memory Slots: 4\n"
         "\t\t0x0010\n"
         "\t\t0x0011\n"
         "\t\t0x0012\n"
         "\t\t0x0013\n"},
    {24, "\tEnabled Error Correcting Capabilities:\n"
         "\t\tSingle-bit Error Correcting\n"},
};

bytes module_body()
{
    bytes b = {1, 0x01, 60};
    put_word(b, 0x0500); // DIMM, SDRAM
    b.push_back(0x0A);
    b.push_back(0x8A);
    b.push_back(0x00);
    return b;
}

const char module_head[] = "Memory Module Information\n"
                           "\tSocket Designation: DIMM0\n"
                           "\tBank Connections: 0 1\n"
                           "\tCurrent Speed: 60 ns\n"
                           "\tType: DIMM SDRAM\n"
                           "\tInstalled Size: 1024 MB (Single-bank Connection)\n"
                           "\tEnabled Size: 1024 MB (Double-bank Connection)\n";

bytes array_body()
{
    bytes b = {0x03, 0x03, 0x06};
    put_dword(b, 0x80000000);
    put_word(b, 0xFFFE);
    put_word(b, 8);
    put_qword(b, 1ULL << 40);
    return b;
}

// A registered DDR3 DIMM with every field group up to the voltages.
bytes device_body()
{
    bytes b;
    put_word(b, 0x1000);  // array
    put_word(b, 0xFFFE);  // error information
    put_word(b, 72);
    put_word(b, 64);
    put_word(b, 0x4000);  // 16384 MB
    b.insert(b.end(), {0x09, 0x00, 1, 2, 0x18});
    put_word(b, 0x2080);  // synchronous, registered
    put_word(b, 1333);
    b.insert(b.end(), {3, 4, 0, 5, 0x02});
    put_dword(b, 0);
    put_word(b, 1066);
    put_word(b, 1350);
    put_word(b, 1500);
    put_word(b, 1350);
    return b;
}

const std::vector<std::string> device_strings = {"P1_DIMMA1", "NODE0", "Samsung", "1234ABCD",
                                                  "M393B2G70BH0-CH9"};

const std::vector<gated_line> device_lines = {
    {21, "\tArray Handle: 0x1000\n"
         "\tError Information Handle: Not Provided\n"
         "\tTotal Width: 72 bits\n"
         "\tData Width: 64 bits\n"
         "\tSize: 16384 MB\n"
         "\tForm Factor: DIMM\n"
         "\tSet: None\n"
         "\tLocator: P1_DIMMA1\n"
         "\tBank Locator: NODE0\n"
         "\tType: DDR3\n"
         "\tType Detail: Synchronous Registered (Buffered)\n"},
    {23, "\tSpeed: 1333 MHz\n"},
    {27, "\tManufacturer: Samsung\n"
         "\tSerial Number: 1234ABCD\n"
         "\tAsset Tag: Not Specified\n"
         "\tPart Number: M393B2G70BH0-CH9\n"},
    {28, "\tRank: 2\n"},
    {34, "\tConfigured Clock Speed: 1066 MHz\n"},
    {40, "\tMinimum Voltage: 1.35 V\n"
         "\tMaximum Voltage: 1.5 V\n"
         "\tConfigured Voltage: 1.35 V\n"},
};

} // namespace

TEST(MemoryController, EveryLengthShowsItsFieldGroups)
{
    bytes body = controller_body();
    ASSERT_EQ(body.size() + 4, 24u);
    for (unsigned len = 4; len <= 24; len++) {
        SCOPED_TRACE(len);
        EXPECT_EQ(decode_one(make_structure(5, 0x20, cut(body, len))),
                  "Memory Controller Information\n" + lines_at(controller_lines, len) + "\n");
    }
}

TEST(MemoryController, SlotHandlesPrintInQuietMode)
{
    EXPECT_EQ(decode_one(make_structure(5, 0x20, controller_body()), 0x0300, MODE_QUIET),
              "Memory Controller Information\n" + lines_at(controller_lines, 24) + "\n");
}

TEST(MemoryController, EmptyFieldsAndOutOfRangeValues)
{
    // No capability bits among the named ones, no speeds, no types, no voltage, no slots.
    bytes b = {0x09, 0x40, 0x00, 0x08, 0x00};
    put_word(b, 0xFFE0);
    put_word(b, 0x0000);
    b.insert(b.end(), {0x00, 0x00, 0xC0});
    EXPECT_EQ(decode_one(make_structure(5, 0x20, b)),
              "Memory Controller Information\n"
              "\tError Detecting Method: <OUT OF SPEC>\n"
              "\tError Correcting Capabilities: None\n"
              "\tSupported Interleave: <OUT OF SPEC>\n"
              "\tCurrent Interleave: <OUT OF SPEC>\n"
              "\tMaximum Memory Module Size: 1 MB\n"
              "\tMaximum Total Memory Size: 0 MB\n"
              "\tSupported Speeds: None\n"
              "\tSupported Memory Types: None\n"
              "\tMemory Module Voltage: Unknown\n"
              "\tAssociated Memory Slots: 0\n"
              "\tEnabled Error Correcting Capabilities: None\n"
              "\n");
}

TEST(MemoryController, SlotListThatDoesNotFitIsLeftOut)
{
    // Six slots announced, room for five handles and nothing else.
    bytes b = patched(controller_body(), 0x0E, {6});
    b.resize(15 + 10 - 4, 0x11);
    std::string expected = lines_at(controller_lines, 15);
    std::string total = "Total Memory Size: 8192 MB";
    ASSERT_NE(expected.find(total), std::string::npos);
    expected.replace(expected.find(total), total.size(), "Total Memory Size: 12288 MB");
    EXPECT_EQ(decode_one(make_structure(5, 0x20, b)), "Memory Controller Information\n" + expected + "\n");
}

TEST(MemoryController, LargeExponentsPrintExactValuesOrTheOutOfRangeMark)
{
    struct row {
        std::uint8_t exponent, slots;
        const char *module, *total;
    } rows[] = {
        {31, 2, "2147483648 MB", "4294967296 MB"},
        {32, 1, "4294967296 MB", "4294967296 MB"},
        {40, 255, "1099511627776 MB", "280375465082880 MB"},
        {63, 1, "9223372036854775808 MB", "9223372036854775808 MB"},
        {63, 2, "9223372036854775808 MB", "<OUT OF SPEC>"},
        {56, 255, "72057594037927936 MB", "18374686479671623680 MB"},
        {57, 255, "144115188075855872 MB", "<OUT OF SPEC>"},
        {64, 0, "<OUT OF SPEC>", "<OUT OF SPEC>"},
        {255, 1, "<OUT OF SPEC>", "<OUT OF SPEC>"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.exponent);
        bytes b = patched(controller_body(), 0x08, {r.exponent});
        b = patched(b, 0x0E, {r.slots});
        std::string out = decode_one(make_structure(5, 0x20, cut(b, 15)));
        EXPECT_TRUE(has_line(out, std::string("\tMaximum Memory Module Size: ") + r.module + "\n")) << out;
        EXPECT_TRUE(has_line(out, std::string("\tMaximum Total Memory Size: ") + r.total + "\n")) << out;
    }
}

TEST(MemoryModule, FullDecoding)
{
    EXPECT_EQ(decode_one(make_structure(6, 0x30, module_body(), {"DIMM0"})),
              std::string(module_head) + "\tError Status: OK\n\n");
    EXPECT_EQ(decode_one(make_structure(6, 0x30, cut(module_body(), 11), {"DIMM0"})),
              "Memory Module Information\n\n");
}

TEST(MemoryModule, ErrorStatus)
{
    struct row {
        std::uint8_t status;
        const char *text;
    } rows[] = {
        {0x00, " OK\n"},
        {0xF8, " OK\n"},
        {0x01, "\t\tUncorrectable Errors\n"},
        {0x02, "\t\tCorrectable Errors\n"},
        {0x03, "\t\tUncorrectable Errors\n\t\tCorrectable Errors\n"},
        {0x04, " See Event Log\n"},
        {0x07, " See Event Log\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.status);
        EXPECT_EQ(decode_one(make_structure(6, 0x30, patched(module_body(), 0x0B, {r.status}), {"DIMM0"})),
                  std::string(module_head) + "\tError Status:" + r.text + "\n");
    }
}

TEST(MemoryModule, BanksSpeedAndSizes)
{
    struct row {
        std::size_t offset;
        std::uint8_t value;
        const char *line;
    } rows[] = {
        {0x05, 0xF2, "\tBank Connections: 2\n"},
        {0x05, 0x3F, "\tBank Connections: 3\n"},
        {0x05, 0xFE, "\tBank Connections: 14\n"},
        {0x05, 0xFF, "\tBank Connections: None\n"},
        {0x06, 0x00, "\tCurrent Speed: Unknown\n"},
        {0x09, 0x7D, "\tInstalled Size: Not Determinable (Single-bank Connection)\n"},
        {0x0A, 0xFE, "\tEnabled Size: Disabled (Double-bank Connection)\n"},
        {0x0A, 0xFF, "\tEnabled Size: Not Installed\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.line);
        std::string out = decode_one(make_structure(6, 0x30, patched(module_body(), r.offset, {r.value}), {"DIMM0"}));
        EXPECT_TRUE(has_line(out, r.line)) << out;
    }
    bytes no_types = patched(module_body(), 0x07, {0x00, 0xF8}); // only bits above SDRAM
    EXPECT_TRUE(has_line(decode_one(make_structure(6, 0x30, no_types, {"DIMM0"})), "\tType: None\n"));
}

TEST(PhysicalMemoryArray, FullDecodingAndQuietMode)
{
    const std::string head = "Physical Memory Array\n"
                             "\tLocation: System Board Or Motherboard\n"
                             "\tUse: System Memory\n"
                             "\tError Correction Type: Multi-bit ECC\n"
                             "\tMaximum Capacity: 1 TB\n";
    EXPECT_EQ(decode_one(make_structure(16, 0x40, array_body())),
              head + "\tError Information Handle: Not Provided\n\tNumber Of Devices: 8\n\n");
    EXPECT_EQ(decode_one(make_structure(16, 0x40, array_body()), 0x0300, MODE_QUIET),
              head + "\tNumber Of Devices: 8\n\n");
    EXPECT_EQ(decode_one(make_structure(16, 0x40, cut(array_body(), 14))), "Physical Memory Array\n\n");
}

TEST(PhysicalMemoryArray, MaximumCapacity)
{
    struct row {
        std::uint32_t kb;
        unsigned length;
        const char *text;
    } rows[] = {
        {0x80000000, 23, " 1 TB"},   // extended, in bytes
        {0x80000000, 22, " Unknown"},
        {0x80000000, 15, " Unknown"},
        {0x00100000, 23, " 1 GB"},   // the extended field only counts behind the marker
        {0x02000000, 15, " 32 GB"},
        {0x00180000, 15, " 1536 MB"},
        {0x7FFFFFFF, 15, " 2047 GB"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.text);
        bytes b = array_body();
        b[3] = static_cast<std::uint8_t>(r.kb);
        b[4] = static_cast<std::uint8_t>(r.kb >> 8);
        b[5] = static_cast<std::uint8_t>(r.kb >> 16);
        b[6] = static_cast<std::uint8_t>(r.kb >> 24);
        std::string out = decode_one(make_structure(16, 0x40, cut(b, r.length)));
        EXPECT_TRUE(has_line(out, std::string("\tMaximum Capacity:") + r.text + "\n")) << out;
    }
}

TEST(PhysicalMemoryArray, EnumerationBounds)
{
    struct row {
        std::size_t offset;
        std::uint8_t value;
        const char *line;
    } rows[] = {
        {0x04, 0x00, "\tLocation: <OUT OF SPEC>\n"},
        {0x04, 0x0A, "\tLocation: NuBus\n"},
        {0x04, 0x0B, "\tLocation: <OUT OF SPEC>\n"},
        {0x04, 0x9F, "\tLocation: <OUT OF SPEC>\n"},
        {0x04, 0xA0, "\tLocation: PC-98/C20 Add-on Card\n"},
        {0x04, 0xA3, "\tLocation: PC-98/Local Bus Add-on Card\n"},
        {0x04, 0xA4, "\tLocation: <OUT OF SPEC>\n"},
        {0x05, 0x07, "\tUse: Cache Memory\n"},
        {0x05, 0x08, "\tUse: <OUT OF SPEC>\n"},
        {0x06, 0x01, "\tError Correction Type: Other\n"},
        {0x06, 0x07, "\tError Correction Type: CRC\n"},
        {0x06, 0x08, "\tError Correction Type: <OUT OF SPEC>\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.line);
        std::string out = decode_one(make_structure(16, 0x40, patched(array_body(), r.offset, {r.value})));
        EXPECT_TRUE(has_line(out, r.line)) << out;
    }
}

TEST(MemoryDevice, EveryLengthShowsItsFieldGroups)
{
    bytes body = device_body();
    ASSERT_EQ(body.size() + 4, 40u);
    for (unsigned len = 4; len <= 40; len++) {
        SCOPED_TRACE(len);
        EXPECT_EQ(decode_one(make_structure(17, 0x1100, cut(body, len), device_strings), 0x0208),
                  "Memory Device\n" + lines_at(device_lines, len) + "\n");
    }
}

TEST(MemoryDevice, QuietModeLeavesOutHandles)
{
    std::string full = lines_at(device_lines, 40);
    std::string handles = "\tArray Handle: 0x1000\n\tError Information Handle: Not Provided\n";
    ASSERT_TRUE(full.starts_with(handles));
    EXPECT_EQ(decode_one(make_structure(17, 0x1100, device_body(), device_strings), 0x0208, MODE_QUIET),
              "Memory Device\n" + full.substr(handles.size()) + "\n");
}

TEST(MemoryDevice, Size)
{
    struct row {
        std::uint16_t size;
        std::uint32_t extended;
        unsigned length;
        const char *text;
    } rows[] = {
        {0x7FFF, 0x00010000, 34, " 64 GB"},
        {0x7FFF, 0x00100000, 34, " 1 TB"},
        {0x7FFF, 0x00002001, 34, " 8193 MB"},
        {0x7FFF, 0x80010000, 32, " 64 GB"},  // bit 31 is reserved
        {0x7FFF, 0x00010000, 31, " 32767 MB"}, // no room for the extended size
        {0x7FFF, 0x7FF00000, 40, " 2047 TB"},
        {0x7FFF, 0x000FFC00, 40, " 1023 GB"},
        {0x4000, 0x00100000, 40, " 16384 MB"}, // extended size only behind the marker
        {0x8200, 0, 40, " 512 kB"},
        {0x0000, 0, 40, " No Module Installed"},
        {0xFFFF, 0, 40, " Unknown"},
        {0x8000, 0, 21, " 0 kB"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.text);
        bytes b = patched(device_body(), 0x0C, {static_cast<std::uint8_t>(r.size), static_cast<std::uint8_t>(r.size >> 8)});
        b = patched(b, 0x1C, {static_cast<std::uint8_t>(r.extended), static_cast<std::uint8_t>(r.extended >> 8),
                              static_cast<std::uint8_t>(r.extended >> 16), static_cast<std::uint8_t>(r.extended >> 24)});
        std::string out = decode_one(make_structure(17, 0x1100, cut(b, r.length), device_strings));
        EXPECT_TRUE(has_line(out, std::string("\tSize:") + r.text + "\n")) << out;
    }
}

TEST(MemoryDevice, FieldValues)
{
    struct row {
        std::size_t offset;
        std::vector<std::uint8_t> value;
        const char *line;
    } rows[] = {
        {0x06, {0xFF, 0xFF}, "\tError Information Handle: No Error\n"},
        {0x06, {0x34, 0x12}, "\tError Information Handle: 0x1234\n"},
        {0x08, {0xFF, 0xFF}, "\tTotal Width: Unknown\n"},
        {0x0A, {0x00, 0x00}, "\tData Width: Unknown\n"},
        {0x0E, {0x0F}, "\tForm Factor: FB-DIMM\n"},
        {0x0E, {0x10}, "\tForm Factor: <OUT OF SPEC>\n"},
        {0x0E, {0x00}, "\tForm Factor: <OUT OF SPEC>\n"},
        {0x0F, {0xFF}, "\tSet: Unknown\n"},
        {0x0F, {0x03}, "\tSet: 3\n"},
        {0x12, {0x1A}, "\tType: DDR4\n"},
        {0x12, {0x1E}, "\tType: LPDDR4\n"},
        {0x12, {0x1F}, "\tType: <OUT OF SPEC>\n"},
        {0x12, {0x00}, "\tType: <OUT OF SPEC>\n"},
        {0x13, {0x00, 0x00}, "\tType Detail: None\n"},
        {0x13, {0x01, 0x00}, "\tType Detail: None\n"},
        {0x13, {0x02, 0x80}, "\tType Detail: Other LRDIMM\n"},
        {0x13, {0x00, 0x40}, "\tType Detail: Unbuffered (Unregistered)\n"},
        {0x15, {0x00, 0x00}, "\tSpeed: Unknown\n"},
        {0x1B, {0x10}, "\tRank: Unknown\n"},
        {0x1B, {0xF4}, "\tRank: 4\n"},
        {0x1B, {0x08}, "\tRank: 8\n"},
        {0x1B, {0x3C}, "\tRank: 12\n"},
        {0x1B, {0xFF}, "\tRank: 15\n"},
        {0x20, {0x00, 0x00}, "\tConfigured Clock Speed: Unknown\n"},
        {0x22, {0x00, 0x00}, "\tMinimum Voltage: Unknown\n"},
        {0x24, {0x4C, 0x04}, "\tMaximum Voltage: 1.1 V\n"},   // 1100 mV
        {0x26, {0xE2, 0x04}, "\tConfigured Voltage: 1.25 V\n"}, // 1250 mV
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.line);
        bytes b = device_body();
        for (std::size_t i = 0; i < r.value.size(); i++)
            b.at(r.offset - 4 + i) = r.value[i];
        std::string out = decode_one(make_structure(17, 0x1100, b, device_strings));
        EXPECT_TRUE(has_line(out, r.line)) << out;
    }
}
