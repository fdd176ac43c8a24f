// Value formatters shared by the structure type decoders.
#include "smbios/format.h"

#include "support/capture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace {

struct printed_case {
    const char *what;
    std::function<void()> print;
    const char *expected;
};

void expect_printed(std::initializer_list<printed_case> cases)
{
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(capture_stdout(c.print), c.expected);
    }
}

} // namespace

TEST(PrintSize, PicksTheTwoHighestGroups)
{
    struct {
        std::uint64_t value;
        int shift;
        const char *expected;
    } cases[] = {
        {1536, 1, " 1536 kB"},
        {0x100000, 1, " 1 GB"},
        {0, 1, " 0 kB"},
        {0, 0, " 0 bytes"},
        {1023, 0, " 1023 bytes"},
        {1024, 0, " 1 kB"},
        {0xC0000000, 0, " 3 GB"},
        {0x60000000, 1, " 1536 GB"},
        {0x100000401, 0, " 4 GB"}, // group 2 and group 0 set, group 1 clear
        {~0ULL, 0, " 16383 PB"},
        {~0ULL, 1, " 16383 EB"},
        {1ULL << 60, 1, " 1 ZB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(capture_stdout([&] { print_size(c.value, c.shift); }), c.expected);
    }
}

TEST(PrintVoltageCode, ExactValueOrLevelBits)
{
    struct {
        std::uint8_t code;
        const char *expected;
    } cases[] = {
        {0x8C, " 1.2 V"}, {0x80, " 0.0 V"}, {0xFF, " 12.7 V"}, {0x83, " 0.3 V"},
        {0x03, " 5.0 V 3.3 V"}, {0x07, " 5.0 V 3.3 V 2.9 V"}, {0x04, " 2.9 V"},
        {0x0B, " 5.0 V 3.3 V"}, {0x00, " Unknown"}, {0x08, ""}, {0x78, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(capture_stdout([&] { print_voltage_code(c.code); }), c.expected);
    }
}

TEST(PrintDimmVoltage, ShortestFormUnlessTenths)
{
    struct {
        std::uint16_t mv;
        const char *expected;
    } cases[] = {
        {1350, " 1.35 V"}, {1500, " 1.5 V"}, {1000, " 1.0 V"}, {1200, " 1.2 V"}, {0, " Unknown"},
        {1234, " 1.234 V"}, {5, " 0.005 V"}, {65535, " 65.535 V"}, {100, " 0.1 V"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mv);
        EXPECT_EQ(capture_stdout([&] { print_dimm_voltage(c.mv); }), c.expected);
    }
}

TEST(PrintCacheSize, GranularityBit)
{
    struct {
        std::uint16_t code;
        const char *expected;
    } cases[] = {
        {0x8010, " 1024 kB"}, {0x0010, " 16 kB"}, {0x8000, " 0 kB"}, {0x7FFF, " 32767 kB"},
        {0xFFFF, " 2097088 kB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(capture_stdout([&] { print_cache_size(c.code); }), c.expected);
    }
}

TEST(PrintUuid, ByteOrderByVersionAndSpecialValues)
{
    std::array<std::uint8_t, 16> seq{}, ones{}, zeros{}, almost{};
    for (int i = 0; i < 16; i++) {
        seq[i] = static_cast<std::uint8_t>(i * 0x11);
        ones[i] = 0xFF;
        almost[i] = 0xFF;
    }
    almost[15] = 0xFE;
    struct {
        const std::uint8_t *uuid;
        std::uint16_t version;
        const char *expected;
    } cases[] = {
        {seq.data(), 0x0206, "33221100-5544-7766-8899-AABBCCDDEEFF"},
        {seq.data(), 0x0300, "33221100-5544-7766-8899-AABBCCDDEEFF"},
        {seq.data(), 0x0205, "00112233-4455-6677-8899-AABBCCDDEEFF"},
        {seq.data(), 0x0200, "00112233-4455-6677-8899-AABBCCDDEEFF"},
        {ones.data(), 0x0300, "Not Present"},
        {ones.data(), 0x0200, "Not Present"},
        {zeros.data(), 0x0300, "Not Settable"},
        {almost.data(), 0x0205, "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFE"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(capture_stdout([&] { print_uuid(c.uuid, c.version); }), c.expected);
    }
}

TEST(PrintModuleSize, SpecialCodesAndBankConnection)
{
    struct {
        std::uint8_t code;
        const char *expected;
    } cases[] = {
        {0x0B, " 2048 MB (Single-bank Connection)"},
        {0x8A, " 1024 MB (Double-bank Connection)"},
        {0x00, " 1 MB (Single-bank Connection)"},
        {0x7D, " Not Determinable (Single-bank Connection)"},
        {0xFE, " Disabled (Double-bank Connection)"},
        {0x7F, " Not Installed"},
        {0xFF, " Not Installed"},
        // Exponents past 31 are printed exactly instead of wrapping a 32-bit shift.
        {0x20, " 4294967296 MB (Single-bank Connection)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(capture_stdout([&] { print_module_size(c.code); }), c.expected);
    }
}

TEST(ValueFormatters, UnknownMarkersAndScaling)
{
    expect_printed({
        {"error handle FFFE", [] { print_error_handle(0xFFFE); }, " Not Provided"},
        {"error handle FFFF", [] { print_error_handle(0xFFFF); }, " No Error"},
        {"error handle", [] { print_error_handle(0x0012); }, " 0x0012"},
        {"width 0", [] { print_width_bits(0); }, " Unknown"},
        {"width FFFF", [] { print_width_bits(0xFFFF); }, " Unknown"},
        {"width", [] { print_width_bits(72); }, " 72 bits"},
        {"volts unknown", [] { print_probe_volts(0x8000); }, " Unknown"},
        {"volts", [] { print_probe_volts(12000); }, " 12.000 V"},
        {"volts negative", [] { print_probe_volts(static_cast<std::uint16_t>(-500)); }, " -0.500 V"},
        {"celsius unknown", [] { print_probe_celsius(0x8000); }, " Unknown"},
        {"celsius", [] { print_probe_celsius(455); }, " 45.5 deg C"},
        {"celsius negative", [] { print_probe_celsius(static_cast<std::uint16_t>(-15)); }, " -1.5 deg C"},
        {"percent unknown", [] { print_probe_percent(0x8000); }, " Unknown"},
        {"percent", [] { print_probe_percent(1234); }, " 12.34%"},
        {"percent unsigned", [] { print_probe_percent(0xFFFF); }, " 655.35%"},
        {"amps unknown", [] { print_probe_amps(0x8000); }, " Unknown"},
        {"amps", [] { print_probe_amps(1500); }, " 1.500 A"},
        {"amps negative", [] { print_probe_amps(0xFFFF); }, " -0.001 A"},
        {"hex32 unknown", [] { print_hex32(0x80000000); }, " Unknown"},
        {"hex32", [] { print_hex32(0x1234ABCD); }, " 0x1234ABCD"},
        {"hex32 zero", [] { print_hex32(0); }, " 0x00000000"},
        {"mhz unknown", [] { print_mhz(0); }, "Unknown"},
        {"mhz", [] { print_mhz(2300); }, "2300 MHz"},
        {"range invalid", [] { print_range_size(0); }, " Invalid"},
        {"range", [] { print_range_size(0x100000); }, " 1 GB"},
        {"range kB", [] { print_range_size(640); }, " 640 kB"},
    });
}

TEST(ValueFormatters, HandlesListsAndAddresses)
{
    expect_printed({
        {"no cache, old table", [] { print_cache_handle(0xFFFF, "L1", 0x0202); }, " No L1 Cache"},
        {"no cache, 2.3", [] { print_cache_handle(0xFFFF, "L3", 0x0203); }, " Not Provided"},
        {"cache handle", [] { print_cache_handle(0x0010, "L2", 0x0202); }, " 0x0010"},
        {"no memory type", [] { print_type_list(0x0000, " ", memory_type_names); }, " None"},
        {"memory bit past the list", [] { print_type_list(0x0800, " ", memory_type_names); }, " None"},
        {"memory types", [] { print_type_list(0x0481, " ", memory_type_names); }, " Other SIMM SDRAM"},
        {"sram bit past the list", [] { print_type_list(0x0080, "\n\t\t", sram_type_names); }, " None"},
        {"sram types", [] { print_type_list(0x0044, "\n\t\t", sram_type_names); }, "\n\t\tNon-burst\n\t\tAsynchronous"},
        {"ecc list", [] { print_ecc_list(0x3F); },
         "\n\t\tOther\n\t\tUnknown\n\t\tNone\n\t\tSingle-bit Error Correcting\n"
         "\t\tDouble-bit Error Correcting\n\t\tError Scrubbing\n"},
        {"ecc bits past the list", [] { print_ecc_list(0xC0); }, "\n"},
        {"no bus address", [] { print_bus_address(0xFFFF, 0xFF, 0xFF); }, ""},
        {"bus address", [] { print_bus_address(0x0000, 0x03, 0x0A); }, "\tBus Address: 0000:03:01.2\n"},
        {"bus address almost none", [] { print_bus_address(0xFFFF, 0xFF, 0xFE); }, "\tBus Address: ffff:ff:1f.6\n"},
    });
}

TEST(ValueFormatters, BcdRangeAndPrintable)
{
    struct {
        std::uint8_t v, low, high;
        bool expected;
    } bcd[] = {
        {0x59, 0x00, 0x59, true}, {0x5A, 0x00, 0x99, false}, {0xA0, 0x00, 0xFF, false},
        {0x12, 0x13, 0x20, false}, {0x20, 0x01, 0x20, true}, {0x21, 0x01, 0x20, false},
        {0x99, 0x00, 0x99, true},
    };
    for (const auto &c : bcd) {
        SCOPED_TRACE(c.v);
        EXPECT_EQ(bcd_in_range(c.v, c.low, c.high), c.expected);
    }
    const std::uint8_t cru[] = {'$', 'C', 'R', 'U'}, low[] = {'$', 0x1F}, high[] = {'~', 0x7F};
    EXPECT_TRUE(all_printable(cru, 4));
    EXPECT_FALSE(all_printable(low, 2));
    EXPECT_TRUE(all_printable(high, 1));
    EXPECT_FALSE(all_printable(high, 2));
}
