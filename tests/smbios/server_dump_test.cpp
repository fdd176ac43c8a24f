// kelb-dmi on a dump file of the four-socket server table, one type keyword
// at a time.
#include "smbios/server_fixture.h"

#include "smbios/table_builder.h"
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

// A dump file: a 32-bit SMBIOS 2.8 entry point whose table address is 32,
// then the table.
bytes server_dump(const smbios_table &table)
{
    bytes d(32, 0);
    const char anchor[] = "_SM_", dmi[] = "_DMI_";
    std::copy(anchor, anchor + 4, d.begin());
    d[0x05] = 0x1F;
    d[0x06] = SERVER_SMBIOS_VERSION >> 8;
    d[0x07] = SERVER_SMBIOS_VERSION & 0xFF;
    d[0x08] = 0xFF; // largest structure, not checked by the reader
    std::copy(dmi, dmi + 5, d.begin() + 0x10);
    d[0x16] = static_cast<std::uint8_t>(table.data.size());
    d[0x17] = static_cast<std::uint8_t>(table.data.size() >> 8);
    d[0x18] = 32;
    d[0x1C] = static_cast<std::uint8_t>(table.count);
    d[0x1D] = static_cast<std::uint8_t>(table.count >> 8);
    d[0x1E] = 0x28;
    std::uint8_t sum = 0;
    for (int i = 0x10; i < 0x1F; i++)
        sum = static_cast<std::uint8_t>(sum + d[i]);
    d[0x15] = static_cast<std::uint8_t>(-sum);
    sum = 0;
    for (int i = 0; i < 0x1F; i++)
        sum = static_cast<std::uint8_t>(sum + d[i]);
    d[0x04] = static_cast<std::uint8_t>(-sum);
    d.insert(d.end(), table.data.begin(), table.data.end());
    return d;
}

} // namespace

TEST(ServerDump, TypeKeywordsShowTheirStructures)
{
    std::vector<fixture_structure> structures = server_structures();
    smbios_table table;
    for (const auto &s : structures)
        table.add(s.data);
    table.end_of_table(0xFEFF);
    ASSERT_LT(table.data.size(), 0x10000u);
    scratch_dir dir;
    std::string path = dir.file("server.bin");
    write_file(path, server_dump(table));

    struct row {
        const char *keyword;
        std::set<std::uint8_t> types;
        std::size_t shown;
    } rows[] = {{"memory", {5, 6, 16, 17}, 36}, {"cache", {7}, 12}, {"slot", {9}, 4}, {"connector", {8}, 5}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.keyword);
        std::string expected = "# kelb-dmi 1.0\nReading SMBIOS/DMI data from file " + path + ".\nSMBIOS 2.8 present.\n\n";
        std::size_t shown = 0;
        for (const auto &s : structures) {
            if (!r.types.count(s.type))
                continue;
            char head[64];
            std::snprintf(head, sizeof head, "Handle 0x%04X, DMI type %d, %d bytes\n", s.handle, s.type, s.data[1]);
            expected += head + s.expected;
            shown++;
        }
        ASSERT_EQ(shown, r.shown);
        run_result res = run_program({KELB_DMI_PATH, "--from-dump", path, "-t", r.keyword});
        EXPECT_EQ(res.status, 0);
        EXPECT_EQ(res.err, "");
        EXPECT_EQ(res.out, expected);
    }
}
