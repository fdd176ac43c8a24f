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
    // The backing file itself (the caller has refused a FIFO or device in its
    // place), or the device's own node: nothing is made, and an open that
    // could wait (for a FIFO's writer) returns at once instead.
    place = path ? path : device_lock_places()[0];
    int fd = open(place, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return fd == -1 ? NVRAM_LOCK_FAILED : take(fd);
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
