// The identification instruction of x86 processors.
#include "hw/cpuid.h"

#include <cpuid.h>

bool cpuid_query(std::uint32_t leaf, std::uint32_t regs[4])
{
    unsigned a, b, c, d;
    // __get_cpuid checks the instruction's availability (flag bit 21) and the
    // highest leaf before it executes it.
    if (!__get_cpuid(0, &a, &b, &c, &d))
        return false;
    if (leaf != 0 && !__get_cpuid(leaf, &a, &b, &c, &d))
        return false;
    regs[0] = a;
    regs[1] = b;
    regs[2] = c;
    regs[3] = d;
    return true;
}
