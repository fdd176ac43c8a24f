#include "sim/sim.h"

#include <cstdlib>

unsigned long sim_env_number(const char *name, unsigned long fallback)
{
    const char *v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    char *end;
    unsigned long n = std::strtoul(v, &end, 0);
    return *end ? fallback : n;
}
