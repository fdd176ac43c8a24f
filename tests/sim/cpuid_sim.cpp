// Placeholder simulated processor: leaf 0 reports leaf 1, leaf 1 family 0x10.
#include "hw/cpuid.h"

bool cpuid_query(std::uint32_t leaf, std::uint32_t regs[4])
{
    regs[0] = leaf == 0 ? 1 : 0x00100F00;
    regs[1] = regs[2] = regs[3] = 0;
    return true;
}
