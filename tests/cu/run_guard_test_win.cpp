// What guards a run on Windows: standard handles missing when it starts, and
// the NVRAM's lock held by another holder (a byte-range lock far beyond the
// backing file's bytes, the device's named mutex).
#include "cu/run_texts.h"
#include "machine_run.h"
#include "support/process_win.h"

#include <algorithm>
#include <csignal>
#include <thread>
#include <windows.h>

namespace {

const std::vector<env_change> CPU = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}};

} // namespace

// Started with no standard handles (as a service, or a program without a
// console, starts it), the run reads the null device for -i - and writes into
// nothing; the backing file receives only the record.
TEST(ClosedStreams, RunWithoutStandardHandlesStores)
{
    const nvram_config prior = {230, 0, 2800, 0, 1, 2, 0};
    const struct {
        unsigned missing; // bit 0 input, 1 output, 2 error
        std::vector<std::string> args;
        nvram_config stored;
    } cases[] = {
        {7, {"-D", "-s", "refclock=232", "-i", "-"}, {232, 0, 2800, 0, 1, 2, 0}},
        {1, {"-s", "refclock=233", "-i", "-"}, {233, 0, 2800, 0, 1, 2, 0}},
        {6, {"-D", "-s", "xmp=no"}, {230, CFG_NOXMP, 2800, 0, 1, 2, 0}},
        {4, {"-D", "reset"}, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.missing) + " " + c.args.back());
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        const bytes before = chip_with_record(4, encode_config(prior));
        write_file(f, before);
        std::vector<std::string> argv = {KELB_CU_PATH, "-d", f};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        run_result r = run_program_without_handles(argv, c.missing, CPU);
        EXPECT_EQ(r.status, 0) << r.err;
        if (!(c.missing & 2u)) {
            EXPECT_NE(r.out.find("Configuration stored successfully.\n"), std::string::npos) << r.out;
        }
        if (!(c.missing & 4u)) {
            EXPECT_EQ(r.err, "");
        }
        bytes after = read_file(f);
        ASSERT_EQ(after.size(), before.size());
        expect_unchanged_outside(before, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);
        config_image stored;
        std::copy_n(after.begin() + CFG_NVRAM_OFFSET, stored.size(), stored.begin());
        EXPECT_EQ(stored, encode_config(c.stored)); // a target of 0 encodes as the reset image
    }
}

TEST(OneRun, BackingFileLockedByAnotherHolderRefusesTheRun)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    const bytes before = chip_with_record(6, encode_config({230, CFG_NOXMP, 2800, 0, 1, 2, 0}));
    write_file(f, before);
    HANDLE h = CreateFileA(f.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    OVERLAPPED far_beyond = {};
    far_beyond.OffsetHigh = 0x40000000;
    // Shared: only a run that asks for the range exclusively is kept out.
    ASSERT_TRUE(LockFileEx(h, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &far_beyond));
    expect_refused_while_held(f, {{"240"}, {"-l"}}, CPU);
    CloseHandle(h);
    EXPECT_EQ(read_file(f), before);
    EXPECT_EQ(run_backing_file(f, {"240"}, CPU).status, 0);
    EXPECT_NE(read_file(f), before);
}

TEST(OneRun, HeldDeviceMutexRefusesTheRunBeforeAnyPortAccess)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    const bytes before = make_chip(9);
    write_file(chip, before);
    // The simulated machine's mutex is named after its chip file.
    std::string name = chip + ".lock";
    std::replace(name.begin(), name.end(), '\\', '/');
    HANDLE m = CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(m, nullptr);
    run_result r = run_device(chip, log, {"-f", "-f", "230"});
    ReleaseMutex(m);
    CloseHandle(m);
    EXPECT_EQ(r.status, 16);
    EXPECT_EQ(r.err, WARNING_LINES + busy_text(name));
    EXPECT_EQ(read_file(chip), before);
    EXPECT_EQ(port_lines(read_lines(log)), std::vector<std::string>{});
}

// A holder that ended without releasing the mutex (a thread of its own that
// ended, a run killed in the middle) leaves it abandoned: the next run takes
// it, goes on, and releases it at its end.
TEST(OneRun, AbandonedDeviceMutexIsTakenByTheNextRun)
{
    for (bool killed_run : {false, true}) {
        SCOPED_TRACE(killed_run ? "a run killed holding it" : "a thread that ended holding it");
        scratch_dir dir;
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        const bytes before = make_chip(10);
        write_file(chip, before);
        std::string name = chip + ".lock";
        std::replace(name.begin(), name.end(), '\\', '/');
        // Kept open, so that the mutex outlives its holder.
        HANDLE seen = CreateMutexA(nullptr, FALSE, name.c_str());
        ASSERT_NE(seen, nullptr);
        if (killed_run) {
            // Ended (as by raise(SIGTERM), exit code 3) at its first port
            // access, the checksum's, with the mutex taken and nothing written.
            run_result r = run_device(chip, log, {"-f", "-f", "230"}, {{SIM_RAISE, "1:" + std::to_string(SIGTERM)}});
            ASSERT_EQ(r.status, 3) << r.err;
            ASSERT_EQ(read_file(chip), before);
        } else {
            std::thread holder([&] {
                // The mutex exists already: only a wait takes it.
                HANDLE m = CreateMutexA(nullptr, FALSE, name.c_str());
                EXPECT_EQ(WaitForSingleObject(m, 0), static_cast<DWORD>(WAIT_OBJECT_0));
                CloseHandle(m);
            });
            holder.join();
        }
        run_result r = run_device(chip, log, {"-f", "-f", "230"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, WARNING_LINES);
        EXPECT_NE(r.out.find("Configuration stored successfully.\n"), std::string::npos) << r.out;
        EXPECT_NE(read_file(chip), before);
        // Released at the end of that run, as a mutex it found free would be.
        EXPECT_EQ(WaitForSingleObject(seen, 0), static_cast<DWORD>(WAIT_OBJECT_0));
        ReleaseMutex(seen);
        CloseHandle(seen);
    }
}
