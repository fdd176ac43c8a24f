// Which questions the dialogue asks, with which defaults, and what the
// answers do to the record, for each kind of processor.
#include "answers.h"
#include "questions.h"

#include "cu/config.h"
#include "cu/menu.h"
#include "hw/cpu.h"
#include "support/capture.h"
#include "support/env.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Fields in record order: target, flags, htlimit, nbmulti, nbv, vcore, cpumulti.
constexpr nvram_config D = CFG_DEFAULTS;

constexpr nvram_config with_flags(std::uint16_t flags, nvram_config c = D)
{
    c.flags = flags;
    return c;
}

bool same(const nvram_config &a, const nvram_config &b)
{
    return describe(a) == describe(b);
}

std::string lines(const std::vector<std::string> &answers)
{
    std::string s;
    for (const auto &a : answers)
        s += a + "\n";
    return s;
}

struct session {
    bool completed;
    std::string transcript;
};

session edit(nvram_config *c, int family, int lock, const std::string &input)
{
    scripted_answers answers(input);
    session s{};
    s.transcript = capture_stdout([&] { s.completed = edit_settings(answers.stream(), c, {family, lock}); });
    return s;
}

struct menu_case {
    const char *what;
    nvram_config start;
    int family, lock;
    std::vector<std::string> answers;
    const char *asked;
    nvram_config want;
};

const menu_case CASES[] = {
    {"debug defaults, every answer Enter", D, -1, 1,
     {"", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[no] memory[no] ht[no]",
     D},
    {"locked: a changed core voltage opens the CPU group", {200, 0, 3200, 0, 1, 5, 0}, -1, 1,
     {"", "", "", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[yes] limited-core-voltage[+62.5] pstate-lock[yes] northbridge[no] memory[no] "
     "ht[no]",
     {200, 0, 3200, 0, 1, 5, 0}},
    {"locked: limited core voltage edited", D, -1, 1,
     {"", "", "yes", "37.5", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] limited-core-voltage[+25.0] pstate-lock[yes] northbridge[no] memory[no] "
     "ht[no]",
     {200, 0, 3200, 0, 1, 3, 0}},
    {"unlocked: core questions at the top, CPU group closed", {200, 0, 3200, 0, 1, 5, 6}, -1, 0,
     {"", "", "", "", "", "", "", ""},
     "refclock[200] core-multiplier[+3.0] core-voltage[+62.5] debugging[no] cpu[no] northbridge[no] memory[no] ht[no]",
     {200, 0, 3200, 0, 1, 5, 6}},
    {"lock unknown: core questions at the top and no limited voltage", {200, 0, 3200, 0, 1, 5, 0}, -1, -1,
     {"", "", "", "", "", "", "", "", ""},
     "refclock[200] core-multiplier[+0.0] core-voltage[+62.5] debugging[no] cpu[yes] pstate-lock[yes] northbridge[no] "
     "memory[no] ht[no]",
     {200, 0, 3200, 0, 1, 5, 0}},
    {"an earlier answer changes a later default", D, -1, -1,
     {"", "", "62.5", "", "no", "", "", ""},
     "refclock[200] core-multiplier[+0.0] core-voltage[+25.0] debugging[no] cpu[yes] northbridge[no] memory[no] ht[no]",
     {200, 0, 3200, 0, 1, 5, 0}},
    {"decimal answers become steps", D, -1, 0,
     {"262", "15.5", "87.5", "", "", "yes", "37.5", "11x", "", ""},
     "refclock[200] core-multiplier[+0.0] core-voltage[+25.0] debugging[no] cpu[no] northbridge[no] nb-voltage[+12.5] "
     "nb-multiplier[auto] memory[no] ht[no]",
     {262, 0, 3200, 3, 3, 7, 31}},
    {"no multiplier: all-P-state bit dropped before the CPU group", with_flags(0x800), -1, 1,
     {"", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[no] memory[no] ht[no]",
     D},
    {"CPU group declined keeps free P-states", with_flags(0xA00), -1, 1,
     {"", "", "no", "", "", ""},
     "refclock[200] debugging[no] cpu[yes] northbridge[no] memory[no] ht[no]",
     with_flags(0x200)},
    {"free P-states and a multiplier ask about all P-states", {200, 0x200, 3200, 0, 1, 2, 4}, -1, 0,
     {"", "", "", "", "", "", "yes", "", "", ""},
     "refclock[200] core-multiplier[+2.0] core-voltage[+25.0] debugging[no] cpu[yes] pstate-lock[no] all-pstates[no] "
     "northbridge[no] memory[no] ht[no]",
     {200, 0xA00, 3200, 0, 1, 2, 4}},
    {"locking the P-state again drops the all-P-state bit", {200, 0xA00, 3200, 0, 1, 2, 4}, -1, 0,
     {"", "", "", "", "", "yes", "", "", ""},
     "refclock[200] core-multiplier[+2.0] core-voltage[+25.0] debugging[no] cpu[yes] pstate-lock[no] northbridge[no] "
     "memory[no] ht[no]",
     {200, 0, 3200, 0, 1, 2, 4}},
    {"debugging options set", D, -1, 1,
     {"", "yes", "yes", "yes", "", "", "", ""},
     "refclock[200] debugging[no] multiple-sets[no] warm-reset-only[no] cpu[no] northbridge[no] memory[no] ht[no]",
     with_flags(0x003)},
    {"debugging options shown and one cleared", with_flags(0x003), -1, 1,
     {"", "", "no", "", "", "", "", ""},
     "refclock[200] debugging[yes] multiple-sets[yes] warm-reset-only[yes] cpu[no] northbridge[no] memory[no] ht[no]",
     with_flags(0x002)},
    {"no XMP: merge bit dropped without asking", with_flags(0x020), -1, 1,
     {"", "", "", "", "", "no", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[no] memory[yes] xmp[yes] fast-memory[no] dimm-1v5[no] "
     "relax-timings[no] ht[no]",
     with_flags(0x008)},
    {"XMP back on: merge asked", with_flags(0x008), -1, 1,
     {"", "", "", "", "", "yes", "no", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[no] memory[yes] xmp[no] xmp-merge[yes] fast-memory[no] "
     "dimm-1v5[no] relax-timings[no] ht[no]",
     with_flags(0x020)},
    {"slow memory drops 1T without asking", with_flags(0x410), -1, 1,
     {"", "", "", "", "", "", "", "no", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[no] memory[yes] xmp[yes] xmp-merge[yes] fast-memory[yes] "
     "dimm-1v5[no] relax-timings[no] ht[no]",
     D},
    {"family 1: fast memory asks 1T, no Northbridge", with_flags(0x010), 1, 1,
     {"", "", "", "", "", "", "", "yes", "yes", "yes", ""},
     "refclock[200] debugging[no] cpu[no] memory[yes] xmp[yes] xmp-merge[yes] fast-memory[yes] force-1t[no] "
     "dimm-1v5[no] relax-timings[no] ht[no]",
     with_flags(0x550)},
    {"family 6: Northbridge but no fast memory", {200, 0x100, 3200, 2, 1, 2, 0}, 6, 1,
     {"", "", "", "", "", "", "", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[yes] nb-voltage[+12.5] nb-multiplier[10x] memory[yes] xmp[yes] "
     "xmp-merge[yes] dimm-1v5[no] relax-timings[yes] ht[no]",
     {200, 0x100, 3200, 2, 1, 2, 0}},
    {"other family: neither", with_flags(0x100), 16, 1,
     {"", "", "", "", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] memory[yes] xmp[yes] xmp-merge[yes] dimm-1v5[no] relax-timings[yes] ht[no]",
     with_flags(0x100)},
    {"multiplier 4, just past the list, shows auto", {200, 0, 3200, 4, 1, 2, 0}, -1, 1,
     {"", "", "", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[yes] nb-voltage[+12.5] nb-multiplier[auto] memory[no] ht[no]",
     D},
    {"multiplier 5 beyond the list shows auto", {200, 0, 3200, 5, 1, 2, 0}, -1, 1,
     {"", "", "", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[yes] nb-voltage[+12.5] nb-multiplier[auto] memory[no] ht[no]",
     D},
    {"multiplier 7, the widest stored, shows auto", {200, 0, 3200, 7, 1, 2, 0}, 6, 1,
     {"", "", "", "", "", "", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[yes] nb-voltage[+12.5] nb-multiplier[auto] memory[no] ht[no]",
     D},
    {"Northbridge declined keeps a stored multiplier beyond the list", {200, 0, 3200, 5, 0, 2, 0}, -1, 1,
     {"", "", "", "no", "", ""},
     "refclock[200] debugging[no] cpu[no] northbridge[yes] memory[no] ht[no]",
     {200, 0, 3200, 5, 0, 2, 0}},
    {"HT options", {200, 0, 2800, 0, 1, 2, 0}, -1, 1,
     {"", "", "", "", "", "", "3000", "yes"},
     "refclock[200] debugging[no] cpu[no] northbridge[no] memory[no] ht[yes] ht-cap[2800] ht-alt-tuning[no]",
     {200, 0x080, 3000, 0, 1, 2, 0}},
    {"a stored clock beyond the range stays on Enter", {263, 0, 3200, 0, 1, 2, 0}, -1, 1,
     {"", "", "", "", "", ""},
     "refclock[263] debugging[no] cpu[no] northbridge[no] memory[no] ht[no]",
     {263, 0, 3200, 0, 1, 2, 0}},
};

} // namespace

TEST(Menu, QuestionsDefaultsAndEffects)
{
    for (const auto &c : CASES) {
        SCOPED_TRACE(c.what);
        nvram_config rec = c.start;
        session s = edit(&rec, c.family, c.lock, lines(c.answers));
        EXPECT_TRUE(s.completed);
        EXPECT_EQ(asked_questions(s.transcript), c.asked);
        EXPECT_TRUE(same(rec, c.want)) << describe(rec) << " instead of " << describe(c.want);
    }
}

TEST(Menu, AnyQuestionCanEndTheDialogue)
{
    // The longest path: every group open, every question asked but the limited core voltage.
    const std::vector<std::string> all = {"", "1", "", "yes", "", "", "yes", "no", "", "yes", "", "",
                                          "yes", "", "", "yes", "", "", "", "yes", "", ""};
    nvram_config full = D;
    session done = edit(&full, -1, -1, lines(all));
    ASSERT_TRUE(done.completed);
    ASSERT_EQ(
        asked_questions(done.transcript),
        "refclock[200] core-multiplier[+0.0] core-voltage[+25.0] debugging[no] multiple-sets[no] warm-reset-only[no] "
        "cpu[no] pstate-lock[yes] all-pstates[no] northbridge[no] nb-voltage[+12.5] nb-multiplier[auto] "
        "memory[no] xmp[yes] xmp-merge[yes] fast-memory[no] force-1t[no] dimm-1v5[no] relax-timings[no] ht[no] "
        "ht-cap[3200] ht-alt-tuning[no]");
    for (std::size_t k = 0; k < all.size(); k++) {
        SCOPED_TRACE(k);
        nvram_config rec = D;
        session s = edit(&rec, -1, -1, lines({all.begin(), all.begin() + static_cast<long>(k)}));
        EXPECT_FALSE(s.completed);
        std::string asked = asked_questions(s.transcript);
        EXPECT_EQ(asked, asked_questions(done.transcript).substr(0, asked.size()));
        EXPECT_EQ(static_cast<std::size_t>(std::count(asked.begin(), asked.end(), '[')), k + 1);
    }
}

TEST(Menu, InterruptedAtFirstQuestion)
{
    interrupted_guard marked(1);
    nvram_config rec = D;
    session s = edit(&rec, -1, 1, "230\n");
    EXPECT_FALSE(s.completed);
    EXPECT_EQ(s.transcript, "Reference clock (200-262) [200]? ");
    EXPECT_TRUE(same(rec, D));
}

namespace {

const char HEADER[] = "Type your selection and press Enter.\n"
                      "Plain Enter proceeds with value in square brackets.\n"
                      "Press Ctrl+C to interrupt.\n\n";

session menu(const std::string &input, nvram_config *cfg)
{
    scripted_answers answers(input);
    session s{};
    s.transcript = capture_stdout([&] { s.completed = run_menu(answers.stream(), cfg); });
    return s;
}

} // namespace

TEST(Menu, ResetEndsTheDialogue)
{
    const nvram_config loaded = {230, 0x0A81, 2500, 2, 3, 5, 8};
    nvram_config cfg = loaded;
    session s = menu("yes\n", &cfg);
    EXPECT_TRUE(s.completed);
    EXPECT_EQ(s.transcript, std::string(HEADER) + "Reset KELB configuration to defaults (stock) (no/yes) [no]? \n");
    nvram_config want = loaded;
    want.target = 0;
    EXPECT_TRUE(same(cfg, want)) << describe(cfg);
}

TEST(Menu, ProcessorFactsAskedAfterTheResetQuestion)
{
    struct facts_case {
        const char *family, *locked, *asked;
    };
    const facts_case cases[] = {
        {"6", "0",
         "reset[no] refclock[200] core-multiplier[+0.0] core-voltage[+25.0] debugging[no] cpu[no] northbridge[no] "
         "memory[yes] xmp[yes] xmp-merge[yes] dimm-1v5[no] relax-timings[no] ht[no]"},
        {"1", "1",
         "reset[no] refclock[200] debugging[no] cpu[no] memory[yes] xmp[yes] xmp-merge[yes] fast-memory[yes] "
         "force-1t[no] dimm-1v5[no] relax-timings[no] ht[no]"},
        {"-1", "-1",
         "reset[no] refclock[200] core-multiplier[+0.0] core-voltage[+25.0] debugging[no] cpu[no] northbridge[no] "
         "memory[yes] xmp[yes] xmp-merge[yes] fast-memory[yes] force-1t[no] "
         "dimm-1v5[no] relax-timings[no] ht[no]"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.asked);
        scoped_env family(ENV_CPU_FAMILY, std::string(c.family));
        scoped_env locked(ENV_CPU_LOCKED, std::string(c.locked));
        nvram_config cfg = with_flags(CFG_MEMFAST);
        session s = menu(std::string(20, '\n'), &cfg);
        EXPECT_TRUE(s.completed);
        EXPECT_EQ(s.transcript.substr(0, sizeof HEADER - 1), HEADER);
        EXPECT_EQ(asked_questions(s.transcript), c.asked);
        ASSERT_FALSE(s.transcript.empty());
        EXPECT_EQ(s.transcript.back(), '\n');
        EXPECT_TRUE(same(cfg, with_flags(CFG_MEMFAST))) << describe(cfg);
    }
}

TEST(Menu, EndOfInputAtTheResetQuestion)
{
    nvram_config cfg = CFG_DEFAULTS;
    session s = menu("", &cfg);
    EXPECT_FALSE(s.completed);
    EXPECT_EQ(s.transcript, std::string(HEADER) + "Reset KELB configuration to defaults (stock) (no/yes) [no]? ");
    EXPECT_TRUE(same(cfg, D));
}
