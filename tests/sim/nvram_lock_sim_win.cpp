// The simulated machine's device mutex, named by KELB_SIM_LOCK or after its
// chip file: device runs of the tests keep off the real machine's mutex and
// off each other's.
#include "hw/nvram_lock.h"

#include "sim/sim.h"

#include <algorithm>
#include <cstdlib>
#include <string>

std::span<const char *const> device_lock_places()
{
    static std::string place;
    static const char *places[1];
    const char *named = std::getenv(SIM_LOCK);
    const char *chip = std::getenv(SIM_CMOS);
    if (named && *named)
        place = named;
    else if (chip && *chip)
        place = std::string(chip) + ".lock";
    else
        place = "kelb-cu-sim.lock";
    // A Windows mutex name holds no backslash.
    std::replace(place.begin(), place.end(), '\\', '/');
    places[0] = place.c_str();
    return places;
}
