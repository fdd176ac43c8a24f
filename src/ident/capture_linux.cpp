#include "ident/capture.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int capture_stdout_begin()
{
    std::fflush(stdout);
    const char *dir = std::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : P_tmpdir) + "/ke-XXXXXX";
    // mkostemp creates the file with mode 0600; the name goes at once, so the
    // file lives only as long as a descriptor refers to it.
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    unlink(name.c_str());
    int saved = dup(1);
    if (saved < 0) {
        close(fd);
        return -1;
    }
    if (dup2(fd, 1) < 0) {
        close(saved);
        close(fd);
        return -1;
    }
    close(fd);
    return saved;
}

int capture_stdout_read(char *buffer, std::size_t size)
{
    if (lseek(1, 0, SEEK_SET) < 0)
        return -1;
    return static_cast<int>(read(1, buffer, size));
}

int capture_stdout_end(int saved)
{
    int r = dup2(saved, 1);
    close(saved);
    return r;
}
