// Another user swaps the backing file during the run (`mv f f.old; ln -s
// victim f`): the store writes the file the run read and locked, or nothing.
// The swap happens at a chosen open of the file: the kernel holds that open
// (a fanotify permission event, which needs root) until the swap is done.
#include "cu/config.h"
#include "run_texts.h"
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <sys/fanotify.h>
#include <thread>
#include <unistd.h>

namespace {

const std::vector<env_change> CPU = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}};

// Holds each open of `path` (its file, not its name) by another process, and
// runs `swap` while the open numbered `at` (from 1) waits.
class open_gate {
public:
    open_gate(const std::string &path, int at, std::function<void()> swap) : at_(at), swap_(std::move(swap))
    {
        fd_ = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY);
        if (fd_ < 0)
            return;
        if (fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD, path.c_str()) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~open_gate() { stop(); }
    open_gate(const open_gate &) = delete;
    open_gate &operator=(const open_gate &) = delete;

    bool armed() const { return fd_ >= 0; }
    int opens() const { return opens_.load(); }
    // Lets every later open through.
    void stop()
    {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

private:
    void serve()
    {
        alignas(fanotify_event_metadata) char buf[4096];
        while (!done_) {
            pollfd p = {fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            ssize_t got = read(fd_, buf, sizeof buf);
            if (got <= 0)
                continue;
            auto *m = reinterpret_cast<fanotify_event_metadata *>(buf);
            for (; FAN_EVENT_OK(m, got); m = FAN_EVENT_NEXT(m, got)) {
                if (m->mask & FAN_OPEN_PERM) {
                    if (m->pid != getpid() && ++opens_ == at_)
                        swap_();
                    fanotify_response r = {m->fd, FAN_ALLOW};
                    ssize_t w = write(fd_, &r, sizeof r);
                    (void)w;
                }
                if (m->fd >= 0)
                    close(m->fd);
            }
        }
    }

    int fd_ = -1;
    int at_;
    std::function<void()> swap_;
    std::atomic<int> opens_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

bytes with_record(const config_image &image)
{
    bytes b(256, 0x11);
    std::copy(image.begin(), image.end(), b.begin() + CFG_NVRAM_OFFSET);
    return b;
}

struct swap_case {
    const char *name;
    std::vector<std::string> args;
    bool read_only; // opened read-only, reopened for the store
};

const swap_case SWAPS[] = {
    {"settings_reopened_for_the_store", {"-s", "xmp=no"}, true},
    {"settings_file_reopened_for_the_store", {"-i", "settings.conf"}, true},
    {"refclock_written_through_its_descriptor", {"230"}, false},
};

class backing_swap : public ::testing::TestWithParam<swap_case> {};

// The second open of the file is the run's lock: the run has opened and is
// locking the very file it then reads, and the swap comes after both.
TEST_P(backing_swap, store_writes_the_file_read_and_locked_or_nothing)
{
    const swap_case &c = GetParam();
    scratch_dir dir;
    std::string f = dir.file("nvram.bin"), old = dir.file("nvram.bin.old"), victim = dir.file("victim.bin");
    const bytes found = with_record(encode_config(CFG_DEFAULTS));
    const bytes victim_bytes(300, 0x5a);
    write_file(f, found);
    write_file(victim, victim_bytes);
    write_file(dir.file("settings.conf"), std::string("xmp=no\n"));

    open_gate gate(f, 2, [&] {
        std::filesystem::rename(f, old);
        std::filesystem::create_symlink(victim, f);
    });
    if (!gate.armed())
        GTEST_SKIP() << "fanotify permission events need root: " << std::strerror(errno);
    std::vector<std::string> argv = {KELB_CU_PATH, "-d", f};
    for (const std::string &a : c.args)
        argv.push_back(a == "settings.conf" ? dir.file(a) : a);
    run_result r = run_program(argv, CPU);
    int opens = gate.opens();
    gate.stop();

    ASSERT_GE(opens, 2) << r.err;
    ASSERT_TRUE(std::filesystem::is_symlink(f));
    EXPECT_EQ(read_file(victim), victim_bytes);
    if (c.read_only) {
        EXPECT_EQ(r.status, 8);
        EXPECT_EQ(r.out, BANNER + FOUND);
        EXPECT_EQ(r.err, f + ": no longer the file this run read; nothing was written\n");
        EXPECT_EQ(read_file(old), found);
    } else {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, BANNER + FOUND + STORED);
        bytes now = read_file(old);
        ASSERT_EQ(now.size(), found.size());
        config_image stored;
        std::copy(now.begin() + CFG_NVRAM_OFFSET, now.begin() + CFG_NVRAM_OFFSET + 6, stored.begin());
        nvram_config got{};
        ASSERT_EQ(decode_config(stored, &got), CONFIG_VALID);
        EXPECT_EQ(got.target, 230);
    }
}

INSTANTIATE_TEST_SUITE_P(debug, backing_swap, ::testing::ValuesIn(SWAPS),
                         [](const auto &info) { return std::string(info.param.name); });

// Without a swap the same runs store into the file as usual.
TEST(backing_swap_none, settings_store_into_the_file_they_read)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, with_record(encode_config(CFG_DEFAULTS)));
    run_result r = run_program({KELB_CU_PATH, "-d", f, "-s", "xmp=no"}, CPU);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, BANNER + FOUND + STORED);
    EXPECT_NE(read_file(f), with_record(encode_config(CFG_DEFAULTS)));
}

} // namespace
