// kelb-cu run as a user runs it, in debug mode on a backing file.
#include "cu/run_texts.h"
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

const std::string ENV_DEFAULTS = "KELB_DEBUG_CPU_EXTENDED_FAMILY is not set, defaulting to -1\n"
                                 "KELB_DEBUG_CPU_LOCKED is not set, defaulting to 1\n\n";

// Both processor facts given, so the run prints no environment defaults.
const std::vector<env_change> CPU_SET = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"},
                                         {"KELB_DEBUG_CPU_LOCKED", "1"}};

run_result cu(std::vector<std::string> args, std::vector<env_change> env = CPU_SET)
{
    args.insert(args.begin(), KELB_CU_PATH);
    return run_program(args, env);
}

bytes image_file(std::initializer_list<std::uint8_t> record, std::size_t size = 256)
{
    bytes b(size, 0x11);
    std::size_t i = 248;
    for (auto x : record)
        b[i++] = x;
    return b;
}

bytes with_record(bytes file, std::initializer_list<std::uint8_t> record)
{
    file.resize(254, 0);
    std::size_t i = 248;
    for (auto x : record)
        file[i++] = x;
    return file;
}

} // namespace

TEST(Cli, HelpAndVersionActWhenMet)
{
    run_result h = cu({"-d", "no/such/file", "-h", "-x"});
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.err, "");
    EXPECT_EQ(h.out.rfind("Usage:\n\t" + std::string(KELB_CU_PATH) + " [-d <debug_file>] [-f] [-D]\n", 0), 0u);
    EXPECT_NE(h.out.find("\t-D\t\tincreases verbosity level\n"), std::string::npos);
    ASSERT_FALSE(h.out.empty());
    EXPECT_EQ(h.out.back(), '\n');

    run_result v = cu({"-V", "-h"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "kelb-cu: KELB configuration utility (KELB5.3)\n");
}

TEST(Cli, OptionAndArgumentErrors)
{
    const std::string p = KELB_CU_PATH;
    struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"-x"}, 1, p + ": unknown option -- x\n"},
        {{"-Dq"}, 1, p + ": unknown option -- q\n"},
        {{"-d"}, 1, p + ": option requires an argument -- d\n"},
        {{"-d", "F", "263"}, 2, p + ": refclock must be in 200-262 range\n"},
        {{"-d", "F", "199"}, 2, p + ": refclock must be in 200-262 range\n"},
        {{"-d", "F", "-D", "300"}, 2, p + ": refclock must be in 200-262 range\n"},
        {{"-d", "F", "21x"}, 2, p + ": invalid refclock -- '21x'\n"},
        {{"-d", "F", ""}, 2, p + ": invalid refclock -- ''\n"},
        {{"-d", "F", "99999999999999999999"}, 2, p + ": refclock must be in 200-262 range\n"},
        {{"-d", "F", "reset", "extra"}, 2, p + ": extra argument -- 'extra'\n"},
        {{"-d", "F", "300", "extra"}, 2, p + ": refclock must be in 200-262 range\n"},
        {{"-d", "F", "reset", "-D"}, 2, p + ": extra argument -- '-D'\n"},
        {{"-d", "F", "--", "-D"}, 2, p + ": invalid refclock -- '-D'\n"},
        {{"-dF", "Reset"}, 2, p + ": invalid refclock -- 'Reset'\n"},
    };
    for (const auto &c : cases) {
        run_result r = cu(c.args);
        std::string what = c.args.back();
        EXPECT_EQ(r.status, c.status) << what;
        EXPECT_EQ(r.err, c.err) << what;
        // Option errors end before the banner; argument errors after it.
        EXPECT_EQ(r.out, c.status == 1 ? "" : BANNER) << what;
    }
}

TEST(Cli, FreshFileStoresRecordThenFindsItUnchanged)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, bytes{});
    run_result r = cu({"-d", f, "230"}, {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", std::nullopt},
                                         {"KELB_DEBUG_CPU_LOCKED", std::nullopt}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, BANNER + ABSENT + STORED);
    EXPECT_EQ(r.err, ENV_DEFAULTS);
    bytes expected(248, 0);
    for (std::uint8_t x : {0x5E, 0x00, 0x07, 0x08, 0x00, 0xDF})
        expected.push_back(x);
    EXPECT_EQ(read_file(f), expected);

    auto stamp = std::filesystem::last_write_time(f);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    run_result again = cu({"-d", f, "230"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, BANNER + FOUND + UNCHANGED);
    EXPECT_EQ(read_file(f), expected);
    EXPECT_EQ(std::filesystem::last_write_time(f), stamp);
}

TEST(Cli, StoredRecordsAndTheirBytes)
{
    struct {
        const char *what;
        bytes before;
        std::vector<std::string> args;
        std::vector<env_change> env;
        std::string out;
        bytes after;
    } cases[] = {
        {"refclock keeps advanced settings", image_file({0xDE, 0x81, 0xA0, 0x54, 0x40, 0xB9}), {"262"},
         {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "0"}},
         BANNER + FOUND + STORED, image_file({0xFE, 0x81, 0xA0, 0x54, 0x40, 0x99})},
        {"locked processor drops the multiplier", image_file({0xDE, 0x81, 0xA0, 0x54, 0x40, 0xB9}), {"230"},
         CPU_SET, BANNER + FOUND + STORED, image_file({0xDE, 0x81, 0xA0, 0x54, 0x00, 0xF9})},
        {"reset of a valid record", image_file({0x40, 0x00, 0x07, 0x08, 0x00, 0xFD}), {"reset"},
         CPU_SET, BANNER + FOUND + STORED, image_file({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"reset with no record writes nothing", image_file({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), {"reset"},
         CPU_SET, BANNER + ABSENT + UNCHANGED, image_file({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"boot failure stored again", image_file({0x40, 0x00, 0x07, 0x08, 0x00, 0x02}), {"200"}, CPU_SET,
         BANNER + "*** LAST THREE BOOT ATTEMPTS UNSUCCESSFUL. REVISE THE SETTINGS AND TRY AGAIN. ***\n\n" + STORED,
         image_file({0x40, 0x00, 0x07, 0x08, 0x00, 0xFD})},
        {"boot failure kept by a reset", image_file({0x40, 0x00, 0x07, 0x08, 0x00, 0x02}), {"reset"}, CPU_SET,
         BANNER + "*** LAST THREE BOOT ATTEMPTS UNSUCCESSFUL. REVISE THE SETTINGS AND TRY AGAIN. ***\n\n" + UNCHANGED,
         image_file({0x40, 0x00, 0x07, 0x08, 0x00, 0x02})},
        {"short file counts as absent", bytes(250, 0x0A), {"200"}, CPU_SET, BANNER + ABSENT + STORED,
         with_record(bytes(250, 0x0A), {0x40, 0x00, 0x07, 0x08, 0x00, 0xFD})},
        {"line-end bytes are raw", image_file({0x1A, 0x0D, 0x0A, 0x0A, 0x00, 0x11}), {"227"},
         {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "0"}},
         BANNER + FOUND + STORED, image_file({0x1B, 0x0D, 0x02, 0x08, 0x00, 0x1A})},
    };
    for (const auto &c : cases) {
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        write_file(f, c.before);
        std::vector<std::string> args = {"-d", f};
        args.insert(args.end(), c.args.begin(), c.args.end());
        run_result r = cu(args, c.env);
        EXPECT_EQ(r.status, 0) << c.what << "\n" << r.err;
        EXPECT_EQ(r.out, c.out) << c.what;
        EXPECT_EQ(read_file(f), c.after) << c.what;
    }
}

TEST(Cli, VerboseTraces)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, image_file({0xDE, 0x81, 0xA0, 0x54, 0x40, 0xB9}));
    const std::string fields = "main: cfg.target: 230\nmain: cfg.flags: 0x0a81\nmain: cfg.htlimit: 2500\n"
                               "main: cfg.nbmulti: 2\nmain: cfg.nbv: 3\nmain: cfg.vcore: 5\n";
    std::vector<env_change> unlocked = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "0"}};
    run_result same = cu({"-D", "-d", f, "230"}, unlocked);
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.err, fields + "main: cfg.cpumulti: 8\n\n");
    run_result changed = cu({"-DD", "-d", f, "230"});
    EXPECT_EQ(changed.status, 0);
    EXPECT_EQ(changed.err, fields + "main: cfg.cpumulti: 0\n\nwrite_config: buffer: de 81 a0 54 00 f9\n\n");
}

TEST(Cli, BackingFileProblems)
{
    scratch_dir dir;
    std::string missing = dir.file("missing.bin");
    run_result r = cu({"-d", missing, "230"});
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(r.out, BANNER);
    EXPECT_EQ(r.err.rfind(missing + ": ", 0), 0u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(missing)); // never created

    // A directory is a path that cannot be opened as the NVRAM, with the
    // system's reason.
    run_result d = cu({"-d", dir.path().string(), "230"});
    EXPECT_EQ(d.status, 8);
    EXPECT_EQ(d.out, BANNER);
    EXPECT_EQ(d.err.rfind(dir.path().string() + ": ", 0), 0u) << d.err;
    EXPECT_EQ(d.err.find("not a regular file"), std::string::npos) << d.err;
}

TEST(Cli, InteractiveNeedsATerminal)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, bytes{});
    run_result r = cu({"-d", f});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, BANNER);
    EXPECT_EQ(r.err, "Standard input is not a terminal. Exiting.\n");
    EXPECT_EQ(read_file(f), bytes{});
}

TEST(Cli, BothStreamsInOneFileKeepTheOrderWritten)
{
    scratch_dir dir;
    const std::string f = dir.file("nvram.bin"), both = dir.file("output.txt"), missing = dir.file("missing.bin");
    const std::string p = KELB_CU_PATH;
    const std::vector<env_change> unset = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", std::nullopt},
                                           {"KELB_DEBUG_CPU_LOCKED", std::nullopt}};
    const std::string traces = "main: cfg.target: 231\nmain: cfg.flags: 0x0a81\nmain: cfg.htlimit: 2500\n"
                               "main: cfg.nbmulti: 2\nmain: cfg.nbv: 3\nmain: cfg.vcore: 5\nmain: cfg.cpumulti: 0\n\n";
    struct {
        const char *what;
        std::vector<std::string> args;
        std::vector<env_change> env;
        std::string written;
    } cases[] = {
        {"environment defaults", {"-d", f, "230"}, unset, BANNER + ENV_DEFAULTS + FOUND + STORED},
        {"traces", {"-DD", "-d", f, "231"}, CPU_SET,
         BANNER + FOUND + traces + "write_config: buffer: df 81 a0 54 00 f8\n\n" + STORED},
        {"refclock out of range", {"-d", f, "300"}, CPU_SET, BANNER + p + ": refclock must be in 200-262 range\n"},
        {"invalid refclock", {"-d", f, "21x"}, CPU_SET, BANNER + p + ": invalid refclock -- '21x'\n"},
        {"extra argument", {"-d", f, "reset", "extra"}, CPU_SET, BANNER + p + ": extra argument -- 'extra'\n"},
        {"no terminal", {"-d", f}, CPU_SET, BANNER + "Standard input is not a terminal. Exiting.\n"},
        // A refclock argument flushes standard output when it is read; "reset" does not.
        {"missing backing file", {"-d", missing, "reset"}, CPU_SET,
         BANNER + missing + ": " + std::strerror(ENOENT) + "\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        write_file(f, image_file({0xDE, 0x81, 0xA0, 0x54, 0x40, 0xB9}));
        std::vector<std::string> argv = c.args;
        argv.insert(argv.begin(), KELB_CU_PATH);
        run_result r = run_program(argv, c.env, {}, both);
        EXPECT_EQ(r.out, c.written);
        EXPECT_EQ(r.err, "");
    }
}
