#include "hw/nvram_lock.h"

#include <cerrno>
#include <windows.h>

namespace {

HANDLE held = nullptr;
bool held_is_mutex = false;
const char *place = "";

int errno_of(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    default:
        return EIO;
    }
}

int failed(DWORD error)
{
    errno = errno_of(error);
    return NVRAM_LOCK_FAILED;
}

// 2^62: beyond the bytes of any file, so the store's own writes are never in
// the locked range.
constexpr DWORD LOCK_OFFSET_HIGH = 0x40000000;

int lock_file(const char *path)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return failed(GetLastError());
    OVERLAPPED at = {};
    at.OffsetHigh = LOCK_OFFSET_HIGH;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        DWORD error = GetLastError();
        CloseHandle(h);
        return error == ERROR_LOCK_VIOLATION ? NVRAM_LOCK_BUSY : failed(error);
    }
    held = h;
    held_is_mutex = false;
    return NVRAM_LOCK_HELD;
}

int lock_device(const char *name)
{
    HANDLE m = CreateMutexA(nullptr, FALSE, name);
    if (!m)
        return failed(GetLastError());
    // An abandoned mutex is one whose holder ended without releasing it.
    DWORD got = WaitForSingleObject(m, 0);
    if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED) {
        CloseHandle(m);
        if (got == WAIT_TIMEOUT)
            return NVRAM_LOCK_BUSY;
        return failed(GetLastError());
    }
    held = m;
    held_is_mutex = true;
    return NVRAM_LOCK_HELD;
}

} // namespace

int nvram_lock(const char *path)
{
    place = path ? path : device_lock_places()[0];
    return path ? lock_file(path) : lock_device(place);
}

void nvram_unlock()
{
    if (!held)
        return;
    if (held_is_mutex)
        ReleaseMutex(held);
    // Closing the file's handle ends its lock.
    CloseHandle(held);
    held = nullptr;
}

const char *nvram_lock_place()
{
    return place;
}
