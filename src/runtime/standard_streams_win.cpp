#include "runtime/standard_streams.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {
constexpr DWORD STD_HANDLE_IDS[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
} // namespace

int fill_closed_standard_streams(bool output_refuses_writes)
{
    for (int fd = 0; fd <= 2; fd++) {
        // The C runtime gives -2 for a descriptor whose standard handle was
        // missing when the program started, -1 for one not open at all.
        intptr_t os = _get_osfhandle(fd);
        if (os == -1 || os == -2) {
            int filler = _open("NUL", (fd == 1 && output_refuses_writes ? _O_RDONLY : _O_RDWR) | _O_BINARY);
            if (filler == -1)
                return -1;
            if (filler != fd) {
                int moved = _dup2(filler, fd);
                _close(filler);
                if (moved != 0)
                    return -1;
            }
            note_closed_standard_stream(fd);
            os = _get_osfhandle(fd);
        }
        // The standard handle, which the system's own calls use, follows the
        // descriptor.
        HANDLE h = GetStdHandle(STD_HANDLE_IDS[fd]);
        if ((h == nullptr || h == INVALID_HANDLE_VALUE) && !SetStdHandle(STD_HANDLE_IDS[fd], reinterpret_cast<HANDLE>(os)))
            return -1;
    }
    return 0;
}
