// kelb-dmi on a dump file of the four-socket server table, one type keyword
// at a time.
#include "smbios/memory_server_fixture.h"

#include "smbios/fixture.h"
#include "smbios/table_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

TEST(MemoryServerDump, TypeKeywordsShowTheirStructures)
{
    std::vector<memory_server_structure> structures = memory_server_structures();
    smbios_table table;
    for (const auto &s : structures)
        table.add(s.data);
    table.end_of_table(0xFEFF);
    ASSERT_LT(table.data.size(), 0x10000u);
    scratch_dir dir;
    std::string path = dir.file("server.bin");
    bytes entry = entry_sm(32, static_cast<std::uint16_t>(table.data.size()), static_cast<std::uint16_t>(table.count),
                           MEMORY_SERVER_VERSION >> 8, MEMORY_SERVER_VERSION & 0xFF);
    write_file(path, dump_image(entry, table.data));

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
        run_result res = run_dmi({"--from-dump", path, "-t", r.keyword});
        EXPECT_EQ(res.status, 0);
        EXPECT_EQ(res.err, "");
        EXPECT_EQ(res.out, expected);
    }
}
