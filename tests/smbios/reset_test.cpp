// Several decoder runs in one process, each after a reset, behave like the
// first run of a fresh process.
#include "capture.h"
#include "fixture.h"

#include "smbios/options.h"

#include <gtest/gtest.h>

namespace {

bytes sample_dump()
{
    bytes uuid(16);
    for (unsigned i = 0; i < 16; i++)
        uuid[i] = static_cast<std::uint8_t>(i * 0x11);
    bytes system_fields = concat({{1, 2, 3, 4}, uuid, {6, 5, 6}});
    bytes table = concat({structure(1, 0x10, system_fields, {"Maker", "Model", "V1", "S1", "SKU", "Family"}),
                          structure(4, 0x20, bytes(0x1E, 0), {"CPU"}), structure(2, 0x30, {1, 2}, {"M", "Board"}),
                          end_of_table(0x40)});
    return dump_image(entry_sm(32, static_cast<std::uint16_t>(table.size()), 4, 2, 8), table);
}

TEST(DecoderReset, EveryRunAfterResetIsLikeAFirstRun)
{
    scratch_dir dir;
    std::string dump = dir.file("tables.bin");
    write_file(dump, sample_dump());
    // Runs that leave state behind: a type filter, a keyword, a scan stopped
    // inside a cluster of short options, a table that sets quiet mode.
    const std::vector<std::vector<std::string>> runs = {
        {"-t", "4", "--from-dump", dump},
        {"-q", "-s", "system-uuid", "--from-dump", dump},
        {"-xq", "-V"},
        {"-u", "--from-dump", dump},
        {"-t", "2", "-t", "1", "--from-dump", dump},
        {"-V"},
        {"--from-dump", dump, "-s", "baseboard-product-name"},
    };
    for (std::size_t i = 0; i < runs.size(); i++) {
        SCOPED_TRACE(testing::PrintToString(runs[i]));
        run_result fresh = run_dmi(runs[i]);
        dmi_decoder_reset();
        run_result here = run_in_process(runs[i]);
        EXPECT_EQ(here.status, fresh.status);
        EXPECT_EQ(here.out, fresh.out);
        EXPECT_EQ(here.err, fresh.err);
        EXPECT_EQ(decoder_options.type_filter, nullptr);
    }
    dmi_decoder_reset();
}

} // namespace
