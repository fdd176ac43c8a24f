// A dump whose writes fail after the file was opened (here: beyond the
// process's file-size limit, as on a full disk): the run fails, and a file
// that the run itself created is not left behind half written.
#include "fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

// kelb-dmi-sim on a machine whose firmware-table service serves `table`.
// Without room: a file-size limit of 0 and SIGXFSZ ignored, so that every
// write that extends a file fails with EFBIG.
run_result dump_table(const bytes &table, const std::string &dump, const scratch_dir &dir, bool room)
{
    std::string block = dir.file("rsmb.bin");
    write_file(block, raw_block(2, 8, table));
    std::filesystem::create_directories(dir.file("root"));
    std::string limit = room ? "" : "ulimit -f 0; trap '' XFSZ; ";
    return run_program({"/bin/sh", "-c", limit + "exec \"$0\" -q --dump-bin \"$1\"", KELB_DMI_SIM_PATH, dump},
                       {{"KELB_SIM_ROOT", dir.file("root")}, {"KELB_SIM_FIRMWARE_TABLE", block}});
}

} // namespace

TEST(DumpLimit, FailedWritesEndWithStatus1AndRemoveTheFileTheRunCreated)
{
    const bytes table = concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), end_of_table(2)});
    for (bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "file there before" : "new file");
        scratch_dir dir;
        std::string dump = dir.file("dump.bin");
        if (existed)
            write_file(dump, bytes{});
        run_result r = dump_table(table, dump, dir, false);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(dump + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(std::strerror(EFBIG)), std::string::npos) << r.err;
        // Someone else's file is the operator's to judge; the run's own goes.
        EXPECT_EQ(std::filesystem::exists(dump), existed);
    }
    // With room, the same run writes the dump and succeeds.
    scratch_dir dir;
    run_result ok = dump_table(table, dir.file("dump.bin"), dir, true);
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(read_file(dir.file("dump.bin")).size(), 32 + table.size());
}
