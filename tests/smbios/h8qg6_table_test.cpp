// A whole table as the firmware of a quad-socket H8QG6 server lays it out:
// BIOS, System, Base Board, Chassis, four Opteron 6200 processors, the OEM
// strings with the firmware version last, and the end of the table.
#include "smbios/formatted_area.h"

#include "fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

using namespace area_fixture;

namespace {

constexpr std::uint16_t TABLE_VERSION = 0x0207;
const char FILL[] = "To be filled by O.E.M.";

struct table_structure {
    bytes data;
    std::string expected; // its decoding, closing empty line included
};

table_structure bios()
{
    formatted_area a(0, 24);
    a.byte(0x04, 1).byte(0x05, 2).word(0x06, 0xF000).byte(0x08, 3).byte(0x09, 0x3F);
    a.dword(0x0A, 0x7D8B9880).dword(0x0E, 0).byte(0x12, 0x03).byte(0x13, 0x05);
    a.fill(0x14, {8, 16, 0xFF, 0xFF});
    return {a.structure(0x0000, {"American Megatrends Inc.", "3.5", "11/25/2013"}),
            "BIOS Information\n"
            "\tVendor: American Megatrends Inc.\n"
            "\tVersion: 3.5\n"
            "\tRelease Date: 11/25/2013\n"
            "\tAddress: 0xF0000\n"
            "\tRuntime Size: 64 kB\n"
            "\tROM Size: 4096 kB\n"
            "\tCharacteristics:\n"
            "\t\tPCI is supported\n"
            "\t\tBIOS is upgradeable\n"
            "\t\tBIOS shadowing is allowed\n"
            "\t\tBoot from CD is supported\n"
            "\t\tSelectable boot is supported\n"
            "\t\tBIOS ROM is socketed\n"
            "\t\tEDD is supported\n"
            "\t\t5.25\"/1.2 MB floppy services are supported (int 13h)\n"
            "\t\t3.5\"/720 kB floppy services are supported (int 13h)\n"
            "\t\tPrint screen service is supported (int 5h)\n"
            "\t\t8042 keyboard services are supported (int 9h)\n"
            "\t\tSerial services are supported (int 14h)\n"
            "\t\tPrinter services are supported (int 17h)\n"
            "\t\tCGA/mono video services are supported (int 10h)\n"
            "\t\tACPI is supported\n"
            "\t\tUSB legacy is supported\n"
            "\t\tBIOS boot specification is supported\n"
            "\t\tTargeted content distribution is supported\n"
            "\tBIOS Revision: 8.16\n"
            "\n"};
}

table_structure system_information()
{
    formatted_area a(1, 27);
    a.byte(0x04, 1).byte(0x05, 2).byte(0x06, 3).byte(0x07, 4);
    a.fill(0x08, {0x80, 0x34, 0x12, 0x00, 0x30, 0x20, 0x10, 0x40, 0x8A, 0x5B, 0x00, 0x30, 0x48, 0xAB, 0xCD, 0xEF});
    a.byte(0x18, 0x06).byte(0x19, 5).byte(0x1A, 5);
    return {a.structure(0x0001, {"Supermicro", "H8QG6", "1234567890", "0123456789", FILL}),
            "System Information\n"
            "\tManufacturer: Supermicro\n"
            "\tProduct Name: H8QG6\n"
            "\tVersion: 1234567890\n"
            "\tSerial Number: 0123456789\n"
            "\tUUID: 00123480-2030-4010-8A5B-003048ABCDEF\n"
            "\tWake-up Type: Power Switch\n"
            "\tSKU Number: To be filled by O.E.M.\n"
            "\tFamily: To be filled by O.E.M.\n"
            "\n"};
}

table_structure base_board()
{
    formatted_area a(2, 15);
    a.byte(0x04, 1).byte(0x05, 2).byte(0x06, 3).byte(0x07, 4).byte(0x08, 5).byte(0x09, 0x09);
    a.byte(0x0A, 5).word(0x0B, 0x0003).byte(0x0D, 0x0A).byte(0x0E, 0);
    return {a.structure(0x0002, {"Supermicro", "H8QG6", "1.01", "WM12AB001234", FILL}),
            "Base Board Information\n"
            "\tManufacturer: Supermicro\n"
            "\tProduct Name: H8QG6\n"
            "\tVersion: 1.01\n"
            "\tSerial Number: WM12AB001234\n"
            "\tAsset Tag: To be filled by O.E.M.\n"
            "\tFeatures:\n"
            "\t\tBoard is a hosting board\n"
            "\t\tBoard is replaceable\n"
            "\tLocation In Chassis: To be filled by O.E.M.\n"
            "\tChassis Handle: 0x0003\n"
            "\tType: Motherboard\n"
            "\tContained Object Handles: 0\n"
            "\n"};
}

table_structure chassis()
{
    formatted_area a(3, 22);
    a.byte(0x04, 1).byte(0x05, 0x17).byte(0x06, 2).byte(0x07, 2).byte(0x08, 3);
    a.byte(0x09, 3).byte(0x0A, 3).byte(0x0B, 3).byte(0x0C, 3).dword(0x0D, 0);
    a.byte(0x11, 2).byte(0x12, 2).byte(0x13, 0).byte(0x14, 3).byte(0x15, 3);
    return {a.structure(0x0003, {"Supermicro", "0123456789", FILL}),
            "Chassis Information\n"
            "\tManufacturer: Supermicro\n"
            "\tType: Rack Mount Chassis\n"
            "\tLock: Not Present\n"
            "\tVersion: 0123456789\n"
            "\tSerial Number: 0123456789\n"
            "\tAsset Tag: To be filled by O.E.M.\n"
            "\tBoot-up State: Safe\n"
            "\tPower Supply State: Safe\n"
            "\tThermal State: Safe\n"
            "\tSecurity Status: None\n"
            "\tOEM Information: 0x00000000\n"
            "\tHeight: 2 U\n"
            "\tNumber Of Power Cords: 2\n"
            "\tContained Elements: 0\n"
            "\tSKU Number: To be filled by O.E.M.\n"
            "\n"};
}

table_structure processor(unsigned socket)
{
    auto cache = static_cast<std::uint16_t>(0x0008 + 3 * socket);
    formatted_area a(4, 42);
    a.byte(0x04, 1).byte(0x05, 3).byte(0x06, 0x3D).byte(0x07, 2);
    a.dword(0x08, 0x00600F12).dword(0x0C, 0x178BFBFF);
    a.byte(0x10, 3).byte(0x11, 0x8B).word(0x12, 200).word(0x14, 3200).word(0x16, 2300);
    a.byte(0x18, 0x41).byte(0x19, 0x1A);
    a.word(0x1A, cache).word(0x1C, static_cast<std::uint16_t>(cache + 1)).word(0x1E, static_cast<std::uint16_t>(cache + 2));
    a.byte(0x23, 16).byte(0x24, 16).byte(0x25, 16).word(0x26, 0x00EC).word(0x28, 0x003D);
    char handles[128];
    std::snprintf(handles, sizeof handles,
                  "\tL1 Cache Handle: 0x%04X\n\tL2 Cache Handle: 0x%04X\n\tL3 Cache Handle: 0x%04X\n", cache,
                  cache + 1, cache + 2);
    std::string name = "CPU" + std::to_string(socket + 1);
    return {a.structure(static_cast<std::uint16_t>(0x0004 + socket), {name, "AMD", "AMD Opteron(TM) Processor 6276"}),
            "Processor Information\n"
            "\tSocket Designation: " + name + "\n"
            "\tType: Central Processor\n"
            "\tFamily: Opteron 6200\n"
            "\tManufacturer: AMD\n"
            "\tID: 12 0F 60 00 FF FB 8B 17\n"
            "\tSignature: Family 21, Model 1, Stepping 2\n"
            "\tFlags:\n"
            "\t\tFPU (Floating-point unit on-chip)\n"
            "\t\tVME (Virtual mode extension)\n"
            "\t\tDE (Debugging extension)\n"
            "\t\tPSE (Page size extension)\n"
            "\t\tTSC (Time stamp counter)\n"
            "\t\tMSR (Model specific registers)\n"
            "\t\tPAE (Physical address extension)\n"
            "\t\tMCE (Machine check exception)\n"
            "\t\tCX8 (CMPXCHG8 instruction supported)\n"
            "\t\tAPIC (On-chip APIC hardware supported)\n"
            "\t\tSEP (Fast system call)\n"
            "\t\tMTRR (Memory type range registers)\n"
            "\t\tPGE (Page global enable)\n"
            "\t\tMCA (Machine check architecture)\n"
            "\t\tCMOV (Conditional move instruction supported)\n"
            "\t\tPAT (Page attribute table)\n"
            "\t\tPSE-36 (36-bit page size extension)\n"
            "\t\tCLFSH (CLFLUSH instruction supported)\n"
            "\t\tMMX (MMX technology supported)\n"
            "\t\tFXSR (FXSAVE and FXSTOR instructions supported)\n"
            "\t\tSSE (Streaming SIMD extensions)\n"
            "\t\tSSE2 (Streaming SIMD extensions 2)\n"
            "\t\tHTT (Multi-threading)\n"
            "\tVersion: AMD Opteron(TM) Processor 6276\n"
            "\tVoltage: 1.1 V\n"
            "\tExternal Clock: 200 MHz\n"
            "\tMax Speed: 3200 MHz\n"
            "\tCurrent Speed: 2300 MHz\n"
            "\tStatus: Populated, Enabled\n"
            "\tUpgrade: Socket G34\n" +
                std::string(handles) +
                "\tSerial Number: Not Specified\n"
                "\tAsset Tag: Not Specified\n"
                "\tPart Number: Not Specified\n"
                "\tCore Count: 16\n"
                "\tCore Enabled: 16\n"
                "\tThread Count: 16\n"
                "\tCharacteristics:\n"
                "\t\t64-bit capable\n"
                "\t\tMulti-Core\n"
                "\t\tExecute Protection\n"
                "\t\tEnhanced Virtualization\n"
                "\t\tPower/Performance Control\n"
                "\n"};
}

table_structure oem_strings()
{
    formatted_area a(11, 5);
    a.byte(0x04, 2);
    return {a.structure(0x0014, {FILL, "KELB 5.3"}),
            "OEM Strings\n"
            "\tString 1: To be filled by O.E.M.\n"
            "\tString 2: KELB 5.3\n"
            "\n"};
}

table_structure end_of_table()
{
    return {structure(127, 0x0015, {}), "End Of Table\n\n"};
}

std::vector<table_structure> h8qg6_table()
{
    std::vector<table_structure> t = {bios(), system_information(), base_board(), chassis()};
    for (unsigned socket = 0; socket < 4; socket++)
        t.push_back(processor(socket));
    t.push_back(oem_strings());
    t.push_back(end_of_table());
    return t;
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Line-by-line comparison, so that a failure names the first line that differs.
void expect_same_lines(const std::string &actual, const std::string &expected)
{
    auto a = lines_of(actual), e = lines_of(expected);
    for (std::size_t i = 0; i < a.size() && i < e.size(); i++)
        ASSERT_EQ(a[i], e[i]) << "line " << i + 1;
    ASSERT_EQ(a.size(), e.size());
    EXPECT_EQ(actual, expected);
}

} // namespace

// The table in a dump file, as the production decoder reads it with --from-dump.
struct dumped_table {
    scratch_dir dir;
    std::string path = dir.file("h8qg6.bin");
    std::vector<table_structure> structures = h8qg6_table();
    std::size_t size = 0;

    dumped_table()
    {
        bytes table;
        for (const auto &s : structures)
            table.insert(table.end(), s.data.begin(), s.data.end());
        size = table.size();
        auto count = static_cast<std::uint16_t>(structures.size());
        write_file(path, dump_image(entry_sm(32, static_cast<std::uint16_t>(size), count, 2, 7), table));
    }
};

TEST(H8qg6Table, WholeTableThroughTheWalk)
{
    dumped_table t;
    std::string expected = "# kelb-dmi 1.0\nReading SMBIOS/DMI data from file " + t.path +
                           ".\nSMBIOS 2.7 present.\n" + std::to_string(t.structures.size()) +
                           " structures occupying " + std::to_string(t.size) + " bytes.\n\n";
    for (const auto &s : t.structures) {
        char handle[64];
        std::snprintf(handle, sizeof handle, "Handle 0x%04X, DMI type %d, %d bytes\n", s.data[2] | s.data[3] << 8,
                      s.data[0], s.data[1]);
        expected += handle + s.expected;
    }
    run_result r = run_dmi({"--from-dump", t.path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    expect_same_lines(r.out, expected);
}

TEST(H8qg6Table, StringKeywordsOfTheFirstFiveTypes)
{
    dumped_table t;
    struct {
        const char *keyword;
        const char *expected;
    } cases[] = {
        {"baseboard-product-name", "H8QG6\n"},
        {"oem-string-last", "KELB 5.3\n"},
        {"bios-version", "3.5\n"},
        {"system-uuid", "00123480-2030-4010-8A5B-003048ABCDEF\n"},
        {"chassis-type", "Rack Mount Chassis\n"},
        {"processor-family", "Opteron 6200\nOpteron 6200\nOpteron 6200\nOpteron 6200\n"},
        {"processor-frequency", "2300 MHz\n2300 MHz\n2300 MHz\n2300 MHz\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.keyword);
        run_result r = run_dmi({"-q", "-s", c.keyword, "--from-dump", t.path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(r.err, "");
    }
}
