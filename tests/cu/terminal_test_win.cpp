// Interactive mode on Windows asks the console, not the C runtime, whether
// standard input is a terminal.
#include "support/files.h"
#include "support/process_win.h"

#include <gtest/gtest.h>

// The C runtime takes NUL for a terminal; the dialogue must not start on it.
TEST(terminal, interactive_mode_refuses_nul_as_standard_input)
{
    scratch_dir dir;
    std::string file = dir.file("nvram.bin");
    write_file(file, bytes{});
    run_result r = run_program_reading({KELB_CU_PATH, "-d", file}, "NUL",
                                       {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}});
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_EQ(r.out, "kelb-cu: KELB configuration utility (KELB5.3)\n\n");
    EXPECT_EQ(r.err, "Standard input is not a terminal. Exiting.\n");
    EXPECT_EQ(read_file(file), bytes{});
}
