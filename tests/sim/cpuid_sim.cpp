// The simulated processor: its highest leaf and the EAX of leaf 1.
#include "hw/cpuid.h"

#include "sim/sim.h"

#include <cstdlib>
#include <cstring>

bool cpuid_query(std::uint32_t leaf, std::uint32_t regs[4])
{
    const char *max = std::getenv(SIM_CPUID_MAXLEAF);
    if (max && std::strcmp(max, "none") == 0)
        return false;
    auto highest = static_cast<std::uint32_t>(sim_env_number(SIM_CPUID_MAXLEAF, 1));
    if (leaf > highest)
        return false;
    regs[0] = leaf == 0 ? highest : static_cast<std::uint32_t>(sim_env_number(SIM_CPUID_EAX1, 0x00100F00));
    regs[1] = regs[2] = regs[3] = 0;
    return true;
}
