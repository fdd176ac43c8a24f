// The store's write order in a backing file: the production kelb-cu runs
// under ptrace, and after each of its writes to the file the test looks at
// what the file holds, as a power cut or a kill right then would leave it.
// It must be the record found, the record asked for, or an image the
// firmware refuses.
#include "cu/config.h"
#include "machine_run.h"
#include "support/files.h"
#include "support/trace_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/syscall.h>

#if defined(KELB_TRACE_SYSCALLS)

namespace {

struct order_case {
    const char *name;
    bytes before;
    std::vector<std::string> args;
};

bytes file_with(std::initializer_list<std::uint8_t> record, std::size_t length = 256)
{
    bytes b(length, 0x22);
    std::copy(record.begin(), record.end(), b.begin() + CFG_NVRAM_OFFSET);
    return b;
}

config_image marked_prior()
{
    return boot_failure_marked(encode_config({210, CFG_MEMFAST | CFG_HT_ALT, 2800, 2, 2, 3, 3}));
}

const order_case ORDERS[] = {
    {"same_running_sum", file_with({0x40, 0x08, 0x07, 0x08, 0x00, 0xf5}),
     {"-s", "refclock=208", "-s", "xmp=yes", "-s", "ht-cap=2500"}},
    {"same_running_sum_opened_for_writing", file_with({0x40, 0x08, 0x07, 0x08, 0x00, 0xf5}), {"208"}},
    {"marked_record", [] {
         config_image m = marked_prior();
         return file_with({m[0], m[1], m[2], m[3], m[4], m[5]});
     }(), {"230"}},
    {"reset", file_with({0x40, 0x08, 0x07, 0x08, 0x00, 0xf5}), {"reset"}},
    {"empty_file", bytes{}, {"230"}},
    {"file_ending_inside_the_record", bytes(251, 0x4c), {"-s", "xmp=no"}},
};

// The record a file holds: its six bytes, fewer where the file ends.
bytes record_in(const bytes &file)
{
    if (file.size() <= CFG_NVRAM_OFFSET)
        return {};
    std::size_t end = std::min(file.size(), std::size_t{CFG_NVRAM_OFFSET + CFG_IMAGE_SIZE});
    return bytes(file.begin() + CFG_NVRAM_OFFSET, file.begin() + static_cast<long>(end));
}

bool firmware_refuses(const bytes &record)
{
    if (record.size() < CFG_IMAGE_SIZE)
        return true;
    config_image i;
    std::copy(record.begin(), record.end(), i.begin());
    nvram_config ignored;
    return decode_config(i, &ignored) == CONFIG_ABSENT;
}

// Runs kelb-cu -d `file` `args` traced; after each system call that writes
// to or cuts the file, `look` gets the file's bytes. The exit status.
int run_watching_writes(const std::string &file, const std::vector<std::string> &args,
               const std::function<void(const bytes &)> &look)
{
    std::vector<std::string> argv = {KELB_CU_PATH, "-d", file};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::vector<env_change> env = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "0"}};
    return run_traced(argv, env, [&](const syscall_stop &s) {
        if (s.entry)
            return;
        if (!writes_to_descriptor(s.call))
            return;
        if (descriptor_target(s.pid, static_cast<long>(s.arg[0])) == file)
            look(read_file(file));
    });
}

class backing_store_order : public ::testing::TestWithParam<order_case> {};

TEST_P(backing_store_order, file_holds_old_new_or_a_refused_image_after_each_write)
{
    const order_case &c = GetParam();
    scratch_dir dir;
    std::string file = std::filesystem::canonical(dir.path()).string() + "/nvram.bin";

    // The record asked for, from an untraced run of the same arguments.
    write_file(file, c.before);
    ASSERT_EQ(run_watching_writes(file, c.args, [](const bytes &) {}), 0);
    const bytes asked = record_in(read_file(file)), found = record_in(c.before);
    ASSERT_NE(hex_of(asked), hex_of(found));

    write_file(file, c.before);
    int writes = 0, refused = 0;
    int status = run_watching_writes(file, c.args, [&](const bytes &now) {
        writes++;
        // Before the record, the file as it was (a file that grew: zeros).
        std::size_t head = std::min<std::size_t>(now.size(), CFG_NVRAM_OFFSET);
        bytes kept = c.before;
        kept.resize(head, 0);
        EXPECT_EQ(bytes(now.begin(), now.begin() + static_cast<long>(head)), kept);
        bytes r = record_in(now);
        if (r == found || r == asked)
            return;
        refused++;
        EXPECT_TRUE(firmware_refuses(r)) << "after write " << writes << ":" << hex_of(r) << ", found" << hex_of(found)
                                         << ", asked" << hex_of(asked);
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(record_in(read_file(file)), asked);
    // The interim check byte, the data bytes, the check byte.
    EXPECT_EQ(writes, 3);
    EXPECT_GE(refused, 1);
}

INSTANTIATE_TEST_SUITE_P(debug, backing_store_order, ::testing::ValuesIn(ORDERS),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

#endif
