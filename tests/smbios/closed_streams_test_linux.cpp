// kelb-dmi started with standard output and error closed: the --dump-bin file
// must not be opened in their place and receive the "# Writing" lines.
#include "fixture.h"

#include <gtest/gtest.h>

TEST(ClosedStreams, DumpFileHoldsOnlyTheTables)
{
    const bytes table = concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "H8QG6"}), end_of_table(2)});
    scratch_dir dir;
    std::string block = dir.file("rsmb.bin");
    write_file(block, raw_block(2, 8, table));
    std::filesystem::create_directories(dir.file("root"));
    const std::vector<env_change> machine = {{"KELB_SIM_ROOT", dir.file("root")}, {"KELB_SIM_FIRMWARE_TABLE", block}};
    bytes dumps[2];
    const char *redirections[] = {"", ">&- 2>&-"};
    for (int i = 0; i < 2; i++) {
        std::string dump = dir.file("dump" + std::to_string(i) + ".bin");
        run_result r = run_program({"/bin/sh", "-c", std::string("exec \"$0\" --dump-bin \"$1\" ") + redirections[i],
                                    KELB_DMI_SIM_PATH, dump},
                                   machine);
        EXPECT_EQ(r.status, 0) << redirections[i];
        dumps[i] = read_file(dump);
    }
    ASSERT_FALSE(dumps[0].empty());
    EXPECT_EQ(dumps[1], dumps[0]);
}
