#include "runtime/standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

int fill_closed_standard_streams(bool output_refuses_writes)
{
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor is this one, since those below are open.
        // Without a null device, the root directory read-only holds the place:
        // writes to it fail and reach nothing.
        int filler = open("/dev/null", fd == 1 && output_refuses_writes ? O_RDONLY : O_RDWR);
        if (filler == -1)
            filler = open("/", O_RDONLY | O_DIRECTORY);
        if (filler == -1)
            return -1;
        if (filler != fd) {
            int moved = dup2(filler, fd);
            close(filler);
            if (moved != fd)
                return -1;
        }
        note_closed_standard_stream(fd);
    }
    return 0;
}
