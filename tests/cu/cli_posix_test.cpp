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
    // A file-size limit below offset 248 makes the store's write fail: with
    // EFBIG, whether or not the invoker left SIGXFSZ at its default action
    // (which would end the process without a word).
    for (const char *trap : {"trap '' XFSZ; ", ""}) {
        SCOPED_TRACE(trap);
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        bytes before(200, 0x33);
        write_file(f, before);
        std::string script = std::string("ulimit -f 0; ") + trap + "exec \"$0\" -d \"$1\" 230";
        run_result r = run_program({"/bin/sh", "-c", script, KELB_CU_PATH, f},
                                   {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}});
        EXPECT_EQ(r.status, 12);
        EXPECT_EQ(r.err, "write_config: " + std::string(std::strerror(EFBIG)) +
                             "\nERROR: couldn't store configuration\n");
        EXPECT_EQ(read_file(f), before);
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
