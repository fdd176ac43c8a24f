// Backing files on Linux: a directory, which opens read-only here, and a path
// that names something else by the time a run stores.
#include "hw/nvram.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace {

TEST(file_store_open, a_directory_is_no_backing_file)
{
    scratch_dir dir;
    errno = 0;
    EXPECT_FALSE(nvram_file::open(dir.path().string().c_str(), O_RDONLY));
    EXPECT_EQ(errno, EISDIR);
}

TEST(file_store_reopen, refuses_what_took_the_path_and_keeps_the_file_it_read)
{
    const struct {
        const char *name;
        bool fifo; // a FIFO in the path; otherwise another regular file
        nvram_reopen want;
    } cases[] = {
        {"another_file", false, nvram_reopen::other_file},
        {"a_fifo", true, nvram_reopen::not_regular},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        scratch_dir dir;
        const std::string path = dir.file("nvram.bin"), moved = dir.file("moved.bin");
        write_file(path, bytes(256, 0x33));
        auto f = nvram_file::open(path.c_str(), O_RDONLY);
        ASSERT_TRUE(f);
        std::filesystem::rename(path, moved);
        if (c.fifo)
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        else
            write_file(path, bytes(256, 0x55));

        EXPECT_EQ(f->reopen_for_writing(), c.want);
        // Still the file it read, and still read-only.
        std::uint8_t b = 0;
        EXPECT_EQ(f->read(&b, 1, 250), 1);
        EXPECT_EQ(b, 0x33);
        EXPECT_EQ(f->write(&b, 1, 250), -1);
        f.reset();
        EXPECT_EQ(read_file(moved), bytes(256, 0x33));
        if (!c.fifo) {
            EXPECT_EQ(read_file(path), bytes(256, 0x55));
        }
    }
}

} // namespace
