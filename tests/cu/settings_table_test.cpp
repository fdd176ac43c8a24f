// The settings table as the image's layout: every row's values survive the
// image, no two rows share a bit, and the check byte is no row's.
#include "cu/config.h"
#include "cu/questions.h"
#include "cu/settings_table.h"

#include <gtest/gtest.h>

#include <vector>

using namespace named_settings;

namespace {

// Every value -s, -i or the dialogue may give the row, but the stock word's 0
// (which stores the reset image instead).
std::vector<unsigned> accepted_values(const setting &s)
{
    std::vector<unsigned> values;
    for (unsigned v = 0; v <= 0xFFFF; v++)
        if ((on_grid(s, v) || in_image_range(s, v)) && !(s.stock && v == 0))
            values.push_back(v);
    return values;
}

// A record whose every row holds a value other than its default, so that a
// row writing into another's bits changes what that one decodes to.
nvram_config all_changed()
{
    nvram_config c = CFG_DEFAULTS;
    for (const setting &s : SETTINGS) {
        std::vector<unsigned> values = accepted_values(s);
        put(&c, s, values.back() != default_of(s) ? values.back() : values.front());
    }
    return c;
}

// The image bits of b0..b4 that the row's values move, from `base`.
config_image bits_moved(const setting &s, const nvram_config &base)
{
    const config_image from = encode_config(base);
    config_image moved{};
    for (unsigned v : accepted_values(s)) {
        nvram_config c = base;
        put(&c, s, v);
        const config_image to = encode_config(c);
        for (std::size_t i = 0; i < CFG_IMAGE_SIZE; i++)
            if (i != CFG_CHECK_BYTE)
                moved[i] = static_cast<std::uint8_t>(moved[i] | (from[i] ^ to[i]));
    }
    return moved;
}

} // namespace

// Against two records: defaults, and every other row away from its default.
TEST(SettingsTable, EveryAcceptedValueSurvivesTheImage)
{
    for (const nvram_config &base : {CFG_DEFAULTS, all_changed()}) {
        for (const setting &s : SETTINGS) {
            SCOPED_TRACE(s.name);
            std::vector<unsigned> values = accepted_values(s);
            ASSERT_FALSE(values.empty());
            for (unsigned v : values) {
                nvram_config c = base;
                put(&c, s, v);
                config_image image = encode_config(c);
                nvram_config back{};
                ASSERT_EQ(decode_config(image, &back), CONFIG_VALID) << v;
                EXPECT_EQ(get(back, s), v);
                EXPECT_EQ(describe(back), describe(c)) << v; // and every other row as it was
                // The boot-failure mark is the check byte's complement and keeps the settings.
                image[CFG_CHECK_BYTE] = static_cast<std::uint8_t>(~image[CFG_CHECK_BYTE]);
                ASSERT_EQ(decode_config(image, &back), CONFIG_BOOT_FAILED) << v;
                EXPECT_EQ(describe(back), describe(c)) << v;
            }
        }
    }
}

// The bits a row declares are its own, and its values move no others.
TEST(SettingsTable, RowsHoldBitsOfTheirOwnAndNoneOfTheCheckByte)
{
    config_image taken{};
    for (const setting &s : SETTINGS) {
        SCOPED_TRACE(s.name);
        const image_bits p = image_place(s);
        ASSERT_LT(p.byte, CFG_CHECK_BYTE);
        ASSERT_LE(p.shift + p.width, 8);
        const auto own = static_cast<std::uint8_t>(image_mask(p) << p.shift);
        EXPECT_EQ(taken[p.byte] & own, 0) << "b" << unsigned{p.byte};
        taken[p.byte] = static_cast<std::uint8_t>(taken[p.byte] | own);
        for (const nvram_config &base : {CFG_DEFAULTS, all_changed()}) {
            const config_image moved = bits_moved(s, base);
            for (std::size_t i = 0; i < CFG_CHECK_BYTE; i++)
                EXPECT_EQ(moved[i] & ~(i == p.byte ? own : 0), 0) << "b" << i;
            EXPECT_NE(moved[p.byte], 0); // a row whose values reach no bit is stored nowhere
        }
    }
}

// A change of any row is a change of the record: the fields the -D trace
// and the store's change test go through hold every row.
TEST(SettingsTable, EveryRowIsAFieldOfTheRecord)
{
    for (const setting &s : SETTINGS) {
        SCOPED_TRACE(s.name);
        for (unsigned v : accepted_values(s)) {
            nvram_config c = CFG_DEFAULTS;
            put(&c, s, v);
            EXPECT_EQ(records_differ(c, CFG_DEFAULTS), v != default_of(s)) << v;
        }
    }
}
