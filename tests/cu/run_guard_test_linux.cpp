// What guards a run on Linux: standard descriptors closed by the invoker, a
// listing that cannot reach its reader, and the lock that keeps a second run
// off the NVRAM, held here by the test itself with flock.
#include "cu/run_texts.h"
#include "machine_run.h"
#include "support/pty.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::vector<env_change> CPU = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}};

// argv run by the shell with the given redirections (">&- 2>&-" closes
// standard output and error).
run_result run_redirected(const std::string &redirections, const std::vector<std::string> &argv,
                          const std::vector<env_change> &env)
{
    std::vector<std::string> shell = {"/bin/sh", "-c", "exec \"$0\" \"$@\" " + redirections};
    shell.insert(shell.end(), argv.begin(), argv.end());
    return run_program(shell, env);
}

// An exclusive flock on a path for the span of a scope, as another run holds it.
class held_lock {
public:
    explicit held_lock(const std::string &path) : fd_(open(path.c_str(), O_RDONLY | O_CREAT, 0644))
    {
        EXPECT_GE(fd_, 0) << path << ": " << errno_text(errno);
        EXPECT_EQ(flock(fd_, LOCK_EX | LOCK_NB), 0) << errno_text(errno);
    }
    ~held_lock() { close(fd_); }
    held_lock(const held_lock &) = delete;
    held_lock &operator=(const held_lock &) = delete;

private:
    int fd_;
};

} // namespace

// With descriptors 1 and 2 closed, the backing file would be opened as one of
// them and receive the run's messages (the -D trace, the banner).
TEST(ClosedStreams, BackingFileReceivesOnlyTheRecord)
{
    const nvram_config prior = {230, 0, 2800, 0, 1, 2, 0};
    struct {
        const char *redirections;
        std::vector<std::string> args;
        nvram_config stored;
    } cases[] = {
        {">&- 2>&-", {"-D", "-s", "xmp=no"}, {230, CFG_NOXMP, 2800, 0, 1, 2, 0}},
        {">&- 2>&-", {"231"}, {231, 0, 2800, 0, 1, 2, 0}},
        // -i - reads the null device that stands in for standard input.
        {"<&- >&- 2>&-", {"-D", "-s", "refclock=232", "-i", "-"}, {232, 0, 2800, 0, 1, 2, 0}},
        {"2>&-", {"-D", "reset"}, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.redirections + (" " + c.args.back()));
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        const bytes before = chip_with_record(4, encode_config(prior));
        write_file(f, before);
        std::vector<std::string> argv = {KELB_CU_PATH, "-d", f};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        run_result r = run_redirected(c.redirections, argv, CPU);
        EXPECT_EQ(r.status, 0) << r.out;
        bytes after = read_file(f);
        ASSERT_EQ(after.size(), before.size());
        expect_unchanged_outside(before, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);
        config_image stored;
        std::copy_n(after.begin() + CFG_NVRAM_OFFSET, stored.size(), stored.begin());
        EXPECT_EQ(stored, encode_config(c.stored)); // a target of 0 encodes as the reset image
    }
}

// The simulated machine keeps its chip and port log in files that the run
// opens itself: neither may take a closed standard descriptor's place.
TEST(ClosedStreams, SimulatedDeviceGetsOnlyTheRecord)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    const bytes before = make_chip(8);
    write_file(chip, before);
    run_result r = run_redirected(">&- 2>&-", {KELB_CU_SIM_PATH, "-f", "-f", "-D", "230"}, machine_env(chip, log));
    EXPECT_EQ(r.status, 0);
    bytes after = read_file(chip);
    ASSERT_EQ(after.size(), before.size());
    expect_unchanged_outside(before, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);
    EXPECT_NE(after, before);
    std::vector<std::string> lines = read_lines(log);
    std::vector<std::string> ports = port_lines(lines);
    for (const std::string &line : lines) {
        bool known = line == "init" || line == "deinit" || line.rfind("pci ", 0) == 0 ||
                     std::find(ports.begin(), ports.end(), line) != ports.end();
        EXPECT_TRUE(known) << line;
    }
}

TEST(ListingFailure, ListingThatCannotBeWrittenEndsWithStatus17)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    const bytes before = chip_with_record(5, encode_config({230, CFG_NOXMP, 2800, 0, 1, 2, 0}));
    write_file(f, before);
    struct {
        const char *redirections;
        int err;
    } cases[] = {
        {">/dev/full", ENOSPC},
        {">&-", EBADF},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.redirections);
        run_result r = run_redirected(c.redirections, {KELB_CU_PATH, "-d", f, "-l"}, CPU);
        EXPECT_EQ(r.status, 17);
        EXPECT_EQ(r.err, BANNER + FOUND + "listing: " + errno_text(c.err) + "\nERROR: the listing is incomplete\n");
        EXPECT_EQ(read_file(f), before);
    }
    // The same listing on a pipe is whole.
    run_result r = run_redirected("", {KELB_CU_PATH, "-d", f, "-l"}, CPU);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("refclock=230\n"), std::string::npos) << r.out;
}

// A directory named by -d: the last line is the system's reason under the
// path, in every mode.
TEST(RunGuard, DirectoryAsBackingFileIsNamedWithTheSystemsReason)
{
    scratch_dir dir;
    std::string d = dir.file("nvram.dir");
    std::filesystem::create_directory(d);
    for (const std::vector<std::string> &args : {std::vector<std::string>{"230"}, {"-l"}, {"-n", "230"}}) {
        SCOPED_TRACE(args.front());
        run_result r = run_backing_file(d, args, CPU);
        EXPECT_EQ(r.status, 8);
        std::size_t last_line = r.err.rfind('\n', r.err.size() - 2) + 1; // npos + 1 is 0
        EXPECT_EQ(r.err.substr(last_line), d + ": " + errno_text(EISDIR) + "\n");
    }
}

TEST(OneRun, HeldBackingFileRefusesEveryModeAtOnce)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    const bytes before = chip_with_record(6, encode_config({230, CFG_NOXMP, 2800, 0, 1, 2, 0}));
    write_file(f, before);
    {
        held_lock other(f);
        expect_refused_while_held(f, {{"240"}, {"reset"}, {"-l"}, {"-s", "xmp=yes"}, {"-n", "240"}}, CPU);
        // A listing or dry run that could not have been written either keeps
        // the refusal's status.
        for (const char *redirections : {">/dev/full", ">&-"}) {
            for (const std::vector<std::string> &args : {std::vector<std::string>{"-l"}, {"-n", "240"}}) {
                SCOPED_TRACE(args.front() + " " + redirections);
                std::vector<std::string> argv = {KELB_CU_PATH, "-d", f};
                argv.insert(argv.end(), args.begin(), args.end());
                run_result r = run_redirected(redirections, argv, CPU);
                EXPECT_EQ(r.status, 16);
                EXPECT_EQ(r.err, (args.front() == "-l" ? BANNER : "") + busy_text(f));
            }
        }
    }
    run_result r = run_backing_file(f, {"240"}, CPU);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(read_file(f), before);
}

// The device's lock is the simulated machine's chip file, as the real one's
// is the port device itself; KELB_SIM_LOCK names another. A run that finds it
// taken, or cannot open it, stops before any port access.
TEST(OneRun, DeviceRunWithoutTheLockStopsBeforeAnyPortAccess)
{
    const struct {
        const char *lock; // KELB_SIM_LOCK; null: the chip file
        bool held;
        int status;
        std::string message; // after the lock's path
    } cases[] = {
        {nullptr, true, 16, busy_text("")},
        {"device.lock", true, 16, busy_text("")},
        {"absent/device.lock", false, 8,
         ": " + errno_text(ENOENT) +
             "\nERROR: couldn't lock the NVRAM against other runs of kelb-cu; nothing was written\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lock ? c.lock : "chip");
        scratch_dir dir;
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        std::string lock = c.lock ? dir.file(c.lock) : chip;
        const bytes before = make_chip(9);
        write_file(chip, before);
        std::optional<held_lock> other;
        if (c.held)
            other.emplace(lock);
        std::vector<env_change> settings;
        if (c.lock)
            settings.emplace_back(SIM_LOCK, lock);
        run_result r = run_device(chip, log, {"-f", "-f", "230"}, settings);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, WARNING_LINES + lock + c.message);
        EXPECT_EQ(read_file(chip), before);
        EXPECT_EQ(port_lines(read_lines(log)), std::vector<std::string>{});
    }
}

// Taking the lock never waits, not even where an open would wait for a
// FIFO's writer: the run goes on under a time limit it would otherwise miss.
TEST(OneRun, TakingTheDeviceLockNeverWaits)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), fifo = dir.file("lock.fifo");
    const bytes before = make_chip(10);
    write_file(chip, before);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0) << errno_text(errno);
    std::vector<env_change> env = machine_env(chip, log, {{SIM_LOCK, fifo}});
    run_result r = run_program({"/usr/bin/timeout", "10", KELB_CU_SIM_PATH, "-f", "-f", "230"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(read_file(chip), before);
}

// Two real runs on the simulated device: the first waits in its dialogue,
// holding the chip.
TEST(OneRun, SecondDeviceRunIsRefusedWhileTheFirstIsInItsDialogue)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("first.log"), second_log = dir.file("second.log");
    const bytes before = make_chip(11);
    write_file(chip, before);
    {
        pty_session first({KELB_CU_SIM_PATH, "-f", "-f"}, machine_env(chip, log));
        ASSERT_TRUE(first.started());
        ASSERT_TRUE(first.expect("Type your selection")) << first.transcript();
        run_result r = run_device(chip, second_log, {"-f", "-f", "240"});
        EXPECT_EQ(r.status, 16);
        EXPECT_EQ(r.err, WARNING_LINES + busy_text(chip));
        EXPECT_EQ(port_lines(read_lines(second_log)), std::vector<std::string>{});
        first.type("\x04");
        EXPECT_EQ(first.wait(), 11) << first.transcript();
    }
    EXPECT_EQ(read_file(chip), before);
}

// A chip file that does not exist yet is a chip of zeros: the run makes it
// and takes its lock, and a store lands in it.
TEST(OneRun, MissingChipFileIsMadeAndLocked)
{
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
    run_result r = run_device(chip, log, {"-f", "-f", "230"});
    EXPECT_EQ(r.status, 0) << r.err;
    bytes after = read_file(chip);
    ASSERT_EQ(after.size(), 256u);
    EXPECT_EQ(after[CFG_NVRAM_OFFSET], 0x5e);
}
