// The production utility on Windows asks the real firmware-table service for
// the board. Under wine that service describes a virtual machine, which is no
// supported board: the run must stop there, before any driver is touched.
#include "support/env.h"
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(WindowsBoardCheck, RealFirmwareTableStopsAnUnsupportedBoard)
{
    scratch_dir tmp;
    run_result r = run_program({KELB_CU_PATH, "230"}, {{"TMP", tmp.path().string()}, {"TEMP", tmp.path().string()}});
    EXPECT_EQ(r.status, 5) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("kelb-cu: KELB configuration utility (KELB5.3)\n\nDetected board: '", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "Unsupported board.\n");
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path())); // no ke- file left behind
}
