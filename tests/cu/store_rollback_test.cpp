// A store whose new record does not take and whose rollback fails too: the
// report's last line tells what the NVRAM holds, and whether the firmware
// will use it. Another agent changes registers that the chip does not let
// this run write, right after the run's first write to the record.
#include "cu/run_texts.h"
#include "machine_run.h"

#include <algorithm>
#include <cstdio>

namespace {

const nvram_config PRIOR = {226, CFG_NOXMP | CFG_HT_ALT, 2700, 0, 1, 3, 0};

// The data-port access of a run's first write to the record (1 = the first
// data-port access of the run), from its port log.
unsigned first_data_write(const std::vector<std::string> &log)
{
    unsigned n = 0;
    for (const std::string &line : log) {
        if (line.rfind("in 73", 0) == 0 || line.rfind("out 73", 0) == 0)
            n++;
        if (line.rfind("out 73", 0) == 0)
            return n;
    }
    return 0;
}

} // namespace

TEST(StoreRollback, FailedRollbackTellsAnotherRecordFromAnInvalidOne)
{
    const std::string invalid = "ERROR: couldn't store configuration; the NVRAM now holds an invalid record: the "
                                "firmware will run at stock:";
    const std::string another = "ERROR: couldn't store configuration; the NVRAM now holds another record, which the "
                                "firmware will use:";
    const bytes before = chip_with_record(27, encode_config(PRIOR));
    struct {
        const char *name;
        const char *drop;                                 // registers the chip keeps
        std::vector<std::pair<unsigned, unsigned>> agent; // register, value the other agent writes there
        const std::string &ending;
    } cases[] = {
        // One byte more and one less: the sum, and so the check byte, holds.
        // The chip keeps the check byte too, so no try gets past its first
        // byte and the old check byte stays.
        {"valid", "249,250,253",
         {{249, (before[249] + 1) & 0xFF}, {250, (before[250] + 0xFF) & 0xFF}}, another},
        {"invalid", "250", {{250, before[250] ^ 0x40}}, invalid},
        // The run's tries stop at the byte the chip keeps, after the interim
        // check byte has landed: the chip ends with that byte (checked below).
        // The boot-failure mark: the firmware runs at stock.
        {"marked", "253", {{253, before[253] ^ 0xFF}}, invalid},
    };
    scratch_dir dir;
    std::string good = dir.file("good.bin"), good_log = dir.file("good.log");
    write_file(good, before);
    ASSERT_EQ(run_device(good, good_log, {"-f", "-f", "230"}).status, 0);
    unsigned at = first_data_write(read_lines(good_log));
    ASSERT_GT(at, 0u);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string chip = dir.file(std::string(c.name) + ".bin"), log = dir.file(std::string(c.name) + ".log");
        write_file(chip, before);
        bytes left = before;
        std::string writes;
        for (const auto &[offset, value] : c.agent) {
            left[offset] = static_cast<std::uint8_t>(value);
            writes += (writes.empty() ? "" : ",") + std::to_string(at) + ":" + std::to_string(offset) + "=" +
                      std::to_string(value);
        }
        run_result r = run_device(chip, log, {"-f", "-f", "230"}, {{SIM_WRITE_DROP, c.drop}, {SIM_FOREIGN_WRITE, writes}});
        EXPECT_EQ(r.status, 12);
        bytes now = read_file(chip);
        if (c.ending == invalid && std::string(c.drop).find("253") == std::string::npos) {
            // Where the interim check byte took, it is what the chip holds at 253.
            config_image image;
            std::copy_n(now.begin() + CFG_NVRAM_OFFSET, CFG_IMAGE_SIZE, image.begin());
            nvram_config ignored;
            EXPECT_EQ(decode_config(image, &ignored), CONFIG_ABSENT);
            left[CFG_NVRAM_OFFSET + CFG_IMAGE_SIZE - 1] = now[CFG_NVRAM_OFFSET + CFG_IMAGE_SIZE - 1];
        }
        EXPECT_EQ(now, left);
        ASSERT_FALSE(r.err.empty());
        std::size_t last_line = r.err.rfind('\n', r.err.size() - 2) + 1;
        EXPECT_EQ(r.err.substr(last_line), c.ending + record_hex(left) + "\n") << r.err;
    }
}
