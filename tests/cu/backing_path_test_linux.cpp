// A backing file that is not a regular file is refused before it is opened:
// opening some device files acts (a watchdog arms itself), so the open of
// such a path must not happen at all. The kernel's open notifications show
// whether the utility opened the path.
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::vector<env_change> CPU = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}};

// Watches a path for opens by anyone.
class open_watch {
public:
    explicit open_watch(const std::string &path)
    {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        EXPECT_GE(fd_, 0) << std::strerror(errno);
        EXPECT_GE(inotify_add_watch(fd_, path.c_str(), IN_OPEN), 0) << std::strerror(errno);
    }
    ~open_watch() { close(fd_); }
    open_watch(const open_watch &) = delete;
    open_watch &operator=(const open_watch &) = delete;

    // Opens seen since the watch began.
    int opens()
    {
        int n = 0;
        alignas(inotify_event) char buf[4096];
        for (;;) {
            ssize_t got = read(fd_, buf, sizeof buf);
            if (got <= 0)
                return n;
            for (char *p = buf; p < buf + got; p += sizeof(inotify_event) + reinterpret_cast<inotify_event *>(p)->len)
                if (reinterpret_cast<inotify_event *>(p)->mask & IN_OPEN)
                    n++;
        }
    }

private:
    int fd_ = -1;
};

} // namespace

TEST(BackingPath, FifoIsRefusedWithoutBeingOpened)
{
    scratch_dir dir;
    std::string fifo = dir.file("nvram.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    for (const char *mode : {"230", "reset"}) {
        SCOPED_TRACE(mode);
        open_watch watch(fifo);
        run_result r = run_program({KELB_CU_PATH, "-d", fifo, mode}, CPU);
        EXPECT_EQ(r.status, 14);
        EXPECT_EQ(r.out, "kelb-cu: KELB configuration utility (KELB5.3)\n\n");
        EXPECT_EQ(r.err, fifo + ": not a regular file\n");
        EXPECT_EQ(watch.opens(), 0);
    }
    // The watch does see an open of the same path.
    open_watch watch(fifo);
    int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    close(fd);
    EXPECT_EQ(watch.opens(), 1);
}

TEST(BackingPath, RegularFileIsStillOpened)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, bytes{});
    open_watch watch(f);
    run_result r = run_program({KELB_CU_PATH, "-d", f, "230"}, CPU);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(watch.opens(), 1);
    EXPECT_EQ(read_file(f).size(), 254u);
}
