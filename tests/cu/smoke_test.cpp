#include "support/files.h"
#include "support/process.h"
#include <gtest/gtest.h>
TEST(Smoke, Runs) { EXPECT_EQ(run_program({KELB_CU_PATH}).status, 0); }
