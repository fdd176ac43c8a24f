#include "hw/nvram_identity.h"

#include <cerrno>
#include <io.h>
#include <windows.h>

namespace {

// The volume and the file's index on it name one file, whatever its path.
bool identity(int fd, BY_HANDLE_FILE_INFORMATION *info)
{
    auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, info) != 0;
}

} // namespace

int nvram_same_file(int a, int b)
{
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!identity(a, &ia) || !identity(b, &ib)) {
        errno = EBADF;
        return -1;
    }
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
                   ia.nFileIndexLow == ib.nFileIndexLow
               ? 1
               : 0;
}
