// The simulated machine's device lock on Linux. The real device's lock is its
// own node; the simulated chip's is its chip file (KELB_SIM_CMOS), made empty
// when missing, which reads as a chip of zeros as before. KELB_SIM_LOCK names
// another path instead, which must exist as the real node does. Without a
// chip file the lock is kelb-cu-sim.lock in the working folder.
#include "hw/nvram_lock.h"

#include "sim/sim.h"

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

std::span<const char *const> device_lock_places()
{
    static std::string place;
    static const char *places[1];
    const char *named = std::getenv(SIM_LOCK);
    const char *chip = std::getenv(SIM_CMOS);
    if (named && *named) {
        place = named;
    } else {
        place = chip && *chip ? chip : "kelb-cu-sim.lock";
        int fd = open(place.c_str(), O_RDONLY | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd != -1)
            close(fd);
    }
    places[0] = place.c_str();
    return places;
}
