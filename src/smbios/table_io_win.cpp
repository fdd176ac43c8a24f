// The dump file's new file on Windows: a fresh name beside the target,
// created exclusively.
#include "smbios/table_io.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

std::string create_file_beside(const std::string &target)
{
    const unsigned long process = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < 1000; attempt++) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%lu-%u", process, attempt);
        std::string name = target + suffix;
        int fd = _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            _close(fd);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}
