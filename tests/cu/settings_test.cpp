// Settings by name: what each value means in the record, the grids, and the
// dialogue's rules between settings on each kind of processor.
#include "questions.h"

#include "cu/settings.h"
#include "cu/settings_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

namespace {

constexpr nvram_config D = CFG_DEFAULTS;
constexpr processor_facts ANY = {-1, 0};       // the debug default family, unlocked
constexpr processor_facts LOCKED = {-1, 1};
constexpr processor_facts UNKNOWN_LOCK = {-1, -1};
constexpr processor_facts FAMILY_1 = {1, 0};
constexpr processor_facts FAMILY_6 = {6, 0};
constexpr processor_facts FAMILY_16 = {16, 0};

constexpr nvram_config with(std::uint16_t flags, std::uint8_t cpumulti = 0, nvram_config c = D)
{
    c.flags = flags;
    c.cpumulti = cpumulti;
    return c;
}

enum class outcome { applied, bad_text, refused };

struct value_case {
    const char *text;
    nvram_config start;
    processor_facts cpu;
    outcome result;
    nvram_config want; // for applied
};

// Every value form the grids accept or refuse, one field at a time.
const value_case VALUES[] = {
    {"refclock=200", {230, 0, 3200, 0, 1, 2, 0}, ANY, outcome::applied, D},
    {"refclock=262", D, ANY, outcome::applied, {262, 0, 3200, 0, 1, 2, 0}},
    {"refclock=stock", {230, 0x100, 2800, 0, 1, 2, 0}, ANY, outcome::applied, {0, 0x100, 2800, 0, 1, 2, 0}},
    {"refclock=263", D, ANY, outcome::refused, {}}, // only a stored record has it
    {"refclock=263", {263, 0, 3200, 0, 1, 2, 0}, ANY, outcome::applied, {263, 0, 3200, 0, 1, 2, 0}},
    {"refclock=264", D, ANY, outcome::bad_text, {}},
    {"refclock=199", D, ANY, outcome::bad_text, {}},
    {"refclock=+230", D, ANY, outcome::bad_text, {}},
    {"refclock=23O", D, ANY, outcome::bad_text, {}},
    {"refclock=", D, ANY, outcome::bad_text, {}},
    {"refclock=Stock", D, ANY, outcome::applied, {0, 0, 3200, 0, 1, 2, 0}},
    {"core-multiplier=+15.5", D, ANY, outcome::applied, with(0, 31)},
    {"core-multiplier=15.5", D, ANY, outcome::applied, with(0, 31)},
    {"core-multiplier=0.5", D, ANY, outcome::applied, with(0, 1)},
    {"core-multiplier=4", D, ANY, outcome::applied, with(0, 8)},
    {"core-multiplier=1.50", D, ANY, outcome::applied, with(0, 3)},
    {"core-multiplier=+0.0", with(0, 8), ANY, outcome::applied, D},
    {"core-multiplier=16", D, ANY, outcome::bad_text, {}},
    {"core-multiplier=0.25", D, ANY, outcome::bad_text, {}},
    {"core-multiplier=1.55", D, ANY, outcome::bad_text, {}},
    {"core-multiplier=-0.5", D, ANY, outcome::bad_text, {}},
    {"core-multiplier=1.", D, ANY, outcome::bad_text, {}},
    {"core-multiplier=.5", D, ANY, outcome::bad_text, {}},
    {"core-multiplier=++1", D, ANY, outcome::bad_text, {}},
    {"core-voltage=87.5", D, ANY, outcome::applied, {200, 0, 3200, 0, 1, 7, 0}},
    {"core-voltage=0", D, ANY, outcome::applied, {200, 0, 3200, 0, 1, 0, 0}},
    {"core-voltage=+12.5", D, ANY, outcome::applied, {200, 0, 3200, 0, 1, 1, 0}},
    {"core-voltage=100", D, ANY, outcome::bad_text, {}},
    {"core-voltage=12", D, ANY, outcome::bad_text, {}},
    {"core-voltage=12.5mV", D, ANY, outcome::bad_text, {}},
    {"nb-voltage=37.5", D, ANY, outcome::applied, {200, 0, 3200, 0, 3, 2, 0}},
    {"nb-voltage=0.0", D, ANY, outcome::applied, {200, 0, 3200, 0, 0, 2, 0}},
    {"nb-voltage=50", D, ANY, outcome::bad_text, {}},
    {"nb-multiplier=11x", D, ANY, outcome::applied, {200, 0, 3200, 3, 1, 2, 0}},
    {"nb-multiplier=auto", {200, 0, 3200, 2, 1, 2, 0}, ANY, outcome::applied, D},
    {"nb-multiplier=10X", D, ANY, outcome::applied, {200, 0, 3200, 2, 1, 2, 0}},
    {"nb-multiplier=5", D, ANY, outcome::refused, {}},
    {"nb-multiplier=5", {200, 0, 3200, 5, 1, 2, 0}, ANY, outcome::applied, {200, 0, 3200, 5, 1, 2, 0}},
    {"nb-multiplier=8", D, ANY, outcome::bad_text, {}},
    {"nb-multiplier=12x", D, ANY, outcome::bad_text, {}},
    {"nb-multiplier=2", D, ANY, outcome::bad_text, {}},
    {"ht-cap=2500", D, ANY, outcome::applied, {200, 0, 2500, 0, 1, 2, 0}},
    {"ht-cap=3100", D, ANY, outcome::applied, {200, 0, 3100, 0, 1, 2, 0}},
    {"ht-cap=2400", D, ANY, outcome::bad_text, {}},
    {"ht-cap=3300", D, ANY, outcome::bad_text, {}},
    {"ht-cap=2550", D, ANY, outcome::bad_text, {}},
    // Yes/no settings name their question, so an inverted bit reads the other way.
    {"xmp=no", D, ANY, outcome::applied, with(CFG_NOXMP)},
    {"xmp=YES", with(CFG_NOXMP), ANY, outcome::applied, D},
    {"pstate-lock=no", D, ANY, outcome::applied, with(CFG_PSTATE_FREE)},
    {"xmp-merge=no", D, ANY, outcome::applied, with(CFG_XMP_NOMERGE)},
    {"multiple-sets=yes", D, ANY, outcome::applied, with(CFG_MULTISET)},
    {"warm-reset-only=yes", D, ANY, outcome::applied, with(CFG_WARMONLY)},
    {"dimm-1v5=yes", D, ANY, outcome::applied, with(CFG_DIMM_1V5)},
    {"relax-timings=yes", D, ANY, outcome::applied, with(CFG_MEM_RELAX)},
    {"ht-alt-tuning=yes", D, ANY, outcome::applied, with(CFG_HT_ALT)},
    {"fast-memory=yes", D, ANY, outcome::applied, with(CFG_MEMFAST)},
    {"xmp=y", D, ANY, outcome::bad_text, {}},
    {"xmp=1", D, ANY, outcome::bad_text, {}},
    // The text around the assignments.
    {"# a comment\n\n   \nht-cap = 2800 \r\n\tdimm-1v5=yes\n", D, ANY, outcome::applied,
     {200, CFG_DIMM_1V5, 2800, 0, 1, 2, 0}},
    {"xmp=no\nxmp=no\n", D, ANY, outcome::applied, with(CFG_NOXMP)},
    {"xmp=no\nxmp=yes\n", D, ANY, outcome::bad_text, {}},
    {"xmp no", D, ANY, outcome::bad_text, {}},
    {"=no", D, ANY, outcome::bad_text, {}},
    {"XMP=No", D, ANY, outcome::applied, with(CFG_NOXMP)},
    {"\xef\xbb\xbfxmp=no\r\n", D, ANY, outcome::applied, with(CFG_NOXMP)}, // as Windows editors save it
    {"refclock-230", D, ANY, outcome::bad_text, {}},
    {"ht_cap=2800", D, ANY, outcome::bad_text, {}},
};

// What the dialogue offers on each processor, and what it does without asking.
const value_case RULES[] = {
    {"core-multiplier=+1.0", D, LOCKED, outcome::refused, {}},
    {"core-multiplier=+0.0", D, LOCKED, outcome::applied, D}, // keeping a value is always allowed
    {"core-multiplier=+1.0", D, UNKNOWN_LOCK, outcome::applied, with(0, 2)},
    {"core-voltage=+50.0", D, LOCKED, outcome::applied, {200, 0, 3200, 0, 1, 4, 0}},
    {"nb-voltage=+25.0", D, FAMILY_1, outcome::refused, {}},
    {"nb-multiplier=9x", D, FAMILY_1, outcome::refused, {}},
    {"nb-voltage=+12.5\nnb-multiplier=auto", D, FAMILY_1, outcome::applied, D},
    {"nb-multiplier=9x", D, FAMILY_16, outcome::refused, {}},
    {"nb-multiplier=10x", {200, 0, 3200, 2, 2, 2, 0}, FAMILY_16, outcome::applied, {200, 0, 3200, 2, 2, 2, 0}},
    {"nb-multiplier=9x\nnb-voltage=0", D, FAMILY_6, outcome::applied, {200, 0, 3200, 1, 0, 2, 0}},
    {"fast-memory=yes", D, FAMILY_1, outcome::applied, with(CFG_MEMFAST)},
    {"fast-memory=yes", D, FAMILY_6, outcome::refused, {}},
    {"fast-memory=no\nforce-1t=no", D, FAMILY_6, outcome::applied, D},
    {"force-1t=yes", D, FAMILY_16, outcome::refused, {}},
    {"force-1t=yes", with(CFG_MEMFAST), FAMILY_1, outcome::applied, with(CFG_MEMFAST | CFG_MEM_1T)},
    {"fast-memory=yes\nforce-1t=yes", D, ANY, outcome::applied, with(CFG_MEMFAST | CFG_MEM_1T)},
    {"force-1t=yes", D, ANY, outcome::refused, {}},
    {"fast-memory=no", with(CFG_MEMFAST | CFG_MEM_1T), ANY, outcome::applied, D},
    {"fast-memory=no\nforce-1t=yes", with(CFG_MEMFAST | CFG_MEM_1T), ANY, outcome::refused, {}},
    {"xmp=no", with(CFG_XMP_NOMERGE), ANY, outcome::applied, with(CFG_NOXMP)},
    {"xmp=no\nxmp-merge=no", D, ANY, outcome::refused, {}},
    {"xmp-merge=no", with(CFG_NOXMP), ANY, outcome::refused, {}},
    {"xmp-merge=yes", with(CFG_NOXMP), ANY, outcome::applied, with(CFG_NOXMP)},
    {"all-pstates=yes", with(CFG_PSTATE_FREE, 4), ANY, outcome::applied, with(CFG_PSTATE_FREE | CFG_MULTI_ALLP, 4)},
    {"all-pstates=yes", with(0, 4), ANY, outcome::refused, {}},
    {"all-pstates=yes", with(CFG_PSTATE_FREE), ANY, outcome::refused, {}},
    {"all-pstates=yes", with(CFG_PSTATE_FREE), LOCKED, outcome::refused, {}},
    {"core-multiplier=4\npstate-lock=no\nall-pstates=yes", D, ANY, outcome::applied,
     with(CFG_PSTATE_FREE | CFG_MULTI_ALLP, 8)},
    {"pstate-lock=yes", with(CFG_PSTATE_FREE | CFG_MULTI_ALLP, 4), ANY, outcome::applied, with(0, 4)},
    {"core-multiplier=0", with(CFG_PSTATE_FREE | CFG_MULTI_ALLP, 4), ANY, outcome::applied, with(CFG_PSTATE_FREE)},
    {"core-multiplier=0\nall-pstates=yes", with(CFG_PSTATE_FREE | CFG_MULTI_ALLP, 4), ANY, outcome::refused, {}},
    // A record the dialogue would tidy stays as it is when nothing it depends on changes.
    {"ht-cap=2800", with(CFG_NOXMP | CFG_XMP_NOMERGE | CFG_MEM_1T), ANY, outcome::applied,
     {200, CFG_NOXMP | CFG_XMP_NOMERGE | CFG_MEM_1T, 2800, 0, 1, 2, 0}},
    {"xmp=no\nxmp-merge=no\nforce-1t=yes", with(CFG_NOXMP | CFG_XMP_NOMERGE | CFG_MEM_1T), ANY, outcome::applied,
     with(CFG_NOXMP | CFG_XMP_NOMERGE | CFG_MEM_1T)},
};

void check(const value_case &c)
{
    SCOPED_TRACE(c.text);
    SCOPED_TRACE(describe(c.start));
    assignment_list wanted;
    bool parsed = parse_assignment_text("kelb-cu", "test", c.text, &wanted);
    if (c.result == outcome::bad_text) {
        EXPECT_FALSE(parsed);
        return;
    }
    ASSERT_TRUE(parsed);
    nvram_config rec = c.start;
    bool applied = apply_assignments("kelb-cu", wanted, &rec, c.cpu);
    EXPECT_EQ(applied, c.result == outcome::applied);
    // A refusal leaves the record as loaded.
    EXPECT_EQ(describe(rec), describe(applied ? c.want : c.start));
}

std::string listing(config_status st, const config_image *image, const nvram_config &stored,
                    const nvram_config &effective, processor_facts cpu)
{
    std::FILE *f = std::tmpfile();
    print_listing(f, st, image, stored, effective, cpu);
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), f), text.size());
    std::fclose(f);
    return text;
}

} // namespace

TEST(Settings, ValuesAndTheirFields)
{
    for (const auto &c : VALUES)
        check(c);
}

TEST(Settings, DialogueRulesPerProcessor)
{
    for (const auto &c : RULES)
        check(c);
}

// The listing names every setting the dialogue asks, in its order, and reads
// back into the record it came from.
TEST(Settings, ListingReadsBackIntoTheSameRecord)
{
    const nvram_config records[] = {
        D,
        {262, 0xFDF, 2500, 3, 3, 7, 31}, // every bit the dialogue can set together, bit 2 too
        {214, CFG_NOXMP | CFG_DIMM_1V5 | CFG_PSTATE_FREE, 2900, 1, 0, 0, 1},
    };
    for (const nvram_config &r : records) {
        config_image image = encode_config(r);
        std::string text = listing(CONFIG_VALID, &image, r, r, ANY);
        SCOPED_TRACE(text);
        assignment_list wanted;
        ASSERT_TRUE(parse_assignment_text("kelb-cu", "listing", text, &wanted));
        nvram_config back = D;
        ASSERT_TRUE(apply_assignments("kelb-cu", wanted, &back, ANY));
        nvram_config expected = r;
        expected.flags &= CFG_STORED_FLAGS;
        EXPECT_EQ(describe(back), describe(expected));
    }
    const char *names = "refclock core-multiplier core-voltage multiple-sets warm-reset-only pstate-lock "
                        "all-pstates nb-voltage nb-multiplier xmp xmp-merge fast-memory force-1t dimm-1v5 "
                        "relax-timings ht-cap ht-alt-tuning reserved-bit-2 ";
    std::string order, text = listing(CONFIG_VALID, nullptr, D, D, ANY);
    for (std::size_t pos = 0;;) {
        std::size_t eq = text.find('=', pos);
        if (eq == std::string::npos)
            break;
        std::size_t start = text.rfind('\n', eq) + 1;
        order += text.substr(start, eq - start) + " ";
        pos = eq + 1;
    }
    EXPECT_EQ(order, names);
}

TEST(Settings, ListingComments)
{
    config_image image = encode_config(D);
    struct {
        const char *what;
        config_status st;
        const config_image *image;
        nvram_config stored, effective;
        processor_facts cpu;
        const char *has;
    } cases[] = {
        {"found", CONFIG_VALID, &image, D, D, ANY, "# record: found\n# image: 40 00 07 08 00 fd\n"},
        {"marked", CONFIG_BOOT_FAILED, &image, D, D, ANY,
         "# record: boot-failure mark (the last three boot attempts with these settings failed)\n"},
        {"absent is the stock state", CONFIG_ABSENT, nullptr, D, D, ANY,
         "# record: none (the firmware runs at stock)\n# image: not readable\n"},
        {"locked multiplier", CONFIG_VALID, &image, with(0, 8), D, LOCKED,
         "# core-multiplier=+4.0 is stored, but the core multiplier is locked: +0.0 is in effect, and a restore "
         "stores that\ncore-multiplier=+0.0\n"},
        {"unreadable lock", CONFIG_VALID, &image, with(0, 8), D, UNKNOWN_LOCK,
         "# core-multiplier: the multiplier lock reads -1, not 0 (unlocked), so a run that does not name it "
         "stores +0.0\ncore-multiplier=+4.0\n"},
        {"family 1 northbridge", CONFIG_VALID, &image, {200, 0, 3200, 3, 0, 2, 0}, D, FAMILY_1,
         "# nb-multiplier=11x is stored, but extended family 1 keeps the northbridge at +12.5 mV, auto: auto is "
         "in effect, and a restore stores that\nnb-multiplier=auto\n"},
        {"family 6 memory", CONFIG_VALID, &image, with(CFG_MEMFAST), D, FAMILY_6,
         "# fast-memory=yes is stored, but extended family 6 has no faster memory modes: no is in effect, and a "
         "restore stores that\nfast-memory=no\n"},
        {"a forced setting at its default", CONFIG_VALID, &image, D, D, LOCKED,
         "# core-multiplier: not offered on this processor (the core multiplier is locked); it stays at this "
         "value\ncore-multiplier=+0.0\n"},
        {"other family keeps the northbridge as stored", CONFIG_VALID, &image, D, D, FAMILY_16,
         "# nb-voltage: not offered on this processor (the dialogue offers it on extended family 6, this is "
         "16); a complete listing restores it\nnb-voltage=+12.5\n"},
        {"a clock no question offers", CONFIG_VALID, &image, {263, 0, 3200, 0, 1, 2, 0},
         {263, 0, 3200, 0, 1, 2, 0}, ANY,
         "# refclock: 263 is no value of the dialogue (200..262 (MHz), or stock); a complete listing restores "
         "it\nrefclock=263\n"},
        {"a multiplier word beyond the list", CONFIG_VALID, &image, {200, 0, 3200, 5, 1, 2, 0},
         {200, 0, 3200, 5, 1, 2, 0}, ANY,
         "# nb-multiplier: 5 is no value of the dialogue (auto, 9x, 10x or 11x); a complete listing restores "
         "it\nnb-multiplier=5\n"},
        {"bit 2", CONFIG_VALID, &image, with(CFG_RESERVED), with(CFG_RESERVED), ANY,
         "# reserved-bit-2: not offered on this processor (no question of the dialogue sets it); a complete "
         "listing restores it\nreserved-bit-2=yes\n"},
    };
    for (const auto &c : cases) {
        std::string text = listing(c.st, c.image, c.stored, c.effective, c.cpu);
        EXPECT_NE(text.find(c.has), std::string::npos) << c.what << "\n" << text;
    }
    std::string absent = listing(CONFIG_ABSENT, &image, D, D, ANY);
    EXPECT_EQ(absent.substr(absent.find("\nrefclock")), "\nrefclock=stock\n");
    std::string clear = listing(CONFIG_VALID, &image, D, D, ANY);
    EXPECT_EQ(clear.find("# reserved-bit-2"), std::string::npos) << clear; // a clear bit 2 is not worth a comment
}

// A complete listing is one record: restored with the relations the dialogue
// would not make, as long as the processor leaves its values in effect. The
// same text with one setting left out is a set of single assignments again.
TEST(Settings, CompleteListingRestoresTheRecordItDescribes)
{
    const nvram_config untidy = {214, CFG_NOXMP | CFG_XMP_NOMERGE | CFG_MEM_1T | CFG_MULTI_ALLP | CFG_RESERVED,
                                 2900, 1, 0, 0, 0};
    config_image image = encode_config(untidy);
    const std::string text = listing(CONFIG_VALID, &image, untidy, untidy, LOCKED);
    auto apply = [](const std::string &t, nvram_config *rec) {
        assignment_list wanted;
        return parse_assignment_text("kelb-cu", "good.conf", t, &wanted) &&
               apply_assignments("kelb-cu", wanted, rec, LOCKED);
    };
    nvram_config rec = D;
    EXPECT_TRUE(apply(text, &rec)) << text;
    EXPECT_EQ(describe(rec), describe(untidy));

    // A listing written before reserved-bit-2 had a line is complete too: it
    // restores the rest of the record as it is, and leaves bit 2 as loaded.
    std::string older;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos) + 1;
        if (text.compare(pos, 16, "reserved-bit-2=y") != 0 && text.compare(pos, 17, "# reserved-bit-2:") != 0)
            older += text.substr(pos, end - pos);
        pos = end;
    }
    ASSERT_EQ(older.find("reserved-bit-2"), std::string::npos) << older;
    rec = D;
    EXPECT_TRUE(apply(older, &rec)) << older;
    nvram_config without_bit_2 = untidy;
    without_bit_2.flags &= static_cast<std::uint16_t>(~CFG_RESERVED);
    EXPECT_EQ(describe(rec), describe(without_bit_2));

    std::string partial = text;
    partial.erase(partial.find("ht-cap=2900\n"), std::string("ht-cap=2900\n").size());
    rec = D;
    EXPECT_FALSE(apply(partial, &rec)); // xmp-merge=no needs xmp=yes
    EXPECT_EQ(describe(rec), describe(D));

    std::string forced = text;
    forced.replace(forced.find("core-multiplier=+0.0"), 20, "core-multiplier=+5.0");
    rec = D;
    EXPECT_FALSE(apply(forced, &rec));
    EXPECT_EQ(describe(rec), describe(D));
}
