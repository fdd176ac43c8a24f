#include "runtime/standard_streams.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

constexpr DWORD STD_HANDLE_IDS[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};

FILE *standard_stream(int fd)
{
    return fd == 0 ? stdin : fd == 1 ? stdout : stderr;
}

// The C runtime ties each standard stream at start-up to the descriptor it
// found then; for a missing handle the stream holds none at all (-2), and
// refuses to be reopened, so a descriptor filled later would never reach it.
// The stream is pointed at the filled descriptor, before any of its I/O. A
// runtime whose FILE is opaque gets the stream reopened instead.
template <typename Stream>
bool tie_stream(Stream *stream, int fd, bool read_only)
{
    if (_fileno(stream) == fd)
        return true;
    if constexpr (requires(Stream *s) { s->_file = fd; }) {
        stream->_file = fd;
        return _fileno(stream) == fd;
    } else {
        return std::freopen("NUL", fd == 0 || read_only ? "r" : "w", stream) != nullptr;
    }
}

// Opens descriptor `fd` on the null device, with its stream; read-only, every
// write to it fails.
bool fill(int fd, bool read_only)
{
    int filler = _open("NUL", (read_only ? _O_RDONLY : _O_RDWR) | _O_BINARY);
    if (filler == -1)
        return false;
    if (filler != fd) {
        int moved = _dup2(filler, fd);
        _close(filler);
        if (moved != 0)
            return false;
    }
    return tie_stream(standard_stream(fd), fd, read_only);
}

} // namespace

int fill_closed_standard_streams(bool output_refuses_writes)
{
    for (int fd = 0; fd <= 2; fd++) {
        // The C runtime gives -2 for a descriptor whose standard handle was
        // missing when the program started, -1 for one not open at all.
        intptr_t os = _get_osfhandle(fd);
        if (os == -1 || os == -2) {
            if (!fill(fd, fd == 1 && output_refuses_writes))
                return -1;
            note_closed_standard_stream(fd);
            os = _get_osfhandle(fd);
            if (os == -1)
                return -1;
        }
        // The standard handle, which the system's own calls use, follows the
        // descriptor.
        HANDLE h = GetStdHandle(STD_HANDLE_IDS[fd]);
        bool missing = h == nullptr || h == INVALID_HANDLE_VALUE;
        if ((missing || standard_stream_was_closed(fd)) && !SetStdHandle(STD_HANDLE_IDS[fd], reinterpret_cast<HANDLE>(os)))
            return -1;
    }
    return 0;
}
