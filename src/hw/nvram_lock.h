#pragma once
// One run of kelb-cu at a time on one NVRAM. Two runs on the same CMOS device
// would interleave their index and data port accesses (a byte can land at the
// other run's index), and two on the same backing file would overwrite each
// other's record. A run takes an exclusive lock before its first read of the
// NVRAM and holds it to the end of the run, on a handle of its own, so that
// the store may close and reopen its descriptor meanwhile. Taking it costs no
// port access.
//
// Linux: flock on the backing file itself (opened read-only; the caller has
// checked its path), or on the device's own node, /dev/port, which only a
// process allowed to write the NVRAM can open. Windows: LockFileEx on a range
// far beyond the backing file's bytes (byte-range locks are mandatory there
// and would block the store's own writes), or a named mutex for the device.
#include <span>

enum : int {
    NVRAM_LOCK_HELD = 0,
    NVRAM_LOCK_FAILED = -1, // errno set; nvram_lock_place names what failed
    NVRAM_LOCK_BUSY = -2,   // another run holds it
};

// path: the backing file, or null for the device.
int nvram_lock(const char *path);
// Releases the lock; harmless when none is held.
void nvram_unlock();
// The backing file or the device's lock, as messages name it.
const char *nvram_lock_place();

// Where the device's lock lives: the device node whose flock is the lock
// (Linux; the first place only), the mutex name (Windows). Real hardware's
// places; the simulated machine has its own.
std::span<const char *const> device_lock_places();
