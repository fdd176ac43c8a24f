// A dry run's report is all that it makes: one that cannot reach its reader
// fails the run, and a signal up to its last byte stops it. A run that stores
// keeps the store's status whatever becomes of its report.
#include "cu/run_texts.h"
#include "machine_run.h"
#include "support/process_linux.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const std::vector<env_change> CPU = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}};
const nvram_config PRIOR = {230, 0, 2800, 0, 1, 2, 0};

// kelb-cu -d file with the arguments, run by the shell with `redirections`.
run_result run_redirected(const std::string &redirections, const std::string &file,
                          const std::vector<std::string> &args, const std::string &before = "")
{
    std::vector<std::string> shell = {"/bin/sh", "-c", before + "exec \"$0\" \"$@\" " + redirections, KELB_CU_PATH,
                                      "-d", file};
    shell.insert(shell.end(), args.begin(), args.end());
    return run_program(shell, CPU);
}

std::string incomplete(int err)
{
    return "dry run: " + errno_text(err) + "\nERROR: the dry run's report is incomplete\n";
}

// The kernel's name for what a process waits in, empty once it has ended.
std::string waiting_in(pid_t pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/wchan");
    std::string w;
    std::getline(f, w);
    return w;
}

} // namespace

TEST(DryRunReport, ReportThatCannotBeWrittenEndsWithStatus17)
{
    struct {
        const char *redirections;
        std::vector<std::string> args;
        int err;
    } cases[] = {
        {">/dev/full", {"-n", "-s", "xmp=no"}, ENOSPC},
        {">&-", {"-n", "-s", "xmp=no"}, EBADF},
        {">/dev/full", {"-n", "240"}, ENOSPC},
        // "Configuration unchanged." is the report of a dry run too.
        {">/dev/full", {"-n", "-s", "xmp=yes"}, ENOSPC},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.redirections + (" " + c.args.back()));
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        const bytes before = chip_with_record(5, encode_config(PRIOR));
        write_file(f, before);
        run_result r = run_redirected(c.redirections, f, c.args);
        EXPECT_EQ(r.status, 17);
        EXPECT_EQ(r.err, incomplete(c.err));
        EXPECT_EQ(read_file(f), before);
    }
    // The same dry run on a pipe is whole.
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, chip_with_record(5, encode_config(PRIOR)));
    run_result r = run_redirected("", f, {"-n", "-s", "xmp=no"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, BANNER + FOUND + "xmp: yes -> no\nDry run: configuration not stored.\n");
    EXPECT_EQ(r.err, "");
}

// The store is the product of these runs; its report on standard output is
// only news of it, and its loss changes neither the status nor the record.
TEST(DryRunReport, StoringRunKeepsTheStoresStatusWithoutItsReport)
{
    const config_image stored = encode_config({230, CFG_NOXMP, 2800, 0, 1, 2, 0});
    struct {
        const char *redirections;
        const char *limit; // a file-size limit that makes the store fail, or none
        int status;
    } cases[] = {
        {">/dev/full", nullptr, 0},
        {">&-", nullptr, 0},
        {">/dev/full", "0", 12},
        {">&-", "0", 12},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.redirections + std::string(c.limit ? " limited" : ""));
        scratch_dir dir;
        std::string f = dir.file("nvram.bin");
        const bytes before = c.limit ? bytes(200, 0x33) : chip_with_record(5, encode_config(PRIOR));
        write_file(f, before);
        std::string prefix = c.limit ? std::string("exec prlimit --fsize=") + c.limit + " " : "";
        std::vector<std::string> shell = {"/bin/sh", "-c", prefix + "\"$0\" \"$@\" " + c.redirections,
                                          KELB_CU_PATH, "-d", f, "-s", "xmp=no"};
        run_result r = run_program(shell, CPU);
        EXPECT_EQ(r.status, c.status) << r.err;
        bytes after = read_file(f);
        if (c.status == 0) {
            EXPECT_EQ(r.err, "");
            ASSERT_EQ(after.size(), before.size());
            EXPECT_TRUE(std::equal(stored.begin(), stored.end(), after.begin() + CFG_NVRAM_OFFSET));
        } else {
            EXPECT_NE(r.err.find("ERROR: couldn't store configuration"), std::string::npos) << r.err;
            EXPECT_EQ(after, before);
        }
        EXPECT_EQ(r.err.find("incomplete"), std::string::npos) << r.err;
    }
}

// The dry run has read the record and is writing its report into a pipe that
// nobody reads, when SIGTERM comes: it ends as interrupted, not as done.
TEST(DryRunReport, SignalWhileTheReportIsWrittenEndsWithStatus11)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin"), err_file = dir.file("err.txt");
    const bytes before = chip_with_record(5, encode_config(PRIOR));
    write_file(f, before);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    // Full: the run's first write to it waits.
    fcntl(out[1], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, 'x');
    while (write(out[1], filler.data(), filler.size()) > 0) {
    }
    while (write(out[1], filler.data(), 1) > 0) {
    }
    fcntl(out[1], F_SETFL, 0);

    pid_t pid = fork();
    if (pid == 0) {
        int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out[1], 1);
        dup2(err, 2);
        close(out[0]);
        close(out[1]);
        // -D: the trace after the record's read flushes standard output first.
        exec_child({KELB_CU_PATH, "-d", f, "-D", "-n", "-s", "xmp=no"}, CPU);
    }
    ASSERT_GT(pid, 0);
    close(out[1]);
    // "pipe_write", or "anon_pipe_write" on newer kernels.
    auto in_pipe_write = [](const std::string &w) { return w.find("pipe_write") != std::string::npos; };
    std::string waits;
    for (int i = 0; i < 1000 && !in_pipe_write(waits = waiting_in(pid)); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(in_pipe_write(waits)) << waits;
    kill(pid, SIGTERM);
    // The trace follows once the signal has ended the wait: the pipe is
    // drained only then, so that the report's write is cut short for sure.
    auto err_text = [&] {
        bytes e = read_file(err_file);
        return std::string(e.begin(), e.end());
    };
    for (int i = 0; i < 1000 && err_text().find("main: cfg.cpumulti") == std::string::npos; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Drained, the pipe takes the rest of what the run writes.
    char buf[4096];
    std::string got;
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 11);
    // The trace shows that the record was read before the signal came.
    const std::string err = err_text();
    EXPECT_EQ(err.rfind("main: cfg.target: 230\n", 0), 0u) << err;
    EXPECT_EQ(err.find("incomplete"), std::string::npos) << err;
    EXPECT_NE(got.find("Signal received or EOF on input."), std::string::npos) << got;
    EXPECT_EQ(read_file(f), before);
}
