// Backing-file cases that need POSIX devices, permissions and limits.
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#ifndef _WIN32
TEST(CliPosix, CharacterDeviceIsNotARegularFile)
{
    run_result r = run_program({KELB_CU_PATH, "-d", "/dev/null", "230"},
                               {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}});
    EXPECT_EQ(r.status, 14);
    EXPECT_EQ(r.err, "/dev/null: not a regular file\n");

    // Both streams in one file: the message follows the banner. A refclock
    // argument flushes standard output when it is read; "reset" does not.
    scratch_dir dir;
    run_result one = run_program({KELB_CU_PATH, "-d", "/dev/null", "reset"},
                                 {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}}, {},
                                 dir.file("output.txt"));
    EXPECT_EQ(one.out, "kelb-cu: KELB configuration utility (KELB5.3)\n\n/dev/null: not a regular file\n");
}

TEST(CliPosix, FailedStoreReportsAndKeepsTheFile)
{
    // A file-size limit makes the store's write fail: with EFBIG, whether or
    // not the invoker left SIGXFSZ at its default action (which would end the
    // process without a word). The store writes the record's last byte first,
    // so a limit anywhere below its end lets nothing land, not even the bytes
    // of the record that would fit. Either way the file is as it was, and the
    // report says so.
    struct {
        const char *limit;
        const char *trap;
        std::size_t length;
        const char *read_back;
        const char *previous;
    } cases[] = {
        {"0", "trap '' XFSZ; ", 200, "-- -- -- -- -- --", "-- -- -- -- -- --"},
        {"0", "", 200, "-- -- -- -- -- --", "-- -- -- -- -- --"},
        {"252", "", 250, "33 33 -- -- -- --", "33 33 -- -- -- --"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.trap) + c.limit);
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        bytes before(c.length, 0x33);
        write_file(f, before);
        std::string script = std::string(c.trap) + "exec prlimit --fsize=" + c.limit + " \"$0\" -d \"$1\" 230";
        run_result r = run_program({"/bin/sh", "-c", script, KELB_CU_PATH, f},
                                   {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}});
        EXPECT_EQ(r.status, 12);
        EXPECT_EQ(r.err, "write_config: " + std::string(std::strerror(EFBIG)) +
                             "\nwrite_config: the new record did not take in 3 tries"
                             "\nwrite_config: written:   5e 00 07 08 00 df"
                             "\nwrite_config: read back: " + c.read_back +
                             "\nERROR: couldn't store configuration; the previous configuration is back: " +
                             c.previous + "\n");
        EXPECT_EQ(r.out.find("stored successfully"), std::string::npos) << r.out;
        EXPECT_EQ(read_file(f), before);
    }
}

// An empty backing file holds no record: a store that fails, at once or
// after some bytes landed beyond the end, leaves it empty.
TEST(CliPosix, FailedStoreOnAnEmptyFileLeavesItEmpty)
{
    for (const char *limit : {"0", "250", "252"}) {
        SCOPED_TRACE(limit);
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        write_file(f, bytes());
        std::string script = std::string("exec prlimit --fsize=") + limit + " \"$0\" -d \"$1\" 230";
        run_result r = run_program({"/bin/sh", "-c", script, KELB_CU_PATH, f},
                                   {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}});
        EXPECT_EQ(r.status, 12) << r.err;
        EXPECT_NE(r.err.find("ERROR: couldn't store configuration"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("stored successfully"), std::string::npos) << r.out;
        EXPECT_EQ(read_file(f).size(), 0u);
    }
}

TEST(CliPosix, ReadOnlyFileCannotBeOpened)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens read-only files for writing";
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, bytes(256, 0));
    chmod(f.c_str(), 0444);
    run_result r = run_program({KELB_CU_PATH, "-d", f, "230"},
                               {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}});
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(r.err, f + ": Permission denied\n");
}
#endif
