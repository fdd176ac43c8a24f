// The NVRAM store on a backing file: raw bytes at their offsets.
#include "hw/nvram.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <memory>

namespace {

struct file_store : ::testing::Test {
    scratch_dir dir;
    std::string path = dir.file("nvram.bin");

    std::unique_ptr<nvram_file> open_store(int flags = O_RDWR)
    {
        return nvram_file::open(path.c_str(), flags);
    }
};

// Line ends and the end-of-file character of text files pass untouched both ways.
TEST_F(file_store, record_of_control_bytes_round_trips_raw_on_an_empty_file)
{
    write_file(path, bytes{});
    const std::uint8_t record[6] = {0x0A, 0x0D, 0x1A, 0x0D, 0x0A, 0x1A};
    auto f = open_store();
    ASSERT_TRUE(f);
    std::uint8_t got[6] = {};
    EXPECT_EQ(f->read(got, 6, 248), 0);
    EXPECT_EQ(f->write(record, 6, 248), 6);
    EXPECT_EQ(f->read(got, 6, 248), 6);
    EXPECT_EQ(f->length(), 254);
    f.reset();

    EXPECT_EQ(bytes(got, got + 6), bytes(record, record + 6));
    bytes file = read_file(path);
    ASSERT_EQ(file.size(), 254u);
    EXPECT_EQ(bytes(file.begin(), file.begin() + 248), bytes(248, 0));
    EXPECT_EQ(bytes(file.begin() + 248, file.end()), bytes(record, record + 6));
}

TEST_F(file_store, write_past_the_end_fills_the_gap_with_zeros_and_keeps_the_start)
{
    const bytes start = {0x0D, 0x0A, 0x1A, 0xFF, 0x00, 0x0A};
    write_file(path, start);
    const std::uint8_t two[2] = {0x1A, 0x0D};
    auto f = open_store();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->write(two, 2, 100), 2);
    f.reset();

    bytes file = read_file(path);
    ASSERT_EQ(file.size(), 102u);
    EXPECT_EQ(bytes(file.begin(), file.begin() + 6), start);
    EXPECT_EQ(bytes(file.begin() + 6, file.begin() + 100), bytes(94, 0));
    EXPECT_EQ(file[100], 0x1A);
    EXPECT_EQ(file[101], 0x0D);
}

TEST_F(file_store, reads_stop_at_the_end_of_the_file)
{
    bytes content(250);
    for (std::size_t i = 0; i < content.size(); i++)
        content[i] = static_cast<std::uint8_t>(i * 7 + 1);
    write_file(path, content);
    auto f = open_store();
    ASSERT_TRUE(f);
    std::uint8_t got[6] = {};
    EXPECT_EQ(f->read(got, 6, 248), 2);
    EXPECT_TRUE(f->short_read_is_end());
    EXPECT_EQ(got[0], content[248]);
    EXPECT_EQ(got[1], content[249]);
    EXPECT_EQ(f->read(got, 0, 10), 0);
    EXPECT_EQ(f->write(got, 0, 10), 0);
    EXPECT_EQ(f->check_regular(), 0);
    EXPECT_EQ(f->length(), 250);
    f.reset();
    EXPECT_EQ(read_file(path), content);
}

TEST_F(file_store, missing_file_is_an_error_and_is_not_created)
{
    errno = 0;
    EXPECT_FALSE(nvram_file::open(path.c_str(), O_RDWR));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// The file's length follows what is set, both ways, and the bytes it keeps stay.
TEST_F(file_store, length_is_cut_and_extended_with_zeros)
{
    const bytes start = {1, 2, 3, 4, 5, 6, 7, 8};
    write_file(path, start);
    auto f = open_store();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->length(), 8);
    EXPECT_EQ(f->set_length(5), 0);
    EXPECT_EQ(f->length(), 5);
    EXPECT_EQ(f->set_length(7), 0);
    EXPECT_EQ(f->length(), 7);
    f.reset();
    EXPECT_EQ(read_file(path), (bytes{1, 2, 3, 4, 5, 0, 0}));
}

// The PC checksum over a backing file's bytes: the sum of 16..45 against the
// high byte at 46 and the low byte at 47, bytes the file lacks read as zeros.
TEST_F(file_store, checksum_compares_the_sum_of_16_to_45_with_46_47)
{
    auto image = [](std::size_t size, std::uint8_t fill, std::uint8_t high, std::uint8_t low) {
        bytes b(size, 0x77); // outside 16..47: never summed
        for (std::size_t i = 16; i < 46 && i < size; i++)
            b[i] = fill;
        if (size > 46)
            b[46] = high;
        if (size > 47)
            b[47] = low;
        return b;
    };
    const struct {
        const char *name;
        bytes content;
        int result;
    } cases[] = {
        {"matching", image(256, 0x11, 0x01, 0xFE), 0},             // 30 * 0x11 = 0x1FE
        {"low_byte_off", image(256, 0x11, 0x01, 0xFD), 1},
        {"high_byte_first", image(256, 0x11, 0xFE, 0x01), 0x1FE - 0xFE01},
        {"ends_before_the_low_byte", image(47, 0x01, 0x00, 0), 30},
        {"ends_inside_the_sum", image(20, 0x02, 0, 0), 8},          // bytes 16..19
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(path, c.content);
        auto f = open_store(O_RDONLY);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->checksum(), c.result);
    }
}

// A run that opened the file read-only stores through the same path opened
// again for writing, while the path still names that file.
TEST_F(file_store, reopened_for_writing_writes_the_same_file)
{
    write_file(path, bytes(256, 0x33));
    auto f = open_store(O_RDONLY);
    ASSERT_TRUE(f);
    const std::uint8_t one = 0x44;
    EXPECT_EQ(f->write(&one, 1, 250), -1);
    ASSERT_EQ(f->reopen_for_writing(), nvram_reopen::reopened);
    EXPECT_EQ(f->write_verified(&one, 1, 250), 1);
    f.reset();
    bytes want(256, 0x33);
    want[250] = 0x44;
    EXPECT_EQ(read_file(path), want);
}

} // namespace
