// Version packing and printing, and the decoder query's result codes.
#include "ident/capture.h"
#include "ident/identify.h"

#include "support/capture.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

TEST(ParseVersion, Table)
{
    struct {
        const char *text;
        int result;
        std::uint32_t packed;
    } cases[] = {
        {"5.3", 0, 0x05030000},   {"5", 0, 0x05000000},        {"5.3.1", 0, 0x05030100},
        {"1.2.3.4", 0, 0x01020304}, {"5..3", 0, 0x05030000},   {".5.3.", 0, 0x05030000},
        {"1.255", 0, 0x01FF0000}, {" +5.3", 0, 0x05030000},    {"200.1", 0, 0xC8010000},
        // A component that does not fit its byte would spill into the one
        // before it: 4.259 and 1.1027 must not pass for 5.3.
        {"1.256", -1, 0},         {"4.259", -1, 0},            {"1.1027", -1, 0},
        {"256", -1, 0},           {"5.3.0.300", -1, 0},        {"-1", -1, 0},
        {"", -1, 0},              {"...", -1, 0},              {"5.x", -1, 0},
        {"1.2.3.4.5", -1, 0},     {"5 ", -1, 0},               {"0x5", -1, 0},
    };
    for (const auto &c : cases) {
        char text[32];
        std::strcpy(text, c.text);
        std::uint32_t v = 0xDEADBEEF;
        EXPECT_EQ(parse_version(text, &v), c.result) << "'" << c.text << "'";
        EXPECT_EQ(v, c.result == 0 ? c.packed : 0xDEADBEEF) << "'" << c.text << "'";
    }
}

TEST(PrintVersion, StopsAtTrailingZeroComponents)
{
    struct {
        std::uint32_t v;
        const char *text;
    } cases[] = {{0x05030000, "5.3"}, {0x05000000, "5"},   {0x05000100, "5.0.1"},
                 {0x01020304, "1.2.3.4"}, {0, "0"},        {0x00000001, "0.0.0.1"}};
    for (const auto &c : cases) {
        std::string out = capture_stdout([&] { print_version(stdout, c.v); });
        EXPECT_EQ(out, c.text);
    }
}

namespace {

const char *fake_output;
int fake_status;
std::string seen_args;

int fake_decoder(int argc, char **argv)
{
    seen_args.clear();
    for (int i = 0; i < argc; i++)
        seen_args += std::string(i ? " " : "") + argv[i];
    std::fputs(fake_output, stdout); // left buffered: the query must flush it
    return fake_status;
}

int ke_files()
{
    int n = 0;
    for (const auto &e : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        n += e.path().filename().string().rfind("ke-", 0) == 0;
    return n;
}

} // namespace

TEST(DmiQuery, ResultCodesAndBuffer)
{
    struct {
        const char *output;
        int status;
        std::size_t size;
        int result;
        const char *text; // null: the buffer is not to be used
    } cases[] = {
        {"H8QG6\n", 0, 32, 6, "H8QG6"},
        {"abc", 0, 32, 4, "abc"},
        {"", 0, 32, 1, ""},
        {"A\nB\n", 0, 32, 4, "A\nB"},
        {"0123456789ABCDEF", 0, 16, -3, nullptr},
        {"0123456789ABCD\n", 0, 16, 15, "0123456789ABCD"},
        {"ignored\n", 1, 32, -2, "untouched"},
    };
    int before = ke_files();
    for (const auto &c : cases) {
        fake_output = c.output;
        fake_status = c.status;
        char buffer[64];
        std::strcpy(buffer, "untouched");
        int r = 0;
        // What the query captured must not leak to standard output, which works afterwards.
        std::string leaked = capture_stdout([&] {
            r = dmi_query_with(fake_decoder, "baseboard-product-name", buffer, c.size);
            std::printf("after");
        });
        EXPECT_EQ(r, c.result) << c.output;
        if (c.text) {
            EXPECT_STREQ(buffer, c.text);
        }
        EXPECT_EQ(leaked, "after");
        EXPECT_EQ(seen_args, "kelb-dmi -q -s baseboard-product-name");
    }
    EXPECT_EQ(ke_files(), before);
}
