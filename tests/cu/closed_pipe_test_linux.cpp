// Standard output a pipe whose reader has gone (`kelb-cu ... | true`): a
// write error, never an end by SIGPIPE. The reader is gone before the run
// starts, so every write of the run meets it.
#include "cu/config.h"
#include "run_texts.h"
#include "support/files.h"
#include "support/process_linux.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct piped_run {
    int status = -1;
    std::string err;
};

// The production kelb-cu on a backing file, standard output into a pipe
// without a reader, standard error into `err_file`.
piped_run run_into_closed_pipe(const std::vector<std::string> &args, const std::string &err_file)
{
    int p[2];
    if (pipe(p) != 0)
        return {};
    close(p[0]);
    pid_t pid = fork();
    if (pid == 0) {
        int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(p[1], 1);
        dup2(err, 2);
        close(p[1]);
        close(err);
        std::vector<std::string> argv = {KELB_CU_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        // Every signal at its default, as a shell starts a pipeline's programs: SIGPIPE too.
        exec_child(argv, {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "16"}, {"KELB_DEBUG_CPU_LOCKED", "1"}});
    }
    close(p[1]);
    int ws = 0;
    waitpid(pid, &ws, 0);
    piped_run r;
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    bytes e = read_file(err_file);
    r.err.assign(e.begin(), e.end());
    return r;
}

TEST(ClosedPipe, StoreKeepsItsStatusAndListingFailsWith17)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin"), err = dir.file("err.txt");
    bytes before(256, 0);
    config_image found = encode_config(CFG_DEFAULTS);
    std::copy(found.begin(), found.end(), before.begin() + CFG_NVRAM_OFFSET);
    write_file(f, before);

    // The store happens and the run says so by its status; its report is lost.
    piped_run stored = run_into_closed_pipe({"-d", f, "-s", "xmp=no"}, err);
    EXPECT_EQ(stored.status, 0) << stored.err;
    const bytes after = read_file(f);
    config_image now;
    std::copy(after.begin() + CFG_NVRAM_OFFSET, after.begin() + CFG_NVRAM_OFFSET + 6, now.begin());
    nvram_config got{};
    ASSERT_EQ(decode_config(now, &got), CONFIG_VALID);
    EXPECT_EQ(got.flags, CFG_NOXMP);

    // -D flushes standard output before its trace, long before the store: the
    // run goes on to store all the same.
    stored = run_into_closed_pipe({"-d", f, "-D", "-s", "xmp=yes"}, err);
    EXPECT_EQ(stored.status, 0) << stored.err;
    EXPECT_EQ(read_file(f), before);
    piped_run again = run_into_closed_pipe({"-d", f, "-s", "xmp=no"}, err);
    ASSERT_EQ(again.status, 0) << again.err;
    ASSERT_EQ(read_file(f), after);

    // The listing is the run's whole product: its loss is status 17.
    piped_run listed = run_into_closed_pipe({"-d", f, "-l"}, err);
    EXPECT_EQ(listed.status, 17);
    EXPECT_EQ(listed.err, BANNER + FOUND + "listing: " + std::strerror(EPIPE) + "\nERROR: the listing is incomplete\n");
    EXPECT_EQ(read_file(f), after);
}

} // namespace
