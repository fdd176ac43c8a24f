// The run's lock goes last: at the moment it is released the run holds no
// other descriptor on the NVRAM's file, and nothing of the run touches that
// file (or, on the simulated machine, a port) afterwards, so no access of
// this run can follow another run's taking the lock; nor does a run write the
// file while it does not hold the lock. The production kelb-cu -d and the
// simulated device run traced, stopped at each system call.
#include "cu/config.h"
#include "machine_run.h"
#include "support/files.h"
#include "support/sim_chip.h"
#include "support/trace_linux.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(KELB_TRACE_SYSCALLS)

namespace {

enum class nvram_kind { backing_file, device };

// What the test does to the NVRAM's file around the run.
enum class meddle {
    none,
    hold_lock,          // another holds the file's lock for the whole run
    fifo_after_locking, // once the run holds its lock, the path names a FIFO and the file is moved aside
};

struct release_case {
    const char *name;
    nvram_kind kind;
    std::vector<std::string> args; // after -d FILE, or after -f -f on the device
    int status;
    bool stores;                         // the run leaves the record changed
    std::vector<env_change> faults = {}; // the simulated machine's
    meddle around = meddle::none;
    // Stored by an untraced run of the same program first, so that the record
    // is one the run keeps as it is.
    const char *first_store = nullptr;
};

const config_image RECORD = encode_config({210, CFG_MEMFAST | CFG_HT_ALT, 2800, 2, 2, 3, 3});

const release_case RELEASES[] = {
    {"file_store", nvram_kind::backing_file, {"-s", "refclock=230"}, 0, true},
    {"file_settings_file", nvram_kind::backing_file, {"-i", "@settings"}, 0, true},
    {"file_refclock", nvram_kind::backing_file, {"230"}, 0, true},
    {"file_reset", nvram_kind::backing_file, {"reset"}, 0, true},
    {"file_listing", nvram_kind::backing_file, {"-l"}, 0, false},
    {"file_dry_run", nvram_kind::backing_file, {"-n", "-s", "refclock=230"}, 0, false},
    {"file_unchanged", nvram_kind::backing_file, {"-s", "refclock=230"}, 0, false, {}, meddle::none, "230"},
    {"file_not_regular_at_the_store", nvram_kind::backing_file, {"-s", "refclock=230"}, 14, false, {},
     meddle::fifo_after_locking},
    {"file_busy", nvram_kind::backing_file, {"230"}, 16, false, {}, meddle::hold_lock},
    {"device_store", nvram_kind::device, {"-s", "refclock=230"}, 0, true},
    {"device_settings_file", nvram_kind::device, {"-i", "@settings"}, 0, true},
    {"device_refclock", nvram_kind::device, {"230"}, 0, true},
    {"device_reset", nvram_kind::device, {"reset"}, 0, true},
    {"device_listing", nvram_kind::device, {"-l"}, 0, false},
    {"device_dry_run", nvram_kind::device, {"-n", "-s", "refclock=230"}, 0, false},
    {"device_unchanged", nvram_kind::device, {"-s", "refclock=230"}, 0, false, {}, meddle::none, "230"},
    {"device_read_failure", nvram_kind::device, {"230"}, 13, false, {{SIM_INDEX_READBACK, "broken"}}},
    {"device_store_not_kept", nvram_kind::device, {"230"}, 12, false, {{SIM_WRITE_DROP, "248"}}},
    {"device_busy", nvram_kind::device, {"230"}, 16, false, {}, meddle::hold_lock},
};

void PrintTo(const release_case &c, std::ostream *os) { *os << c.name; }

class lock_release : public ::testing::TestWithParam<release_case> {};

TEST_P(lock_release, comes_after_the_nvram_is_closed_and_nothing_touches_it_after)
{
    const release_case &c = GetParam();
    scratch_dir dir;
    const std::string base = std::filesystem::canonical(dir.path()).string();
    const std::string file = base + "/nvram.bin", log = base + "/ports.log", settings = base + "/settings.conf";
    write_file(file, chip_with_record(29, RECORD));
    write_file(settings, bytes{'r', 'e', 'f', 'c', 'l', 'o', 'c', 'k', '=', '2', '3', '0', '\n'});
    const std::optional<file_id> nvram = id_of_path(file);
    ASSERT_TRUE(nvram);

    std::vector<std::string> argv;
    std::vector<env_change> env;
    if (c.kind == nvram_kind::backing_file) {
        argv = {KELB_CU_PATH, "-d", file};
        env = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "0"}};
    } else {
        argv = {KELB_CU_SIM_PATH, "-f", "-f"};
        env = machine_env(file, log, c.faults);
    }
    if (c.first_store) {
        std::vector<std::string> first = argv;
        first.push_back(c.first_store);
        ASSERT_EQ(run_program(first, env).status, 0);
    }
    const bytes before = read_file(file);
    for (const std::string &a : c.args)
        argv.push_back(a == "@settings" ? settings : a);

    int other = -1;
    if (c.around == meddle::hold_lock) {
        other = open(file.c_str(), O_RDONLY);
        ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    }

    long locked = -1, flocked = -1;
    bool taken = false, released = false;
    // A run that never holds the lock makes no port access at all.
    std::size_t ports_at_release = port_lines(read_lines(log)).size();
    int status = run_traced(argv, env, [&](const syscall_stop &s) {
        long fd = static_cast<long>(s.arg[0]);
        if (s.call == SYS_flock) {
            if (s.entry)
                flocked = (s.arg[1] & LOCK_EX) ? fd : -1;
            else if (s.result == 0 && flocked != -1) {
                locked = flocked;
                taken = true;
                EXPECT_EQ(id_of_descriptor(s.pid, locked), nvram) << "the lock is not on the NVRAM's file";
                if (c.around == meddle::fifo_after_locking) {
                    std::filesystem::rename(file, file + ".old");
                    mkfifo(file.c_str(), 0600);
                }
            }
            return;
        }
        if (s.call == SYS_close && s.entry && fd == locked) {
            EXPECT_EQ(descriptors_on(s.pid, *nvram, locked), std::vector<long>{})
                << "descriptors still open on the NVRAM when the lock goes";
            ports_at_release = port_lines(read_lines(log)).size();
            released = true;
            locked = -1;
            return;
        }
        if (s.entry || s.result < 0)
            return;
        if ((s.call == SYS_open || s.call == SYS_openat) && id_of_descriptor(s.pid, s.result) == nvram) {
            EXPECT_FALSE(released) << "the NVRAM's file opened after the lock was released";
            unsigned long flags = s.call == SYS_open ? s.arg[1] : s.arg[2];
            EXPECT_FALSE((flags & O_TRUNC) && locked == -1) << "the NVRAM's file cut without the lock";
        }
        if (writes_to_descriptor(s.call) && locked == -1) {
            EXPECT_NE(id_of_descriptor(s.pid, fd), nvram) << "the NVRAM's file written without the lock";
        }
    });
    if (other != -1)
        close(other);

    EXPECT_EQ(status, c.status);
    // A run refused for another's lock never holds it; every other run takes
    // it and lets it go itself, before its end.
    EXPECT_EQ(taken, c.around != meddle::hold_lock);
    EXPECT_EQ(released, taken);
    if (c.kind == nvram_kind::device) {
        EXPECT_EQ(port_lines(read_lines(log)).size(), ports_at_release) << "port accesses after the lock was released";
    }
    const std::string now = c.around == meddle::fifo_after_locking ? file + ".old" : file;
    EXPECT_EQ(record_hex(read_file(now)) != record_hex(before), c.stores);
}

INSTANTIATE_TEST_SUITE_P(traced, lock_release, ::testing::ValuesIn(RELEASES),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

#endif
