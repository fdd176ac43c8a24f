#include "hw/nvram_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int lock_fd = -1;
const char *place = "";

int take(int fd)
{
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lock_fd = fd;
        return NVRAM_LOCK_HELD;
    }
    int err = errno;
    close(fd);
    errno = err;
    return err == EWOULDBLOCK ? NVRAM_LOCK_BUSY : NVRAM_LOCK_FAILED;
}

} // namespace

int nvram_lock(const char *path)
{
    if (path) {
        place = path;
        int fd = open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return fd == -1 ? NVRAM_LOCK_FAILED : take(fd);
    }
    // The device's lock file, in the first of its directories that exists:
    // every run on the machine picks the same one. Any other failure refuses
    // the run rather than lock elsewhere; a link in its place is not followed.
    std::span<const char *const> candidates = device_lock_places();
    for (const char *candidate : candidates) {
        place = candidate;
        int fd = open(candidate, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
        if (fd != -1)
            return take(fd);
        if (errno != ENOENT)
            return NVRAM_LOCK_FAILED;
    }
    place = candidates[0]; // no directory exists: named after the first
    errno = ENOENT;
    return NVRAM_LOCK_FAILED;
}

void nvram_unlock()
{
    if (lock_fd != -1)
        close(lock_fd);
    lock_fd = -1;
}

const char *nvram_lock_place()
{
    return place;
}
