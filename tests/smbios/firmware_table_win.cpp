// On Windows the production decoder reads the table through the system's
// firmware-table service, which wine answers too.
#include "fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(FirmwareTableWin, PlainRunUsesTheFirmwareTableService)
{
    // From a directory on a drive without the Linux system locations, so that
    // the sysfs and EFI steps find nothing, as on a Windows machine.
    scratch_dir dir;
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    run_result r = run_program({KELB_DMI_PATH});
    std::filesystem::current_path(before);
    std::string out = plain(r.out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(out.rfind("# kelb-dmi 1.0\nGetting SMBIOS data with GetSystemFirmwareTable.\nSMBIOS ", 0), 0u) << out;
    EXPECT_NE(out.find(" structures occupying "), std::string::npos) << out;
}
