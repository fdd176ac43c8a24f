// The utility on the CMOS device of the simulated machine, end to end.
#include "cu/driver_advice.h"
#include "machine_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// A stored record whose every field a processor constraint can change.
const nvram_config PRIOR = {210, CFG_MEMFAST | CFG_MEM_1T | CFG_HT_ALT, 2800, 2, 2, 3, 3};

enum class prior_kind { none, valid, boot_failed };

config_image prior_image(prior_kind kind)
{
    switch (kind) {
    case prior_kind::valid:
        return encode_config(PRIOR);
    case prior_kind::boot_failed:
        return boot_failure_marked(encode_config(PRIOR));
    case prior_kind::none:
        break;
    }
    config_image reset;
    reset.fill(0xFF);
    return reset;
}

// A hardware value of the simulated machine and the override that means the same.
struct processor {
    const char *pci80, *locked;
    const char *eax1, *family;
};

struct store_case {
    const char *name;
    prior_kind prior;
    processor cpu;
    const char *arg;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const store_case &c, std::ostream *os) { *os << c.name; }

const processor UNLOCKED_K10 = {"0x00080000", "0", "0x00100F00", "1"};

const store_case STORES[] = {
    {"fresh_chip", prior_kind::none, UNLOCKED_K10, "230"},
    {"unlocked_family_10", prior_kind::valid, {"0xFFFF7FFF", "0", "0x00A00F10", "10"}, "230"},
    {"locked_family_1", prior_kind::valid, {"0x00088000", "1", "0x00100F00", "1"}, "230"},
    {"lock_unreadable_family_6", prior_kind::valid, {"fail", "-1", "0x00600F20", "6"}, "230"},
    {"boot_failed_unlocked_family_6", prior_kind::boot_failed, {"0x00080000", "0", "0xF06FFFFF", "6"}, "262"},
    {"reset_of_a_record", prior_kind::valid, UNLOCKED_K10, "reset"},
};

class device_store : public ::testing::TestWithParam<store_case> {};

TEST_P(device_store, stores_through_the_ports_exactly_as_in_a_backing_file)
{
    const store_case &c = GetParam();
    scratch_dir dir;
    const bytes before = chip_with_record(21, prior_image(c.prior));
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), file = dir.file("nvram.bin");
    write_file(chip, before);
    write_file(file, before);

    run_result dev = run_device(chip, log, {"-f", "-f", c.arg},
                                {{SIM_PCI80, c.cpu.pci80}, {SIM_CPUID_EAX1, c.cpu.eax1}});
    run_result deb = run_backing_file(file, {c.arg},
                                      {{"KELB_DEBUG_CPU_LOCKED", c.cpu.locked},
                                       {"KELB_DEBUG_CPU_EXTENDED_FAMILY", c.cpu.family}});

    EXPECT_EQ(dev.status, 0) << dev.err;
    EXPECT_EQ(deb.status, 0) << deb.err;
    EXPECT_EQ(dev.out, deb.out);
    EXPECT_NE(dev.out.find("Configuration stored successfully."), std::string::npos) << dev.out;
    EXPECT_EQ(dev.err, WARNING_LINES);
    const bytes after = read_file(chip);
    EXPECT_EQ(after, read_file(file));
    expect_unchanged_outside(before, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);

    // The lock decision shows in the stored multiplier adjustment.
    ASSERT_GE(after.size(), CFG_NVRAM_OFFSET + 6);
    config_image stored;
    std::copy(after.begin() + CFG_NVRAM_OFFSET, after.begin() + CFG_NVRAM_OFFSET + 6, stored.begin());
    nvram_config got{};
    if (std::string(c.arg) != "reset") {
        ASSERT_EQ(decode_config(stored, &got), CONFIG_VALID);
        EXPECT_EQ(got.target, std::stoi(c.arg));
        bool unlocked = std::string(c.cpu.locked) == "0";
        if (c.prior != prior_kind::none) {
            EXPECT_EQ(got.cpumulti, unlocked ? PRIOR.cpumulti : 0);
        }
    }

    // Driver opened first and released last; one checksum, then the record
    // read and read again before the write, each transfer at three ports a
    // byte plus the saved index; then the interim check byte, the five data
    // bytes and the check byte, each byte read back while it is selected (four
    // ports a byte): 140 port accesses.
    auto lines = read_lines(log);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "init");
    EXPECT_EQ(lines.back(), "deinit");
    auto ports = port_lines(lines);
    EXPECT_EQ(ports.size(), (64u + 2) + (3u * 6 + 2) * 2 + (4u * 1 + 2) + (4u * 5 + 2) + (4u * 1 + 2));
    EXPECT_EQ(ports.size(), 140u);
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports.front(), "in 72 -> 5a");
    EXPECT_EQ(ports.back(), "out 72 <- 5a");
}

INSTANTIATE_TEST_SUITE_P(sim, device_store, ::testing::ValuesIn(STORES),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(device_run, second_identical_run_writes_nothing)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    write_file(chip, chip_with_record(4, prior_image(prior_kind::none)));
    ASSERT_EQ(run_device(chip, log, {"-f", "-f", "200"}).status, 0);
    const bytes stored = read_file(chip);
    std::filesystem::remove(log);

    run_result r = run_device(chip, log, {"-f", "-f", "200"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Configuration unchanged."), std::string::npos) << r.out;
    EXPECT_EQ(read_file(chip), stored);
    for (const auto &line : read_lines(log))
        EXPECT_NE(line.rfind("out 73", 0), 0u) << line;
}

TEST(device_run, checksum_mismatch_stops_the_run_unless_a_third_f_skips_it)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    bytes before = chip_with_record(9, prior_image(prior_kind::valid));
    before[47] ^= 0x01;
    write_file(chip, before);

    run_result r = run_device(chip, log, {"-f", "-f", "230"});
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.err, std::string(WARNING_LINES) + "PC NVRAM checksum mismatch.\n"
                     "\nReboot the machine and enter the BIOS setup. If needed, adjust settings.\n"
                     "Then save and exit.\n");
    EXPECT_EQ(r.out.find("Configuration"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(chip), before);
    auto lines = read_lines(log);
    EXPECT_EQ(port_lines(lines).size(), 66u);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "deinit");

    std::filesystem::remove(log);
    r = run_device(chip, log, {"-f", "-f", "-f", "230"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("KELB configuration found."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Configuration stored successfully."), std::string::npos) << r.out;
    EXPECT_EQ(port_lines(read_lines(log)).size(), 140u - 66);
    expect_unchanged_outside(before, read_file(chip), CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);
}

struct index_case {
    const char *name;
    const char *readback;
    int status;
    const char *found; // the read's report on standard output; null when none
    unsigned landed;   // record bytes written before the index was found moved
};

// Failures name the case rather than dump its bytes.
void PrintTo(const index_case &c, std::ostream *os) { *os << c.name; }

const std::string READ_FAILED = "read_config: " + errno_text(EIO) +
                                "\nERROR: couldn't read the stored configuration\n"
                                "Nothing was written; the stored settings are left as they are.\n";
// The checksum makes 32 data-port accesses, the record read 6, its second
// read 6, and the record write 14 (each byte written and read back: 45..46
// the interim check byte, 47..56 the data bytes, 57..58 the check byte). The checksum selects every
// byte afresh and reads nothing back, so an index moved between its bytes
// does no harm. A read that loses its index is made again, and a write goes
// on from the byte that did not take; a device that never keeps the index
// stores nothing at all.
const index_case INDEX_FAULTS[] = {
    {"never_read_back", "broken", 13, nullptr, 0},
    {"moved_during_the_checksum", "drift:10", 0, "KELB configuration found.", 6},
    {"moved_at_the_first_record_byte", "drift:33", 0, "KELB configuration found.", 6},
    {"moved_during_the_record_read", "drift:35", 0, "KELB configuration found.", 6},
    {"moved_during_the_second_read", "drift:41", 0, "KELB configuration found.", 6},
    {"moved_during_the_record_write", "drift:47", 0, "KELB configuration found.", 6},
    {"moved_during_the_data_bytes", "drift:53", 0, "KELB configuration found.", 6},
    {"moved_at_the_interim_check_byte", "drift:45", 0, "KELB configuration found.", 6},
    {"moved_at_the_last_check_byte", "drift:57", 0, "KELB configuration found.", 6},
};

class device_index : public ::testing::TestWithParam<index_case> {};

TEST_P(device_index, lost_index_stops_the_transfer_and_spares_the_rest_of_the_chip)
{
    const index_case &c = GetParam();
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    const bytes before = chip_with_record(17, prior_image(prior_kind::valid));
    write_file(chip, before);

    run_result r = run_device(chip, log, {"-f", "-f", "230"}, {{SIM_INDEX_READBACK, c.readback}});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out.find("No valid KELB configuration found."), std::string::npos) << r.out;
    if (c.found) {
        EXPECT_NE(r.out.find(c.found), std::string::npos) << r.out;
    } else {
        EXPECT_EQ(r.out, "kelb-cu: KELB configuration utility (KELB5.3)\n\n");
    }
    const bytes after = read_file(chip);
    if (c.status == 0) {
        EXPECT_NE(r.out.find("Configuration stored successfully."), std::string::npos) << r.out;
        EXPECT_EQ(r.err, WARNING_LINES);
        // The operator's settings stay (those of family 10h processors keep
        // flags, HT cap and core voltage); only the reference clock is new.
        config_image stored;
        std::copy(after.begin() + CFG_NVRAM_OFFSET, after.begin() + CFG_NVRAM_OFFSET + 6, stored.begin());
        nvram_config got{};
        ASSERT_EQ(decode_config(stored, &got), CONFIG_VALID);
        EXPECT_EQ(got.target, 230);
        EXPECT_EQ(got.flags, PRIOR.flags);
        EXPECT_EQ(got.htlimit, PRIOR.htlimit);
        EXPECT_EQ(got.vcore, PRIOR.vcore);
    } else {
        EXPECT_EQ(r.err, std::string(WARNING_LINES) + READ_FAILED);
        EXPECT_EQ(r.out.find("Configuration stored"), std::string::npos) << r.out;
    }
    expect_unchanged_outside(before, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + c.landed - 1);
    if (c.landed > 0) {
        EXPECT_NE(after, before);
    } else {
        EXPECT_EQ(after, before);
        for (const auto &line : read_lines(log))
            EXPECT_NE(line.rfind("out 73", 0), 0u) << line;
    }
    auto lines = read_lines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "deinit");
}

INSTANTIATE_TEST_SUITE_P(sim, device_index, ::testing::ValuesIn(INDEX_FAULTS),
                         [](const auto &info) { return std::string(info.param.name); });

enum class store_end { nothing_written, previous_back, invalid_left };

struct store_fault {
    const char *name;
    const char *drop;        // KELB_SIM_WRITE_DROP
    unsigned foreign_after;  // data-port access after which another agent writes; 0 none
    unsigned foreign_offset; // the register it writes (its value: the old one with bit 6 flipped)
    store_end end;
    const char *read_back;   // the record after the last try of the new one
    const char *left;        // the record at the end of the run
    unsigned data_writes;    // data-port writes of the run
};

// Failures name the case rather than dump its bytes.
void PrintTo(const store_fault &c, std::ostream *os) { *os << c.name; }

// Data-port accesses: 32 of the checksum, then 33..38 the record read, 39..44
// its second read, 45..58 the first write (the interim check byte at 253, the
// five data bytes, the check byte, each written and read back). A try stops
// at the first byte that did not take, after writing it once more; three tries
// of the new record, then three of the old one. The interim check byte of
// 8a 90 43 4c 18 8b -> 5e 90 43 0c 00 0f is 00: no mix of their data bytes
// sums to 0x4c or 0xb3 with it.
const store_fault STORE_FAULTS[] = {
    // 3 x (00, 248) and the old record: 00, five bytes, 8b.
    {"first_data_byte_not_kept", "248", 0, 0, store_end::previous_back, " 8a 90 43 4c 18 00", " 8a 90 43 4c 18 8b",
     3 * 2 + 7},
    // The interim check byte never takes: nothing else is written, not even the old record.
    {"check_byte_not_kept", "249,253", 0, 0, store_end::previous_back, " 8a 90 43 4c 18 8b", " 8a 90 43 4c 18 8b", 3},
    {"changed_after_the_first_read", nullptr, 38, 250, store_end::nothing_written, nullptr, " 8a 90 03 4c 18 8b", 0},
    // 6 x (00, 248, 249, 250, 250): the other agent's 03 stays at 250, and so does the interim check byte.
    {"changed_under_a_byte_not_kept", "250", 45, 250, store_end::invalid_left, " 5e 90 03 4c 18 00",
     " 8a 90 03 4c 18 00", 6 * 5},
};

class device_store_fault : public ::testing::TestWithParam<store_fault> {};

TEST_P(device_store_fault, store_that_does_not_take_reports_what_the_chip_holds)
{
    const store_fault &c = GetParam();
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), good = dir.file("good.bin");
    const bytes before = chip_with_record(23, prior_image(prior_kind::valid));
    write_file(chip, before);
    write_file(good, before);
    ASSERT_EQ(run_device(good, dir.file("good.log"), {"-f", "-f", "230"}).status, 0);
    const bytes wanted = read_file(good); // the chip after a store that takes
    ASSERT_NE(record_hex(wanted), record_hex(before));
    ASSERT_EQ(record_hex(before), " 8a 90 43 4c 18 8b");
    ASSERT_EQ(record_hex(wanted), " 5e 90 43 0c 00 0f");

    std::vector<env_change> faults;
    if (c.drop)
        faults.emplace_back(SIM_WRITE_DROP, c.drop);
    bytes foreign = before;
    if (c.foreign_after) {
        foreign[c.foreign_offset] ^= 0x40;
        faults.emplace_back(SIM_FOREIGN_WRITE, std::to_string(c.foreign_after) + ":" +
                                                   std::to_string(c.foreign_offset) + "=" +
                                                   std::to_string(foreign[c.foreign_offset]));
    }
    run_result r = run_device(chip, log, {"-f", "-f", "230"}, faults);
    EXPECT_EQ(r.status, 12);
    EXPECT_EQ(r.out, "kelb-cu: KELB configuration utility (KELB5.3)\n\nKELB configuration found.\n\n");

    // The chip as before but for the other agent's byte and the record.
    const bytes after = read_file(chip);
    expect_unchanged_outside(foreign, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);
    EXPECT_EQ(record_hex(after), c.left);
    std::string err = WARNING_LINES;
    if (c.end == store_end::nothing_written) {
        err += "write_config: the stored record is not the one this run read; another program changed it\n"
               "write_config: read at the start:" + record_hex(before) + "\n"
               "write_config: read now:         " + record_hex(foreign) + "\n"
               "ERROR: couldn't store configuration; nothing was written\n";
    } else {
        err += "write_config: " + errno_text(EIO) + "\n"
               "write_config: the new record did not take in 3 tries\n"
               "write_config: written:  " + record_hex(wanted) + "\n"
               "write_config: read back:" + c.read_back + "\n";
        err += c.end == store_end::previous_back
                   ? "ERROR: couldn't store configuration; the previous configuration is back:" + record_hex(before) + "\n"
                   : "ERROR: couldn't store configuration; the NVRAM now holds an invalid record: the firmware "
                     "will run at stock:" + std::string(c.left) + "\n";
    }
    EXPECT_EQ(r.err, err);

    unsigned data_writes = 0;
    for (const auto &line : read_lines(log))
        data_writes += line.rfind("out 73", 0) == 0;
    EXPECT_EQ(data_writes, c.data_writes);
}

INSTANTIATE_TEST_SUITE_P(sim, device_store_fault, ::testing::ValuesIn(STORE_FAULTS),
                         [](const auto &info) { return std::string(info.param.name); });

struct driver_case {
    const char *name;
    std::vector<env_change> settings;
    const char *reason; // after the prefix; null when sys_init prints nothing
    bool released;      // the library was released again
    unsigned status;    // the library status the advice is chosen by
    bool locked_down;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const driver_case &c, std::ostream *os) { *os << c.name; }

const std::string PREFIX = "Unable to initialize WinRing0 library: ";

const driver_case DRIVER_FAILURES[] = {
    {"status_1", {{SIM_DLL_STATUS, "1"}}, "unsupported platform\n", false, 1, false},
    {"status_2", {{SIM_DLL_STATUS, "2"}}, "driver not loaded\n", false, 2, false},
    {"status_3", {{SIM_DLL_STATUS, "3"}}, "driver not found\n", false, 3, false},
    {"status_4", {{SIM_DLL_STATUS, "4"}}, "driver unloaded by other process\n", false, 4, false},
    {"status_5", {{SIM_DLL_STATUS, "5"}}, "driver not loaded from network\n", false, 5, false},
    {"status_9", {{SIM_DLL_STATUS, "9"}}, "unknown error\n", false, 9, false},
    {"status_6", {{SIM_DLL_STATUS, "6"}}, "unknown error\n", false, 6, false},
    {"kernel_lockdown", {{SIM_LOCKDOWN, "none integrity [confidentiality]"}},
     "driver not loaded\nThe kernel is locked down and forbids raw port access; running as root does not help.\n",
     false, 2, true},
    {"version_1_1", {{SIM_DRIVER_VERSION, "1.1.9.9"}}, nullptr, true, 0, false},
    {"version_0_9", {{SIM_DRIVER_VERSION, "0.9.0.0"}}, nullptr, true, 0, false},
    {"version_2_0", {{SIM_DRIVER_VERSION, "2.0.0.0"}}, nullptr, true, 0, false},
    {"version_0_2", {{SIM_DRIVER_VERSION, "0.2.0.0"}}, nullptr, true, 0, false},
};

class device_driver : public ::testing::TestWithParam<driver_case> {};

TEST_P(device_driver, refused_connection_ends_with_status_15_before_any_port)
{
    const driver_case &c = GetParam();
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    const bytes before = chip_with_record(2, prior_image(prior_kind::valid));
    write_file(chip, before);

    run_result r = run_device(chip, log, {"-f", "-f", "230"}, c.settings);
    EXPECT_EQ(r.status, 15);
    std::string expected = WARNING_LINES;
    if (c.reason)
        expected += PREFIX + c.reason;
    // The advice texts have a test of their own; here: the facts that choose them.
    expected += "sys_init: " + errno_text(ENODEV) + "\n" +
                driver_advice({this_host(), ENODEV, c.status, process_privileged(), c.locked_down});
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(r.out, "kelb-cu: KELB configuration utility (KELB5.3)\n\n");
    EXPECT_EQ(read_file(chip), before);
    auto want = c.released ? std::vector<std::string>{"init", "deinit"} : std::vector<std::string>{"init"};
    EXPECT_EQ(read_lines(log), want);
}

INSTANTIATE_TEST_SUITE_P(sim, device_driver, ::testing::ValuesIn(DRIVER_FAILURES),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(device_run, driver_versions_with_minor_2_and_up_are_accepted)
{
    for (const char *version : {"1.2.0.0", "1.3.0.0", "1.2.255.7", "7.9.0.0"}) {
        scratch_dir dir;
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        const bytes before = chip_with_record(3, prior_image(prior_kind::none));
        write_file(chip, before);
        run_result r = run_device(chip, log, {"-f", "-f", "230"}, {{SIM_DRIVER_VERSION, version}});
        EXPECT_EQ(r.status, 0) << version << "\n" << r.err;
        EXPECT_EQ(r.err, WARNING_LINES) << version;
        EXPECT_NE(read_file(chip), before) << version;
    }
}

TEST(device_run, backing_file_run_makes_no_library_call)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), file = dir.file("nvram.bin");
    const bytes before = make_chip(6);
    write_file(chip, before);
    write_file(file, bytes{});
    std::vector<std::string> argv = {KELB_CU_SIM_PATH, "-f", "-d", file, "230"};
    run_result r = run_checked(argv, machine_env(chip, log, {{SIM_DLL_STATUS, "3"}, {SIM_PCI80, "fail"}}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_EQ(read_file(chip), before);
    EXPECT_EQ(read_file(file).size(), CFG_NVRAM_OFFSET + 6);
}

TEST(device_run, missing_backing_file_ends_with_status_8_and_is_not_created)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), file = dir.file("absent.bin");
    write_file(chip, make_chip(14));
    std::vector<std::string> argv = {KELB_CU_SIM_PATH, "-d", file, "230"};
    run_result r = run_checked(argv, machine_env(chip, log, {{"KELB_DEBUG_CPU_LOCKED", "1"},
                                                             {"KELB_DEBUG_CPU_EXTENDED_FAMILY", "-1"}}));
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(r.err, file + ": " + errno_text(ENOENT) + "\n");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(log));
}

TEST(device_run, processor_without_leaf_1_ends_the_run_before_anything_is_stored)
{
    for (const char *max : {"0", "none"}) {
        scratch_dir dir;
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        const bytes before = chip_with_record(8, prior_image(prior_kind::none));
        write_file(chip, before);
        run_result r = run_device(chip, log, {"-f", "-f", "230"}, {{SIM_CPUID_MAXLEAF, max}});
        EXPECT_NE(r.status, 0) << max;
        EXPECT_EQ(r.out.find("Configuration stored"), std::string::npos) << r.out;
        EXPECT_EQ(read_file(chip), before) << max;
        auto lines = read_lines(log);
        ASSERT_FALSE(lines.empty()) << max;
        EXPECT_NE(lines.back(), "deinit") << max;
    }
}

} // namespace
