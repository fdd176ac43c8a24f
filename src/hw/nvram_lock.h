#pragma once
// One run of kelb-cu at a time on one NVRAM. Two runs on the same CMOS device
// would interleave their index and data port accesses (a byte can land at the
// other run's index), and two on the same backing file would overwrite each
// other's record. Each NVRAM object takes an exclusive lock (nvram::lock)
// right after it is opened and before its first read, and holds it until the
// object goes, on a handle of its own, so that the store may close and reopen
// the NVRAM's descriptor meanwhile. Taking it costs no port access.
//
// Linux: flock on the backing file itself (opened read-only; the caller has
// checked its path), or on the device's own node, /dev/port, which only a
// process allowed to write the NVRAM can open. Windows: LockFileEx on a range
// far beyond the backing file's bytes (byte-range locks are mandatory there
// and would block the store's own writes), or a named mutex for the device.
#include <cstdint>
#include <span>

enum class nvram_lock_state {
    held,
    busy,   // another run holds it
    failed, // errno set; the handle's place names what failed
};

// The lock of one NVRAM, held from take until the handle goes. Its platform
// files take and release it.
class nvram_lock_handle {
public:
    nvram_lock_handle() = default;
    nvram_lock_handle(const nvram_lock_handle &) = delete;
    nvram_lock_handle &operator=(const nvram_lock_handle &) = delete;
    ~nvram_lock_handle();

    // backing_file: the backing file, or null for the device, whose lock is at
    // device_lock_places()[0]. The path must outlive the handle.
    nvram_lock_state take(const char *backing_file);
    // The backing file or the device's lock, as messages name it; "" before
    // take.
    const char *place() const { return place_; }

private:
    const char *place_ = "";
    bool held_ = false;
    bool device_ = false;
    // The platform's handle: a descriptor (Linux), a HANDLE (Windows).
    std::intptr_t handle_ = 0;
};

// Where the device's lock lives: the device node whose flock is the lock
// (Linux; the first place only), the mutex name (Windows). Real hardware's
// places; the simulated machine has its own.
std::span<const char *const> device_lock_places();
