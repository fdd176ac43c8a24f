// A dump whose writes fail after the file was opened (here: beyond the
// process's file-size limit, as on a full disk): the run fails once, the file
// it was to replace keeps its content, and nothing half written is left.
#include "fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

// kelb-dmi-sim on a machine whose firmware-table service serves `table`.
// Without room: a file-size limit of 0, with SIGXFSZ left at the action
// that ends a process: the run ignores it, so that every write that extends
// a file fails with EFBIG and is reported.
run_result dump_table(const bytes &table, const std::string &dump, const scratch_dir &dir, bool room)
{
    std::string block = dir.file("rsmb.bin");
    write_file(block, raw_block(2, 8, table));
    std::filesystem::create_directories(dir.file("root"));
    std::string limit = room ? "" : "ulimit -f 0; ";
    return run_program({"/bin/sh", "-c", limit + "exec \"$0\" -q --dump-bin \"$1\"", KELB_DMI_SIM_PATH, dump},
                       {{"KELB_SIM_ROOT", dir.file("root")}, {"KELB_SIM_FIRMWARE_TABLE", block}});
}

} // namespace

TEST(DumpLimit, FailedWritesEndWithStatus1AndLeaveTheOldFile)
{
    const bytes table = concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), end_of_table(2)});
    const bytes old_dump(200, 0x5A);
    for (bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "file there before" : "new file");
        scratch_dir dir;
        std::string dump = dir.file("dump.bin");
        if (existed)
            write_file(dump, old_dump);
        run_result r = dump_table(table, dump, dir, false);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        // Reported once, by the write that failed (the file's close, where the data is buffered).
        EXPECT_EQ(r.err.rfind(dump + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(std::strerror(EFBIG)), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(std::filesystem::exists(dump), existed);
        if (existed) {
            EXPECT_EQ(read_file(dump), old_dump);
        }
        // Only the machine's files and the old dump are there.
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.path()))
            entries++;
        EXPECT_EQ(entries, existed ? 3u : 2u);
    }
    // With room, the same run writes the dump and succeeds.
    scratch_dir dir;
    run_result ok = dump_table(table, dir.file("dump.bin"), dir, true);
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(read_file(dir.file("dump.bin")).size(), 32 + table.size());
}
