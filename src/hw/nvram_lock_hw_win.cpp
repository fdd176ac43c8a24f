#include "hw/nvram_lock.h"

#include <array>

// Global: one CMOS per machine, whatever the session of the run.
std::span<const char *const> device_lock_places()
{
    static constexpr std::array<const char *, 1> places = {"Global\\kelb-cu-nvram"};
    return places;
}
