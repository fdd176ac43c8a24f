#include "hw/cpu.h"

#include "hw/cpuid.h"
#include "hw/ols.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A variable counts as set when present at all, even empty.
bool env_override(const char *name, int *value)
{
    const char *v = std::getenv(name);
    if (!v)
        return false;
    *value = std::atoi(v);
    return true;
}

constexpr std::uint32_t LOCK_REGISTER = 0x80;
constexpr unsigned LOCK_MASK = 0x00088000;
constexpr unsigned UNLOCKED = 0x00080000;

} // namespace

int cpu_lock_from_register(unsigned value)
{
    return (value & LOCK_MASK) == UNLOCKED ? 0 : 1;
}

int cpu_family_from_eax(unsigned eax)
{
    return static_cast<int>(eax >> 20 & 0xFF);
}

int cpu_is_locked()
{
    int v;
    if (env_override(ENV_CPU_LOCKED, &v))
        return v;
    std::uint32_t reg = 0;
    if (!ols_read_pci_config_dword_ex(ols_pci_address(0, 0, 0), LOCK_REGISTER, &reg))
        return -1;
    return cpu_lock_from_register(reg);
}

int cpu_extended_family()
{
    int v;
    if (env_override(ENV_CPU_FAMILY, &v))
        return v;
    std::uint32_t regs[4];
    // Without the instruction or its leaf 1 there is no safe answer.
    if (!cpuid_query(0, regs) || regs[0] == 0)
        std::abort();
    cpuid_query(1, regs);
    return cpu_family_from_eax(regs[0]);
}
