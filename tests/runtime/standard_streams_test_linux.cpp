// The start-up rule of both programs, in a child process that starts with
// some standard descriptors closed: after the fill, the next file opened
// never takes 0, 1 or 2, and each closed one is known as such.
#include "runtime/standard_streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <initializer_list>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Exit status of the child: 0 when every check held, else the number of the first that failed.
int child_with_closed(const std::vector<int> &closed)
{
    for (int fd : closed)
        close(fd);
    if (fill_closed_standard_streams() != 0)
        return 1;
    for (int fd = 0; fd <= 2; fd++) {
        bool was_closed = std::find(closed.begin(), closed.end(), fd) != closed.end();
        if (standard_stream_was_closed(fd) != was_closed)
            return 2;
        // The filler is the null device: it reads as empty and takes writes.
        char c;
        if (was_closed && (read(fd, &c, 1) != 0 || write(fd, "x", 1) != 1))
            return 3;
    }
    int next = open("/dev/zero", O_RDONLY);
    return next > 2 ? 0 : 4;
}

} // namespace

TEST(StandardStreams, ClosedOnesAreFilledBeforeAnythingIsOpened)
{
    for (const std::vector<int> &closed : {std::vector<int>{1, 2}, {0, 1, 2}, {0}, {2}, {}}) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            _exit(child_with_closed(closed));
        int ws = 0;
        ASSERT_EQ(waitpid(pid, &ws, 0), pid);
        ASSERT_TRUE(WIFEXITED(ws));
        EXPECT_EQ(WEXITSTATUS(ws), 0) << "closed: " << closed.size() << " descriptors, first "
                                      << (closed.empty() ? -1 : closed.front());
    }
}
