// Signals that reach a run on the simulated machine at a chosen port access:
// before the store they end runs that set settings by name, during the store
// they wait for its end, a second one too.
#include "machine_run.h"
#include "run_texts.h"

#include <csignal>

namespace {

const nvram_config PRIOR = {210, CFG_MEMFAST | CFG_HT_ALT, 2800, 0, 1, 3, 0};

enum class outcome { interrupted, stored, stored_then_killed };

struct signal_case {
    const char *name;
    std::vector<std::string> args;
    std::string raises; // KELB_SIM_RAISE: 32 checksum accesses, 33..38 the read, 39..44 the second read, 45..50 the write
    outcome end;
    int killed_by;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const signal_case &c, std::ostream *os) { *os << c.name; }

const signal_case SIGNAL_CASES[] = {
    {"settings_term_during_the_read", {"-s", "xmp=no"}, "36:" + std::to_string(SIGTERM), outcome::interrupted, 0},
    {"dry_run_int_during_the_checksum", {"-n", "240"}, "10:" + std::to_string(SIGINT), outcome::interrupted, 0},
    {"settings_int_during_the_write", {"-s", "xmp=no"}, "47:" + std::to_string(SIGINT), outcome::stored, 0},
    {"settings_int_then_term_during_the_write", {"-s", "xmp=no"},
     "46:" + std::to_string(SIGINT) + ",48:" + std::to_string(SIGTERM), outcome::stored_then_killed, SIGTERM},
    {"refclock_int_before_and_int_during_the_write", {"230"},
     "10:" + std::to_string(SIGINT) + ",47:" + std::to_string(SIGINT), outcome::stored_then_killed, SIGINT},
    {"reset_hup_during_the_read_back", {"reset"}, "52:" + std::to_string(SIGHUP), outcome::stored, 0},
};

class store_signal : public ::testing::TestWithParam<signal_case> {};

TEST_P(store_signal, signal_stops_the_run_before_the_store_or_waits_for_its_end)
{
    const signal_case &c = GetParam();
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), good = dir.file("good.bin");
    const bytes before = chip_with_record(31, encode_config(PRIOR));
    write_file(chip, before);
    write_file(good, before);
    std::vector<std::string> args = {"-f", "-f"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    run_result reference = run_device(good, dir.file("good.log"), args);
    run_result r = run_device(chip, log, args, {{SIM_RAISE, c.raises}});

    ASSERT_EQ(reference.status, 0) << reference.err;
    if (c.end != outcome::interrupted) {
        EXPECT_NE(read_file(good), before);
    }
    switch (c.end) {
    case outcome::interrupted:
        EXPECT_EQ(r.status, 11) << r.err;
        EXPECT_EQ(r.out, BANNER + FOUND + "\n\nSignal received or EOF on input.\n");
        EXPECT_EQ(read_file(chip), before);
        break;
    case outcome::stored:
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, BANNER + FOUND + STORED);
        EXPECT_EQ(read_file(chip), read_file(good));
        break;
    case outcome::stored_then_killed:
        // Killed only once the store has been checked and reported.
        EXPECT_EQ(r.status, 128 + c.killed_by) << r.err;
        EXPECT_EQ(r.out, BANNER + FOUND + STORED);
        EXPECT_EQ(read_file(chip), read_file(good));
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(sim, store_signal, ::testing::ValuesIn(SIGNAL_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
