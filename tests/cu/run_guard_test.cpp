// Guards of a run on every platform: a directory in place of the backing
// file, and a second run while a first one holds the backing file in its
// dialogue.
#include "cu/run_texts.h"
#include "machine_run.h"
#include "support/pty.h"

#include <filesystem>

namespace {

const std::vector<env_change> CPU = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}};

// Starts the dialogue of `argv` on a terminal and waits until it asks.
void start_dialogue(pty_session &first)
{
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(first.expect("Type your selection")) << first.transcript();
}

// Ends the dialogue by end of input, storing nothing.
void end_dialogue(pty_session &first)
{
    first.type("\x04");
    EXPECT_EQ(first.wait(), 11) << first.transcript();
}

} // namespace

// Read-only, some systems open a directory; every mode reports it as a path
// that cannot be opened.
TEST(RunGuard, DirectoryAsBackingFileIsStatus8InEveryMode)
{
    scratch_dir dir;
    std::string d = dir.file("nvram.dir"), conf = dir.file("good.conf");
    std::filesystem::create_directory(d);
    write_file(conf, std::string("xmp=no\n"));
    const std::vector<std::vector<std::string>> modes = {{"230"},       {"reset"},       {"-l"},
                                                         {"-s", "xmp=no"}, {"-i", conf}, {"-n", "230"}};
    for (const auto &args : modes) {
        SCOPED_TRACE(args.front());
        run_result r = run_backing_file(d, args, CPU);
        EXPECT_EQ(r.status, 8);
        std::size_t last_line = r.err.rfind('\n', r.err.size() - 2) + 1; // npos + 1 is 0
        EXPECT_EQ(r.err.compare(last_line, d.size() + 2, d + ": "), 0) << r.err;
        EXPECT_EQ(r.err.find("not a regular file"), std::string::npos) << r.err;
        EXPECT_TRUE(std::filesystem::is_directory(d));
    }
}

// Two real runs: the first waits in its dialogue, holding the NVRAM.
TEST(RunGuard, SecondRunIsRefusedWhileTheFirstIsInItsDialogue)
{
    if (!pty_session::supported())
        GTEST_SKIP() << "no pseudo-terminals on this platform";
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    const bytes before = chip_with_record(7, encode_config({230, CFG_NOXMP, 2800, 0, 1, 2, 0}));
    write_file(f, before);
    {
        pty_session first({KELB_CU_PATH, "-d", f}, CPU);
        ASSERT_NO_FATAL_FAILURE(start_dialogue(first));
        expect_refused_while_held(f, {{"240"}, {"-l"}}, CPU);
        end_dialogue(first);
    }
    EXPECT_EQ(read_file(f), before);
    EXPECT_EQ(run_backing_file(f, {"240"}, CPU).status, 0);
}
