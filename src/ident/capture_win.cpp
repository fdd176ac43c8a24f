#include "ident/capture.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>

int capture_stdout_begin()
{
    std::fflush(stdout);
    char path[261];
    DWORD len = GetTempPathA(sizeof path, path);
    if (len == 0 || len >= sizeof path) // a longer path does not fit the buffer
        return -1;
    path[len] = '\0';
    char *dir = _strdup(path);
    if (!dir)
        return -1;
    UINT unique = GetTempFileNameA(dir, "ke-", 0, path);
    std::free(dir);
    if (unique == 0)
        return -1;
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DeleteFileA(path);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return -1;
    }
    int saved = _dup(1);
    if (saved < 0) {
        _close(fd);
        return -1;
    }
    if (_dup2(fd, 1) < 0) {
        _close(saved);
        _close(fd);
        return -1;
    }
    _close(fd);
    return saved;
}

int capture_stdout_read(char *buffer, std::size_t size)
{
    if (_lseek(1, 0, SEEK_SET) < 0)
        return -1;
    return _read(1, buffer, static_cast<unsigned>(size));
}

int capture_stdout_end(int saved)
{
    int r = _dup2(saved, 1);
    _close(saved);
    return r;
}
