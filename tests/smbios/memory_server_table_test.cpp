// The memory, cache, slot and connector structures of a four-socket server,
// decoded one after the other out of one table buffer.
#include "smbios/memory_server_fixture.h"

#include "smbios/decode.h"
#include "smbios/options.h"
#include "smbios/table_builder.h"
#include "support/capture.h"

#include <gtest/gtest.h>

TEST(MemoryServerTable, WholeTableDecodesToTheExpectedText)
{
    std::vector<memory_server_structure> structures = memory_server_structures();
    smbios_table table;
    std::string expected;
    unsigned devices = 0;
    for (const auto &s : structures) {
        table.add(s.data);
        expected += s.expected;
        devices += s.type == 17;
    }
    ASSERT_EQ(devices, 32u);
    ASSERT_EQ(table.count, 12u + 5 + 4 + 4 + 32);

    // Step through the table as the walk does: formatted area, then the
    // string set up to its double zero.
    std::uint8_t *p = table.data.data();
    std::uint8_t *end = p + table.data.size();
    decoder_options.mode = 0;
    std::string out = capture_stdout([&] {
        while (p + 4 <= end) {
            smbios_structure s{p[0], p[1], static_cast<std::uint16_t>(p[2] | p[3] << 8), p, end};
            decode_structure(s, MEMORY_SERVER_VERSION);
            std::uint8_t *q = p + s.length;
            while (q + 1 < end && (q[0] != 0 || q[1] != 0))
                q++;
            p = q + 2;
        }
    });
    EXPECT_EQ(out, expected);
}
