// The board and firmware checks over SMBIOS tables that the simulated
// machine's firmware-table service serves, in process and end to end.
#include "ident/identify.h"

#include "smbios/capture.h"
#include "smbios/fixture.h"
#include "support/capture.h"
#include "support/env.h"
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// A table with one Base Board named `board` and one OEM Strings structure
// whose last string is `oem`.
bytes platform_table(const std::string &board, const std::string &oem)
{
    return concat({structure(2, 0x0002, {0x01, 0x02, 0x00, 0x00, 0x00}, {"Supermicro", board, "1.0", "S/N"}),
                   structure(11, 0x0003, {0x02}, {"Vendor data", oem}), end_of_table(0x0004)});
}

// The simulated firmware-table service answers with `table` while this lives.
class served_table {
public:
    explicit served_table(const bytes &table) : env_("KELB_SIM_FIRMWARE_TABLE", path_)
    {
        write_file(path_, raw_block(2, 7, table));
    }
    const std::string &path() const { return path_; }

private:
    scratch_dir dir_;
    std::string path_ = dir_.file("rsmb.bin");
    scoped_env env_;
};

struct board_outcome {
    int result;
    std::string out, err;
};

board_outcome check(const std::string &board, unsigned options = 3)
{
    served_table t(platform_table(board, "KELB 5.3"));
    board_outcome o{};
    std::string err_file = t.path() + ".err";
    {
        std_streams_redirect streams(t.path() + ".out", err_file);
        o.result = check_board(options);
    }
    bytes out = read_file(t.path() + ".out"), err = read_file(err_file);
    o.out = plain(std::string(out.begin(), out.end()));
    o.err = plain(std::string(err.begin(), err.end()));
    return o;
}

} // namespace

TEST(CheckBoard, SupportedNamesAndNearMisses)
{
    for (const char *name : {"H8QG6", "H8QGL", "H8SGL", "H8QG7", "H8DG6/H8DGi"}) {
        board_outcome o = check(name);
        EXPECT_EQ(o.result, 0) << name;
        EXPECT_EQ(o.out, std::string("Detected board: '") + name + "'\n\n");
        EXPECT_EQ(o.err, "");
    }
    for (const char *name : {"H8QG6 ", "h8qg6", "H8QG", "H8DG6", "H8DGi", ""}) {
        board_outcome o = check(name);
        EXPECT_EQ(o.result, -2) << name;
        EXPECT_EQ(o.err, "Unsupported board.\n") << name;
    }
    board_outcome quiet = check("H8QG", 0);
    EXPECT_EQ(quiet.result, -2);
    EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST(CheckBoard, NameTooLongForTheBuffer)
{
    board_outcome thirty = check(std::string(30, 'X'));
    EXPECT_EQ(thirty.result, -2); // read whole, just not supported
    board_outcome o = check(std::string(31, 'X'));
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "Couldn't determine board model (error -3).\n");
}

TEST(FirmwareVersion, LastOemString)
{
    struct {
        std::string oem;
        int result;
    } cases[] = {
        {"KELB 5.3", 0x05030000},   {"KELB 5.3 extra", 0x05030000}, {"KELB 5.3.1", 0x05030100},
        {"KELB 5", 0x05000000},     {"KELB 5.4", 0x05040000},       {"KELB", -2},
        {"KELB ", -3},              {"KELB 5.x", -3},               {"KELB 1.2.3.4.5", -3},
        {"xKELB 5.3", -2},          {"kelb 5.3", -2},               {"KELB 5.3.0.0.01", -1},
        {"KELB 5.3.0.0.1", -3},
    };
    for (const auto &c : cases) {
        served_table t(platform_table("H8QG6", c.oem));
        int r = 0;
        std::string out = capture_stdout([&] { r = get_firmware_version(); });
        EXPECT_EQ(r, c.result) << "'" << c.oem << "'";
        EXPECT_EQ(out, "") << c.oem;
    }
}

TEST(FirmwareVersion, NoTableSourceIsAQueryFailure)
{
    // No firmware table, no sysfs, no memory device: the decoder fails, and
    // both checks report that they cannot tell.
    scratch_dir dir;
    int version = 0, board = 0;
    {
        std_streams_redirect streams(dir.file("out"), dir.file("err"));
        version = get_firmware_version();
        board = check_board(CHECK_BOARD_PRINT_ERRORS);
    }
    EXPECT_EQ(version, -1);
    EXPECT_EQ(board, -1);
    EXPECT_EQ(read_file(dir.file("out")), bytes{});
    bytes err = read_file(dir.file("err"));
    std::string text = plain(std::string(err.begin(), err.end()));
    const std::string tail = "Couldn't determine board model. Please run this utility as root.\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}
