// Random and patterned structures of types 5 to 17: the decodings stay inside
// the structure, keep their line shape, and differ in quiet mode only by the
// handle lines.
// Meant to run under AddressSanitizer: every structure lies in a heap block of
// its exact size, so a read past the formatted area (or past the string set)
// is reported.
#include "smbios/decode.h"
#include "smbios/options.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const char *const titles[] = {
    "Memory Controller Information", "Memory Module Information", "Cache Information",
    "Port Connector Information", "System Slot Information", nullptr, "OEM Strings",
    "System Configuration Options", "BIOS Language Information", "Group Associations",
    "System Event Log", "Physical Memory Array", "Memory Device"};

struct sample {
    std::uint8_t type;
    std::vector<std::uint8_t> bytes; // the whole structure, strings included
    std::size_t formatted;           // length of the formatted area
    std::uint16_t version;
};

sample random_sample(std::mt19937 &rng, bool with_strings)
{
    sample s;
    s.type = static_cast<std::uint8_t>(5 + rng() % 13);
    s.formatted = 4 + rng() % 80;
    static constexpr std::uint16_t versions[] = {0x0200, 0x0201, 0x0300};
    s.version = versions[rng() % 3];
    s.bytes.resize(s.formatted);
    for (auto &b : s.bytes)
        b = static_cast<std::uint8_t>(rng());
    // Small counts and string numbers now and then, so that lists fit and strings resolve.
    for (auto &b : s.bytes)
        if (rng() % 4 == 0)
            b = static_cast<std::uint8_t>(rng() % 4);
    s.bytes[0] = s.type;
    s.bytes[1] = static_cast<std::uint8_t>(s.formatted);
    if (with_strings) {
        unsigned count = rng() % 4;
        for (unsigned i = 0; i < count; i++) {
            unsigned len = 1 + rng() % 8;
            for (unsigned j = 0; j < len; j++)
                s.bytes.push_back(static_cast<std::uint8_t>(1 + rng() % 255));
            s.bytes.push_back(0);
        }
        if (count == 0)
            s.bytes.push_back(0);
        s.bytes.push_back(0);
    }
    return s;
}

// Decodes each sample, in the mode given for it, from a heap block of its
// exact size. All decodings share one capture (output redirection is slow on
// some systems), split at a separator byte that no decoding prints.
std::vector<std::string> decode_exact(const std::vector<sample> &samples, const std::vector<unsigned> &modes)
{
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
    for (const sample &smp : samples) {
        blocks.emplace_back(new std::uint8_t[smp.bytes.size()]);
        std::copy(smp.bytes.begin(), smp.bytes.end(), blocks.back().get());
    }
    std::string all = capture_stdout([&] {
        for (std::size_t i = 0; i < samples.size(); i++) {
            std::uint8_t *b = blocks[i].get();
            smbios_structure s{samples[i].type, static_cast<std::uint8_t>(samples[i].formatted),
                               static_cast<std::uint16_t>(b[2] | b[3] << 8), b, b + samples[i].bytes.size()};
            decoder_options.mode = modes[i];
            decode_structure(s, samples[i].version);
            decoder_options.mode = 0;
            std::fputs("\x1E", stdout);
        }
    });
    std::vector<std::string> outs;
    std::size_t from = 0;
    for (std::size_t sep; (sep = all.find('\x1E', from)) != std::string::npos; from = sep + 1)
        outs.push_back(all.substr(from, sep - from));
    EXPECT_EQ(outs.size(), samples.size());
    outs.resize(samples.size());
    // Only string bytes may be rewritten (made printable); the formatted area never is.
    for (std::size_t i = 0; i < samples.size(); i++)
        EXPECT_TRUE(std::equal(blocks[i].get(), blocks[i].get() + samples[i].formatted, samples[i].bytes.begin()))
            << "sample " << i;
    return outs;
}

std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    EXPECT_EQ(start, text.size()) << "unterminated last line";
    return lines;
}

// The non-quiet text without the handle lines that quiet mode leaves out.
std::string without_quiet_lines(const std::string &text, std::uint8_t type)
{
    if (type != 16 && type != 17)
        return text;
    std::string out;
    for (const auto &line : split_lines(text))
        if (!line.starts_with("\tArray Handle:") && !line.starts_with("\tError Information Handle:"))
            out += line + "\n";
    return out;
}

void check_shape(const sample &smp, const std::string &out)
{
    std::vector<std::string> lines = split_lines(out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "") << "no closing empty line";
    const char *title = titles[smp.type - 5];
    if (title) {
        EXPECT_EQ(lines.front(), title);
    } else if (smp.formatted < 6) {
        EXPECT_EQ(out, "\n"); // on-board devices without a single device
    }
    for (std::size_t i = title ? 1 : 0; i + 1 < lines.size(); i++) {
        const std::string &l = lines[i];
        bool heading = !title && l.starts_with("On Board Device ") && l.ends_with(" Information");
        EXPECT_TRUE(heading || (l.size() > 1 && l[0] == '\t')) << "line " << i << ": " << l;
    }
    for (unsigned char c : out)
        EXPECT_TRUE(c == '\n' || c == '\t' || (c >= 0x20 && c <= 0x7E)) << int(c);
}

} // namespace

TEST(MemoryStructuresRobustness, RandomFormattedAreasAlone)
{
    std::mt19937 rng(0x4B454C42);
    std::vector<sample> samples;
    for (int i = 0; i < 6000; i++)
        samples.push_back(random_sample(rng, false));
    std::vector<std::string> plain = decode_exact(samples, std::vector<unsigned>(samples.size(), 0));
    std::vector<std::string> quiet = decode_exact(samples, std::vector<unsigned>(samples.size(), MODE_QUIET));
    for (std::size_t i = 0; i < samples.size(); i++) {
        const sample &smp = samples[i];
        SCOPED_TRACE(::testing::Message() << "sample " << i << " type " << int(smp.type) << " length " << smp.formatted);
        check_shape(smp, plain[i]);
        EXPECT_EQ(quiet[i], without_quiet_lines(plain[i], smp.type));
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(MemoryStructuresRobustness, RandomStructuresWithStrings)
{
    std::mt19937 rng(0x35313721);
    std::vector<sample> samples;
    std::vector<unsigned> modes;
    for (int i = 0; i < 6000; i++) {
        samples.push_back(random_sample(rng, true));
        modes.push_back(rng() % 2 ? unsigned(MODE_QUIET) : 0u);
    }
    std::vector<std::string> outs = decode_exact(samples, modes);
    for (std::size_t i = 0; i < samples.size(); i++) {
        SCOPED_TRACE(::testing::Message() << "sample " << i << " type " << int(samples[i].type) << " length "
                                          << samples[i].formatted);
        check_shape(samples[i], outs[i]);
        if (::testing::Test::HasFailure())
            return;
    }
}

// Every type at every length, filled with repeated 32-bit patterns in all four
// byte phases: the marker values that switch field groups on (0x7FFF sizes,
// 0x80000000 capacities, small counts and descriptor lengths, PC Card slots)
// then sit at every offset, where random bytes would rarely put them.
TEST(MemoryStructuresRobustness, MarkerPatternsAtEveryLength)
{
    static constexpr std::uint32_t patterns[] = {
        0x00000000, 0xFFFFFFFF, 0x80000000, 0x7FFF7FFF, 0x80008000, 0x01010101,
        0x02020202, 0x03030303, 0x04040404, 0x07070707, 0x0F0F0F0F, 0xA5A5A5A5};
    constexpr unsigned max_length = 64; // past the last field group of every type
    std::unique_ptr<std::uint8_t[]> blocks[max_length + 1];
    for (unsigned length = 4; length <= max_length; length++)
        blocks[length].reset(new std::uint8_t[length]);
    for (unsigned type = 5; type <= 17; type++) {
        std::size_t decodings = 0;
        std::string out = capture_stdout([&] {
            for (unsigned length = 4; length <= max_length; length++) {
                std::uint8_t *block = blocks[length].get();
                for (std::uint32_t pattern : patterns) {
                    bool one_byte = pattern == (pattern & 0xFF) * 0x01010101u;
                    for (unsigned phase = 0; phase < (one_byte ? 1u : 4u); phase++) {
                        for (unsigned i = 0; i < length; i++)
                            block[i] = static_cast<std::uint8_t>(pattern >> 8 * ((i + phase) % 4));
                        block[0] = static_cast<std::uint8_t>(type);
                        block[1] = static_cast<std::uint8_t>(length);
                        smbios_structure s{static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(length),
                                           0x0101, block, block + length};
                        decoder_options.mode = decodings % 2 ? unsigned(MODE_QUIET) : 0u;
                        decode_structure(s, 0x0300);
                        decodings++;
                        decoder_options.mode = 0;
                    }
                }
            }
        });
        // One title per decoding (on-board devices have none), and the last
        // decoding ends in its closing empty line.
        if (const char *title = titles[type - 5]) {
            std::size_t count = 0;
            for (std::size_t at = 0; (at = out.find(std::string(title) + "\n", at)) != std::string::npos; at++)
                count++;
            EXPECT_EQ(count, decodings) << type;
        }
        EXPECT_EQ(decodings, (max_length - 3) * (9 + 3 * 4));
        EXPECT_TRUE(out.ends_with("\n")) << type;
    }
}
