// The dump file's new file on Linux: mkstemp beside the target, with the
// permissions a newly created file gets (mkstemp makes it private).
#include "smbios/table_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

std::string create_file_beside(const std::string &target)
{
    std::string name = target + ".XXXXXX";
    int fd = mkstemp(name.data());
    if (fd < 0)
        return {};
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    if (close(fd) != 0) {
        int saved = errno;
        unlink(name.c_str());
        errno = saved;
        return {};
    }
    return name;
}
