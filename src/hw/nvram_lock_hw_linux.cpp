#include "hw/nvram_lock.h"

#include <array>

// The port device itself. Only a process with raw I/O rights (root) can open
// it, so nobody who may not write the NVRAM can hold its lock; and there is
// no lock file that another user could make, replace or hold.
std::span<const char *const> device_lock_places()
{
    static constexpr std::array<const char *, 1> places = {"/dev/port"};
    return places;
}
