// The NVRAM store on a backing file: raw bytes at their offsets.
#include "hw/nvram.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>

namespace {

struct file_store : ::testing::Test {
    scratch_dir dir;
    std::string path = dir.file("nvram.bin");

    int open_store()
    {
        int fd = nvram_open(path.c_str(), O_RDWR);
        EXPECT_GE(fd, 0);
        return fd;
    }
};

// Line ends and the end-of-file character of text files pass untouched both ways.
TEST_F(file_store, record_of_control_bytes_round_trips_raw_on_an_empty_file)
{
    write_file(path, bytes{});
    const std::uint8_t record[6] = {0x0A, 0x0D, 0x1A, 0x0D, 0x0A, 0x1A};
    int fd = open_store();
    std::uint8_t got[6] = {};
    EXPECT_EQ(nvram_read(fd, got, 6, 248), 0);
    EXPECT_EQ(nvram_write(fd, record, 6, 248), 6);
    EXPECT_EQ(nvram_read(fd, got, 6, 248), 6);
    EXPECT_EQ(nvram_close(fd), 0);

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
    int fd = open_store();
    EXPECT_EQ(nvram_write(fd, two, 2, 100), 2);
    nvram_close(fd);

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
    int fd = open_store();
    std::uint8_t got[6] = {};
    EXPECT_EQ(nvram_read(fd, got, 6, 248), 2);
    EXPECT_EQ(got[0], content[248]);
    EXPECT_EQ(got[1], content[249]);
    EXPECT_EQ(nvram_read(fd, got, 0, 10), 0);
    EXPECT_EQ(nvram_write(fd, got, 0, 10), 0);
    EXPECT_EQ(nvram_check_regular(fd), 0);
    nvram_close(fd);
    EXPECT_EQ(read_file(path), content);
}

TEST_F(file_store, missing_file_is_an_error_and_is_not_created)
{
    errno = 0;
    EXPECT_EQ(nvram_open(path.c_str(), O_RDWR), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
