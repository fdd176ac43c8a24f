// Random structures through the decoder: every read must stay inside the
// structure (the sanitizer build turns an overrun into a failure), and every
// decoding must end its last line.
#include "smbios/formatted_area.h"

#include "smbios/decode.h"
#include "smbios/options.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <random>

using namespace area_fixture;

TEST(DecoderRobustness, RandomStructuresStayInBoundsAndEndTheirLines)
{
    std::mt19937 rng(0x6B656C62); // fixed seed: failures reproduce
    auto below = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    const std::uint16_t versions[] = {0x0200, 0x0203, 0x0205, 0x0206, 0x0300};
    const unsigned modes[] = {0, MODE_QUIET, MODE_DUMP};
    const oem_vendor_id vendors[] = {OEM_NONE, OEM_HP, OEM_ACER};
    // Half the structures use the types with a decoding, so their gates get exercised.
    const std::uint8_t decoded_types[] = {0, 1, 2, 3, 4, 170, 204, 209, 212, 219, 221};
    constexpr int iterations = 20000;
    int decoded = 0;
    for (int i = 0; i < iterations; i++) {
        std::uint8_t type = below(2) ? decoded_types[below(sizeof decoded_types)] : static_cast<std::uint8_t>(below(256));
        unsigned length = 4 + below(below(4) ? 60 : 252);
        formatted_area a(type, length);
        for (auto &b : a.body)
            b = below(3) ? static_cast<std::uint8_t>(below(8)) : static_cast<std::uint8_t>(rng());
        std::vector<std::string> strings(below(5));
        for (auto &s : strings) {
            s.resize(1 + below(12));
            for (auto &ch : s)
                ch = static_cast<char>(1 + below(255));
        }
        vendor_scope scope(vendors[below(3)]);
        std::uint16_t version = versions[below(5)];
        unsigned mode = modes[below(3)];
        std::string out;
        if (below(2)) {
            out = decode_one(a.structure(static_cast<std::uint16_t>(rng()), strings), version, mode);
        } else {
            // The formatted area alone, in a buffer of exactly its size: the
            // table ends where the area does, so one byte too far is an overrun.
            bytes whole = a.structure(0x0100);
            bytes exact(whole.begin(), whole.begin() + length); // allocated at exactly that size
            smbios_structure s{exact[0], exact[1], 0x0100, exact.data(), exact.data() + exact.size()};
            unsigned saved = decoder_options.mode;
            decoder_options.mode = mode;
            out = capture_stdout([&] { decode_structure(s, version); });
            decoder_options.mode = saved;
        }
        ASSERT_TRUE(out.empty() || out.back() == '\n') << "type " << unsigned(type) << " length " << length;
        decoded += !out.empty();
    }
    // Most random structures print something; an empty run would mean nothing was decoded.
    EXPECT_GT(decoded, iterations / 2);
}
