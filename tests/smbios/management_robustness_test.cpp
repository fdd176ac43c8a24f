// Random formatted areas of every length for each error, mapping, probe and
// management structure type: the decoding must stay inside the formatted area
// and print the title its type and length call for. Under AddressSanitizer the
// exact-size buffers also catch any read past the formatted area.
#include "smbios/table_builder.h"

#include "smbios/decode.h"
#include "smbios/options.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

struct type_title {
    std::uint8_t type;
    const char *title; // null: no title of its own
    unsigned untitled_below; // lengths below this print no title
};

constexpr type_title types[] = {
    {18, "32-bit Memory Error Information", 0},
    {19, "Memory Array Mapped Address", 0},
    {20, "Memory Device Mapped Address", 0},
    {21, "Built-in Pointing Device", 0},
    {22, "Portable Battery", 0},
    {23, "System Reset", 0},
    {24, "Hardware Security", 0},
    {25, "\tSystem Power Controls", 0},
    {26, "Voltage Probe", 0},
    {27, "Cooling Device", 0},
    {28, "Temperature Probe", 0},
    {29, "Electrical Current Probe", 0},
    {30, "Out-of-band Remote Access", 0},
    {31, "Boot Integrity Services Entry Point", 0},
    {32, "System Boot Information", 0},
    {33, "64-bit Memory Error Information", 31},
    {34, "Management Device", 0},
    {35, "Management Device Component", 0},
    {36, "Management Device Threshold Data", 0},
    {37, "Memory Channel", 0},
    {38, "IPMI Device Information", 0},
    {39, "System Power Supply", 0},
    {40, nullptr, 0},
    {41, "Onboard Device", 0},
    {42, "Management Controller Host Interface", 0},
    {126, "Inactive", 0},
    {127, "End Of Table", 0},
};

// Decodes a formatted area that is the whole table: no strings can be found,
// and nothing past `length` bytes of `area` may be read.
void decode_area(std::uint8_t *area, std::uint8_t length)
{
    smbios_structure s{area[0], length, static_cast<std::uint16_t>(area[2] | area[3] << 8), area, area + length};
    decode_structure(s, 0x0300);
}

constexpr char SEPARATOR = '\x1E';

// The decodings of `areas`, each placed in a buffer of exactly its size (any
// overrun is then visible to the sanitizer) or followed by 64 bytes of `guard`.
std::vector<std::string> decode_areas(const std::vector<bytes> &areas, unsigned mode, int guard)
{
    unsigned saved = decoder_options.mode;
    decoder_options.mode = mode;
    std::string all = capture_stdout([&] {
        for (const bytes &area : areas) {
            auto length = static_cast<std::uint8_t>(area.size());
            if (guard < 0) {
                std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[area.size()]);
                std::copy(area.begin(), area.end(), exact.get());
                decode_area(exact.get(), length);
            } else {
                bytes padded = area;
                padded.resize(area.size() + 64, static_cast<std::uint8_t>(guard));
                decode_area(padded.data(), length);
            }
            std::printf("%c", SEPARATOR);
        }
    });
    decoder_options.mode = saved;
    std::vector<std::string> outs;
    std::size_t from = 0;
    for (std::size_t at; (at = all.find(SEPARATOR, from)) != std::string::npos; from = at + 1)
        outs.push_back(all.substr(from, at - from));
    return outs;
}

} // namespace

TEST(ManagementRobustness, RandomAreasOfEveryLength)
{
    for (const type_title &t : types) {
        for (unsigned mode : {0u, unsigned{MODE_QUIET}}) {
            SCOPED_TRACE(testing::Message() << "type " << unsigned{t.type} << " mode " << mode);
            std::mt19937 rng(0x6B656C62u ^ (t.type * 0x9E3779B9u));
            std::vector<bytes> areas;
            for (unsigned length = 4; length <= 255; length++) {
                bytes area(length);
                for (auto &b : area)
                    b = static_cast<std::uint8_t>(rng());
                area[0] = t.type;
                area[1] = static_cast<std::uint8_t>(length);
                areas.push_back(area);
            }
            // Bytes after the formatted area must not change the output.
            std::vector<std::string> outs = decode_areas(areas, mode, -1);
            ASSERT_EQ(outs.size(), areas.size());
            std::vector<std::string> zeros = decode_areas(areas, mode, 0x00);
            std::vector<std::string> ones = decode_areas(areas, mode, 0xFF);
            ASSERT_EQ(zeros.size(), areas.size());
            ASSERT_EQ(ones.size(), areas.size());
            for (std::size_t i = 0; i < areas.size(); i++) {
                const std::string &out = outs[i];
                std::size_t length = areas[i].size();
                SCOPED_TRACE(testing::Message() << "length " << length);
                EXPECT_EQ(zeros[i], out);
                EXPECT_EQ(ones[i], out);
                if (t.type == 40 && (mode & MODE_QUIET)) {
                    EXPECT_EQ(out, "");
                    continue;
                }
                ASSERT_FALSE(out.empty());
                EXPECT_EQ(out.back(), '\n');
                if (!t.title) {
                    EXPECT_TRUE(out.rfind("Additional Information 1\n", 0) == 0 || out == "\n") << out;
                } else if (length >= t.untitled_below) {
                    EXPECT_EQ(out.substr(0, out.find('\n')), t.title);
                } else {
                    EXPECT_EQ(out, "\n");
                }
                if (mode & MODE_QUIET) {
                    EXPECT_EQ(out.find("Handle: 0x"), std::string::npos);
                }
            }
        }
    }
}

TEST(ManagementRobustness, RandomStringSets)
{
    std::mt19937 rng(0x31384232u);
    for (const type_title &t : types) {
        for (int round = 0; round < 40; round++) {
            bytes body(rng() % 80);
            for (auto &b : body)
                b = static_cast<std::uint8_t>(rng() % 6); // string numbers near the set's size
            std::vector<std::string> strings;
            for (unsigned n = rng() % 5; n > 0; n--) {
                std::string str(1 + rng() % 12, 'x');
                for (char &c : str)
                    c = static_cast<char>(1 + rng() % 255);
                strings.push_back(str);
            }
            bytes s = structure(t.type, 0x1234, body, strings);
            std::string out = decode_one(s, 0x0300, round % 2 ? unsigned{MODE_QUIET} : 0u);
            SCOPED_TRACE(testing::Message() << "type " << unsigned{t.type} << " round " << round);
            for (char c : out)
                ASSERT_TRUE(c == '\n' || c == '\t' || (c >= 0x20 && c <= 0x7E)) << "raw byte " << int(c);
        }
    }
}
