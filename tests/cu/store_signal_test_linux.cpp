// Signals that reach a run on the simulated machine at a chosen port access:
// before the store control events end runs that set settings by name; during
// the store every signal waits for its end, and then ends nothing.
#include "machine_run.h"
#include "run_texts.h"

#include <csignal>

namespace {

const nvram_config PRIOR = {210, CFG_MEMFAST | CFG_HT_ALT, 2800, 0, 1, 3, 0};

enum class outcome { interrupted, stored, killed };

std::string at(unsigned access, int sig)
{
    return std::to_string(access) + ":" + std::to_string(sig);
}

struct signal_case {
    const char *name;
    std::vector<std::string> args;
    // KELB_SIM_RAISE: 32 checksum accesses, 33..38 the read, 39..44 the second
    // read, 45..58 the write (45..46 the interim check byte, 47..56 the data
    // bytes, 57..58 the check byte, each written and read back)
    std::string raises;
    outcome end;
    int killed_by;
    const char *ignored = ""; // signals the invoker leaves ignored (a shell's trap '' list)
};

// Failures name the case rather than dump its bytes.
void PrintTo(const signal_case &c, std::ostream *os) { *os << c.name; }

const signal_case SIGNAL_CASES[] = {
    {"settings_term_during_the_read", {"-s", "xmp=no"}, at(36, SIGTERM), outcome::interrupted, 0},
    {"dry_run_int_during_the_checksum", {"-n", "240"}, at(10, SIGINT), outcome::interrupted, 0},
    {"settings_int_during_the_write", {"-s", "xmp=no"}, at(47, SIGINT), outcome::stored, 0},
    {"settings_int_then_term_during_the_write", {"-s", "xmp=no"}, at(46, SIGINT) + "," + at(48, SIGTERM),
     outcome::stored, 0},
    {"refclock_int_before_and_int_during_the_write", {"230"}, at(10, SIGINT) + "," + at(47, SIGINT),
     outcome::stored, 0},
    {"reset_hup_during_the_data_bytes", {"reset"}, at(52, SIGHUP), outcome::stored, 0},
    // Signals whose default action ends the process wait for the store's end
    // and then end nothing.
    {"refclock_usr1_at_the_first_byte", {"230"}, at(45, SIGUSR1), outcome::stored, 0},
    {"refclock_alrm_at_the_interim_read_back", {"230"}, at(46, SIGALRM), outcome::stored, 0},
    {"settings_usr2_during_the_data_bytes", {"-s", "xmp=no"}, at(50, SIGUSR2), outcome::stored, 0},
    {"reset_pipe_during_the_data_bytes", {"reset"}, at(53, SIGPIPE), outcome::stored, 0},
    {"refclock_xcpu_at_the_check_byte", {"231"}, at(57, SIGXCPU), outcome::stored, 0},
    {"refclock_vtalrm_at_the_last_access", {"232"}, at(58, SIGVTALRM), outcome::stored, 0},
    {"refclock_realtime_signal_during_the_data_bytes", {"233"}, at(49, SIGRTMIN + 1), outcome::stored, 0},
    {"settings_many_during_the_write", {"-s", "ht-cap=2500"},
     at(45, SIGPROF) + "," + at(47, SIGTERM) + "," + at(49, SIGQUIT) + "," + at(51, SIGUSR1) + "," +
         at(53, SIGINT) + "," + at(55, SIGALRM) + "," + at(57, SIGHUP),
     outcome::stored, 0},
    // Before the store nothing is held: the default action ends the run.
    {"refclock_usr1_during_the_checksum", {"230"}, at(10, SIGUSR1), outcome::killed, SIGUSR1},
    // A signal the invoker left ignored stays ignored, before the store too.
    {"refclock_ignored_usr1_during_the_checksum", {"230"}, at(10, SIGUSR1), outcome::stored, 0, "USR1"},
    {"settings_ignored_int_during_the_read", {"-s", "xmp=no"}, at(36, SIGINT) + "," + at(47, SIGINT),
     outcome::stored, 0, "INT"},
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
    run_result r;
    if (*c.ignored) {
        std::vector<std::string> argv = {"/bin/sh", "-c", std::string("trap '' ") + c.ignored + "; exec \"$0\" \"$@\"",
                                         KELB_CU_SIM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        r = run_checked(argv, machine_env(chip, log, {{SIM_RAISE, c.raises}}));
    } else {
        r = run_device(chip, log, args, {{SIM_RAISE, c.raises}});
    }

    ASSERT_EQ(reference.status, 0) << reference.err;
    if (c.end == outcome::stored) {
        ASSERT_NE(read_file(good), before);
    }
    switch (c.end) {
    case outcome::interrupted:
        EXPECT_EQ(r.status, 11) << r.err;
        EXPECT_EQ(r.out, BANNER + FOUND + "\n\nSignal received or EOF on input.\n");
        EXPECT_EQ(read_file(chip), before);
        break;
    case outcome::stored:
        // Whatever came during the store, the run ends with its status.
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, BANNER + FOUND + STORED);
        EXPECT_EQ(r.err, WARNING_LINES);
        EXPECT_EQ(read_file(chip), read_file(good));
        break;
    case outcome::killed:
        EXPECT_EQ(r.status, 128 + c.killed_by) << r.err;
        EXPECT_EQ(r.out.find("Configuration stored"), std::string::npos) << r.out;
        EXPECT_EQ(read_file(chip), before);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(sim, store_signal, ::testing::ValuesIn(SIGNAL_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

// The default record in the chip, a new reference clock, SIGUSR1 at the
// store's first byte: held to the store's end, then dropped. Before, the run
// ended killed with the record half written (5e 00 07 08 00 fd).
TEST(store_signal_default_record, usr1_at_the_first_byte_ends_with_the_new_record_and_status_0)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin");
    config_image found = encode_config(CFG_DEFAULTS);
    ASSERT_EQ(found, (config_image{0x40, 0x00, 0x07, 0x08, 0x00, 0xfd}));
    write_file(chip, chip_with_record(5, found));
    run_result r = run_device(chip, "", {"-f", "-f", "230"}, {{SIM_RAISE, at(45, SIGUSR1)}});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, BANNER + FOUND + STORED);
    const bytes after = read_file(chip);
    config_image stored;
    std::copy(after.begin() + CFG_NVRAM_OFFSET, after.begin() + CFG_NVRAM_OFFSET + 6, stored.begin());
    nvram_config got{};
    ASSERT_EQ(decode_config(stored, &got), CONFIG_VALID);
    EXPECT_EQ(got.target, 230);
}

} // namespace
