#include "hw/nvram_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

nvram_lock_state nvram_lock_handle::take(const char *backing_file)
{
    if (held_)
        return nvram_lock_state::held;
    device_ = !backing_file;
    // The backing file itself (the caller has refused a FIFO or device in its
    // place), or the device's own node: nothing is made, and an open that
    // could wait (for a FIFO's writer) returns at once instead.
    place_ = backing_file ? backing_file : device_lock_places()[0];
    int fd = open(place_, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1)
        return nvram_lock_state::failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        close(fd);
        errno = err;
        return err == EWOULDBLOCK ? nvram_lock_state::busy : nvram_lock_state::failed;
    }
    handle_ = fd;
    held_ = true;
    return nvram_lock_state::held;
}

nvram_lock_handle::~nvram_lock_handle()
{
    // Closing the only descriptor of its open file ends the flock.
    if (held_)
        close(static_cast<int>(handle_));
}
