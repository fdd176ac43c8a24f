#include "hw/nvram_lock.h"

#include <array>

// The system's lock directory; older systems keep it under /var only, and a
// minimal system (an initramfs, a rescue shell) may have neither.
std::span<const char *const> device_lock_places()
{
    static constexpr std::array<const char *, 3> places = {"/run/lock/kelb-cu.lock", "/var/lock/kelb-cu.lock",
                                                           "/tmp/kelb-cu.lock"};
    return places;
}
