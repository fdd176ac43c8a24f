// The decoder's command line: refusals, help and version, the parsed state.
#include "capture.h"
#include "fixture.h"

#include "smbios/options.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const std::string STRING_LIST = "Valid string keywords are:\n"
                                "  bios-vendor\n  bios-version\n  bios-release-date\n"
                                "  system-manufacturer\n  system-product-name\n  system-version\n"
                                "  system-serial-number\n  system-uuid\n"
                                "  baseboard-manufacturer\n  baseboard-product-name\n  baseboard-version\n"
                                "  baseboard-serial-number\n  baseboard-asset-tag\n"
                                "  chassis-manufacturer\n  chassis-type\n  chassis-version\n"
                                "  chassis-serial-number\n  chassis-asset-tag\n"
                                "  processor-family\n  processor-manufacturer\n  processor-version\n"
                                "  processor-frequency\n  oem-string-last\n";
const std::string TYPE_LIST = "Valid type keywords are:\n"
                              "  bios\n  system\n  baseboard\n  chassis\n  processor\n  memory\n"
                              "  cache\n  connector\n  slot\n";
const std::string EXCLUSIVE = "Options --string, --type and --dump-bin are mutually exclusive\n";

const std::string USAGE = "Usage: kelb-dmi [OPTIONS]\n"
                          "Options are:\n"
                          " -d, --dev-mem FILE     Read memory from device FILE (default: /dev/mem)\n"
                          " -h, --help             Display this help text and exit\n"
                          " -q, --quiet            Less verbose output\n"
                          " -s, --string KEYWORD   Only display the value of the given DMI string\n"
                          " -t, --type TYPE        Only display the entries of given type\n"
                          " -u, --dump             Do not decode the entries\n"
                          "     --dump-bin FILE    Dump the DMI data to a binary file\n"
                          "     --from-dump FILE   Read the DMI data from a binary file\n"
                          " -V, --version          Display the version and exit\n"
                          // Options beyond the classic ones follow them.
                          "     --no-sysfs         Do not read the tables from sysfs\n";

struct refusal {
    std::vector<std::string> args;
    std::string err;
};

const std::vector<refusal> refusals = {
    {{"-s"}, "kelb-dmi: option requires an argument -- 's'\nString keyword expected\n" + STRING_LIST},
    {{"-q", "--string"}, "kelb-dmi: option '--string' requires an argument\nString keyword expected\n" + STRING_LIST},
    {{"--str"}, "kelb-dmi: option '--string' requires an argument\nString keyword expected\n" + STRING_LIST},
    {{"-t"}, "kelb-dmi: option requires an argument -- 't'\nType number or keyword expected\n" + TYPE_LIST},
    {{"--type"}, "kelb-dmi: option '--type' requires an argument\nType number or keyword expected\n" + TYPE_LIST},
    {{"--dump-bin"}, "kelb-dmi: option '--dump-bin' requires an argument\n"},
    {{"-d"}, "kelb-dmi: option requires an argument -- 'd'\n"},
    {{"-x"}, "kelb-dmi: invalid option -- 'x'\n"},
    {{"-qx"}, "kelb-dmi: invalid option -- 'x'\n"},
    {{"--quiet", "-xq"}, "kelb-dmi: invalid option -- 'x'\n"},
    {{"--bogus"}, "kelb-dmi: unrecognized option '--bogus'\n"},
    {{"--d"}, "kelb-dmi: option '--d' is ambiguous; possibilities: '--dev-mem' '--dump' '--dump-bin'\n"},
    {{"--help=yes"}, "kelb-dmi: option '--help' doesn't allow an argument\n"},
    {{"-s", "bogus"}, "Invalid string keyword: bogus\n" + STRING_LIST},
    {{"-s", "bios-vendor", "-s", "bios-version"}, "Only one string can be specified\n"},
    {{"-s", "bios-vendor", "-s", "bios-vendor"}, "Only one string can be specified\n"},
    {{"-t", "300"}, "Invalid type number: 300\n"},
    {{"-t", "-1"}, "Invalid type number: 4294967295\n"},
    {{"-t", "0x100000000"}, "Invalid type number: 4294967295\n"},
    {{"-t", "4,256"}, "Invalid type number: 256\n"},
    {{"-t", "1x"}, "Invalid type keyword: x\n" + TYPE_LIST},
    {{"-t", "4, slot"}, "Invalid type keyword: slot\n" + TYPE_LIST},
    {{"-t", "bogus"}, "Invalid type keyword: bogus\n" + TYPE_LIST},
    {{"-s", "bios-vendor", "-t", "1"}, EXCLUSIVE},
    {{"-t", "4", "--dump-bin", "x.bin"}, EXCLUSIVE},
    {{"--dump-bin", "x.bin", "-s", "system-uuid"}, EXCLUSIVE},
    {{"--from-dump", "a.bin", "--dump-bin", "b.bin"}, "Options --from-dump and --dump-bin are mutually exclusive\n"},
    {{"-V", "-s", "bogus"}, "Invalid string keyword: bogus\n" + STRING_LIST},
};

TEST(DecoderOptions, RefusalsPrintTheirMessageAndReturnTwo)
{
    for (const refusal &c : refusals) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        run_result r = run_dmi(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(DecoderOptions, HelpWinsOverVersion)
{
    struct info_case {
        std::vector<std::string> args;
        std::string out;
    };
    const std::vector<info_case> cases = {
        {{"-h"}, USAGE},       {{"--help"}, USAGE},      {{"-V", "-h"}, USAGE}, {{"-hV"}, USAGE},
        {{"-V"}, "1.0\n"},     {{"--version"}, "1.0\n"}, {{"--vers"}, "1.0\n"}, {{"stray", "-V", "x"}, "1.0\n"},
        {{"--he"}, USAGE},
    };
    for (const info_case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        run_result r = run_dmi(c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

// What one parse leaves in the decoder's state.
struct parsed {
    int result;
    unsigned mode;
    std::optional<std::set<unsigned>> types; // none: no filter
    std::string string_key;
    std::string device_path;
    std::string dump_path;
};

parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "kelb-dmi");
    std::vector<char *> argv;
    for (std::string &s : args)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    dmi_decoder_reset();
    parsed p;
    {
        scratch_dir dir; // refusals print; the messages are checked elsewhere
        std_streams_redirect quiet(dir.file("out"), dir.file("err"));
        p.result = parse_decoder_options(static_cast<int>(args.size()), argv.data());
    }
    p.mode = decoder_options.mode;
    if (decoder_options.type_filter) {
        p.types.emplace();
        for (unsigned t = 0; t < 256; t++)
            if (decoder_options.type_filter[t])
                p.types->insert(t);
    }
    p.string_key = decoder_options.string_key ? decoder_options.string_key->keyword : "";
    p.device_path = decoder_options.device_path ? decoder_options.device_path : "";
    p.dump_path = decoder_options.dump_path ? decoder_options.dump_path : "";
    std::free(decoder_options.type_filter);
    dmi_decoder_reset();
    return p;
}

TEST(DecoderOptions, TypeSelections)
{
    using types = std::set<unsigned>;
    struct type_case {
        std::vector<std::string> args;
        types selected;
    };
    const std::vector<type_case> cases = {
        {{"-t", "4,7 17"}, {4, 7, 17}},
        {{"-t", "010"}, {8}},
        {{"-t", "0x11"}, {17}},
        {{"-t", " 0X1f,,  ,2"}, {31, 2}},
        {{"-t", "memory"}, {5, 6, 16, 17}},
        {{"-t", "System"}, {1, 12, 15, 23, 32}},
        {{"-t", "bios"}, {0, 13}},
        {{"-t", "baseboard"}, {2, 10, 41}},
        {{"-t", "slot", "-t", "4"}, {9, 4}},
        {{"--type=255"}, {255}},
        {{"--ty", "0"}, {0}},
        {{"-t", ""}, {}},
    };
    for (const type_case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        parsed p = parse(c.args);
        EXPECT_EQ(p.result, 0);
        ASSERT_TRUE(p.types.has_value());
        EXPECT_EQ(*p.types, c.selected);
    }
    // A refused number leaves no filter behind.
    parsed refused = parse({"-t", "4", "-t", "300"});
    EXPECT_EQ(refused.result, -1);
    EXPECT_FALSE(refused.types.has_value());
}

TEST(DecoderOptions, ModesKeywordsAndPaths)
{
    struct mode_case {
        std::vector<std::string> args;
        unsigned mode;
        std::string string_key, device_path, dump_path;
    };
    const std::vector<mode_case> cases = {
        {{"-s", "BaseBoard-Product-Name"}, MODE_QUIET, "baseboard-product-name", "", ""},
        {{"--string=oem-string-last", "-u"}, MODE_QUIET | MODE_DUMP, "oem-string-last", "", ""},
        {{"-q"}, MODE_QUIET, "", "", ""},
        {{"--q", "--dump"}, MODE_QUIET | MODE_DUMP, "", "", ""},
        {{"-d", "/dev/other", "--dev", "/dev/last"}, 0, "", "/dev/last", ""},
        {{"--dump-b", "out.bin"}, MODE_DUMP_BIN, "", "", "out.bin"},
        {{"--from", "a.bin", "--from-dump=b.bin"}, MODE_FROM_DUMP, "", "", "b.bin"},
        {{"--no"}, MODE_NO_SYSFS, "", "", ""},
        {{"first", "-u", "second", "-V"}, MODE_DUMP | MODE_VERSION, "", "", ""},
        {{"-q", "--", "-u"}, MODE_QUIET, "", "", ""},
        {{"-hq"}, MODE_HELP | MODE_QUIET, "", "", ""},
    };
    for (const mode_case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        parsed p = parse(c.args);
        EXPECT_EQ(p.result, 0);
        EXPECT_EQ(p.mode, c.mode);
        EXPECT_EQ(p.string_key, c.string_key);
        EXPECT_EQ(p.device_path, c.device_path);
        EXPECT_EQ(p.dump_path, c.dump_path);
        EXPECT_FALSE(p.types.has_value());
    }
}

TEST(DecoderOptions, ResetClearsEveryField)
{
    static const string_keyword key = {"bios-vendor", 0, 4};
    decoder_options = {"/dev/x", MODE_QUIET | MODE_DUMP, nullptr, &key, "d.bin"};
    dmi_decoder_reset();
    EXPECT_EQ(decoder_options.device_path, nullptr);
    EXPECT_EQ(decoder_options.mode, 0u);
    EXPECT_EQ(decoder_options.type_filter, nullptr);
    EXPECT_EQ(decoder_options.string_key, nullptr);
    EXPECT_EQ(decoder_options.dump_path, nullptr);
}

} // namespace
