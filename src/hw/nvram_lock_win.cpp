#include "hw/nvram_lock.h"

#include <cerrno>
#include <windows.h>

namespace {

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

nvram_lock_state failed(DWORD error)
{
    errno = errno_of(error);
    return nvram_lock_state::failed;
}

// 2^62: beyond the bytes of any file, so the store's own writes are never in
// the locked range.
constexpr DWORD LOCK_OFFSET_HIGH = 0x40000000;

nvram_lock_state lock_file(const char *path, HANDLE *held)
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
        return error == ERROR_LOCK_VIOLATION ? nvram_lock_state::busy : failed(error);
    }
    *held = h;
    return nvram_lock_state::held;
}

nvram_lock_state lock_device(const char *name, HANDLE *held)
{
    HANDLE m = CreateMutexA(nullptr, FALSE, name);
    if (!m)
        return failed(GetLastError());
    // An abandoned mutex is one whose holder ended without releasing it.
    DWORD got = WaitForSingleObject(m, 0);
    if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED) {
        CloseHandle(m);
        if (got == WAIT_TIMEOUT)
            return nvram_lock_state::busy;
        return failed(GetLastError());
    }
    *held = m;
    return nvram_lock_state::held;
}

} // namespace

nvram_lock_state nvram_lock_handle::take(const char *backing_file)
{
    if (held_)
        return nvram_lock_state::held;
    device_ = !backing_file;
    place_ = backing_file ? backing_file : device_lock_places()[0];
    HANDLE h = nullptr;
    nvram_lock_state got = device_ ? lock_device(place_, &h) : lock_file(place_, &h);
    if (got == nvram_lock_state::held) {
        handle_ = reinterpret_cast<std::intptr_t>(h);
        held_ = true;
    }
    return got;
}

nvram_lock_handle::~nvram_lock_handle()
{
    if (!held_)
        return;
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    if (device_)
        ReleaseMutex(h);
    // Closing the file's handle ends its lock.
    CloseHandle(h);
}
