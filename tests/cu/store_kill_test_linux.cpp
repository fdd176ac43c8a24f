// A run of the simulated machine killed (SIGKILL, which nothing holds: a
// power cut as the process sees it) after each data-port access of the run,
// one run per access: the chip must then hold the record found, the record
// asked for, or an image the firmware refuses, never another.
#include "machine_run.h"

#include <csignal>

namespace {

config_image image_of(std::initializer_list<std::uint8_t> b)
{
    config_image i{};
    std::copy(b.begin(), b.end(), i.begin());
    return i;
}

struct kill_case {
    const char *name;
    config_image old_record;
    std::vector<std::string> args;
    const char *drop; // KELB_SIM_WRITE_DROP, or null
    bool stores;      // the run without a kill stores the new record
    bool interim;     // the chip passes through refused images on the way
};

const nvram_config PRIOR = {210, CFG_MEMFAST | CFG_MEM_1T | CFG_HT_ALT, 2800, 2, 2, 3, 3};

const kill_case KILL_CASES[] = {
    // Old and new share their sum of data bytes from the second byte on: in
    // the order 248..253 a kill after 249 left 48 00 07 08 00 f5, valid.
    {"same_running_sum", image_of({0x40, 0x08, 0x07, 0x08, 0x00, 0xf5}),
     {"-s", "refclock=208", "-s", "xmp=yes", "-s", "ht-cap=2500"}, nullptr, true, true},
    {"marked_record_replaced", boot_failure_marked(encode_config(PRIOR)), {"230"}, nullptr, true, true},
    {"valid_record_reset", encode_config(PRIOR), {"reset"}, nullptr, true, true},
    {"zeros_to_a_record", image_of({0, 0, 0, 0, 0, 0}), {"262"}, nullptr, true, true},
    // Tries of the new record that stop at a byte not kept, then the old one put back.
    {"byte_not_kept_old_put_back", encode_config(PRIOR), {"230"}, "248", false, true},
    {"byte_not_kept_mark_put_back", boot_failure_marked(encode_config(PRIOR)), {"230"}, "251", false, true},
    // The interim check byte does not take: nothing else may be written.
    {"check_byte_not_kept", image_of({0x40, 0x08, 0x07, 0x08, 0x00, 0xf5}),
     {"-s", "refclock=208", "-s", "xmp=yes", "-s", "ht-cap=2500"}, "253", false, false},
};

config_image record_of(const bytes &chip)
{
    config_image r{};
    std::copy(chip.begin() + CFG_NVRAM_OFFSET, chip.begin() + CFG_NVRAM_OFFSET + CFG_IMAGE_SIZE, r.begin());
    return r;
}

class store_kill : public ::testing::TestWithParam<kill_case> {};

TEST_P(store_kill, chip_holds_old_new_or_a_refused_image_after_every_access)
{
    const kill_case &c = GetParam();
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    const bytes before = chip_with_record(29, c.old_record);
    std::vector<std::string> args = {"-f", "-f"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::vector<env_change> faults;
    if (c.drop)
        faults.emplace_back(SIM_WRITE_DROP, c.drop);

    // The whole run once: its new record and its number of data-port accesses.
    write_file(chip, before);
    run_result whole = run_device(chip, log, args, faults);
    ASSERT_EQ(whole.status, c.stores ? 0 : 12) << whole.err;
    const config_image old_record = c.old_record, new_record = record_of(read_file(chip));
    if (c.stores) {
        ASSERT_NE(hex_of(new_record), hex_of(old_record));
    } else {
        ASSERT_EQ(hex_of(new_record), hex_of(old_record)); // put back
    }
    unsigned accesses = 0;
    for (const std::string &line : read_lines(log))
        accesses += line.rfind("in 73", 0) == 0 || line.rfind("out 73", 0) == 0;
    ASSERT_GT(accesses, 44u); // checksum, read and second read, then the store

    // What the run asked for, from a run on a chip that keeps every byte.
    config_image asked = new_record;
    if (!c.stores) {
        write_file(chip, before);
        ASSERT_EQ(run_device(chip, dir.file("clean.log"), args).status, 0);
        asked = record_of(read_file(chip));
    }

    unsigned refused = 0;
    for (unsigned n = 1; n <= accesses; n++) {
        SCOPED_TRACE("killed after access " + std::to_string(n));
        write_file(chip, before);
        run_result r = run_device(chip, "", args, [&] {
            auto e = faults;
            e.emplace_back(SIM_RAISE, std::to_string(n) + ":" + std::to_string(SIGKILL));
            return e;
        }());
        ASSERT_EQ(r.status, 128 + SIGKILL) << r.err;
        const bytes after = read_file(chip);
        expect_unchanged_outside(before, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + CFG_IMAGE_SIZE - 1);
        config_image now = record_of(after);
        nvram_config ignored;
        if (now == old_record || now == asked)
            continue;
        EXPECT_EQ(decode_config(now, &ignored), CONFIG_ABSENT) << "left" << hex_of(now) << ", old" << hex_of(old_record)
                                                               << ", new" << hex_of(asked);
        refused++;
    }
    // The kills do land inside the store (or, where the check byte never
    // takes, the chip never leaves the old record).
    EXPECT_EQ(refused > 0, c.interim) << refused;
}

INSTANTIATE_TEST_SUITE_P(sim, store_kill, ::testing::ValuesIn(KILL_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
