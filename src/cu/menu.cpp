#include "cu/menu.h"

#include "cu/prompt.h"
#include "hw/cpu.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::array<const char *, 4> NB_MULTI_WORDS = {"auto", "9x", "10x", "11x"};

bool has(const nvram_config *c, std::uint16_t bits)
{
    return (c->flags & bits) != 0;
}

void assign(nvram_config *c, std::uint16_t bit, bool set)
{
    c->flags = static_cast<std::uint16_t>(set ? c->flags | bit : c->flags & ~bit);
}

// A gate question: -1 failure, 0 no, 1 yes.
int gate(const char *label, bool def)
{
    int r = prompt_yes_no(label, def);
    return r < 0 ? -1 : r != 0;
}

// A yes/no question over one bit; `inverted` when yes means the bit clear.
bool ask_bit(const char *label, nvram_config *c, std::uint16_t bit, bool inverted = false)
{
    int r = prompt_yes_no(label, has(c, bit) != inverted);
    if (r < 0)
        return false;
    assign(c, bit, (r != 0) != inverted);
    return true;
}

// A field counted in steps of `unit`, asked as the decimal value it stands for.
bool ask_steps(const char *label, std::uint8_t *field, float max, float unit)
{
    float r = prompt_decimal(label, *field * unit, max, unit);
    if (r < 0)
        return false;
    *field = static_cast<std::uint8_t>(r / unit); // exact for every accepted answer
    return true;
}

bool core_voltage(nvram_config *c, const char *label)
{
    return ask_steps(label, &c->vcore, 87.5f, 12.5f);
}

bool debugging_options(nvram_config *c)
{
    int open = gate("Change debugging options", has(c, CFG_MULTISET | CFG_WARMONLY));
    if (open <= 0)
        return open == 0;
    return ask_bit("    Perform multiple refclock sets (not recommended)", c, CFG_MULTISET) &&
           ask_bit("    Configure refclock on warm reset only (not recommended)", c, CFG_WARMONLY);
}

bool cpu_options(nvram_config *c, int lock)
{
    // A locked processor only offers the core voltage here, so a changed one is shown.
    bool def = has(c, CFG_PSTATE_FREE | CFG_MULTI_ALLP) || (c->vcore != 2 && lock != 0);
    int open = gate("Change advanced CPU options", def);
    if (open <= 0)
        return open == 0;
    if (lock == 1 && !core_voltage(c, "    Limited core voltage adjustment (USE WITH CARE) -- mV"))
        return false;
    if (!ask_bit("    Lock the CPU to maximal performance P-state", c, CFG_PSTATE_FREE, true))
        return false;
    if (c->cpumulti != 0 && has(c, CFG_PSTATE_FREE))
        return ask_bit("    Core multiplier: adjust multiplier of all P-states (USE WITH CARE)", c,
                       CFG_MULTI_ALLP);
    assign(c, CFG_MULTI_ALLP, false);
    return true;
}

bool northbridge_options(nvram_config *c, int family)
{
    if (family != 6 && family != -1)
        return true;
    int open = gate("Change advanced Northbridge options", c->nbmulti != 0 || c->nbv != 1);
    if (open <= 0)
        return open == 0;
    if (!ask_steps("    Northbridge voltage adjustment -- mV", &c->nbv, 37.5f, 12.5f))
        return false;
    int r = prompt_choice("    Northbridge frequency multiplier", NB_MULTI_WORDS, c->nbmulti);
    if (r < 0)
        return false;
    c->nbmulti = static_cast<std::uint16_t>(r);
    return true;
}

bool memory_options(nvram_config *c, int family)
{
    constexpr std::uint16_t MEMORY_BITS =
        CFG_NOXMP | CFG_MEMFAST | CFG_XMP_NOMERGE | CFG_DIMM_1V5 | CFG_MEM_RELAX | CFG_MEM_1T;
    int open = gate("Change advanced memory options", has(c, MEMORY_BITS));
    if (open <= 0)
        return open == 0;
    if (!ask_bit("    Use XMP profile 1, if available", c, CFG_NOXMP, true))
        return false;
    // Without XMP there are no lists to merge.
    if (!has(c, CFG_NOXMP)) {
        if (!ask_bit("    XMP1: merge JEDEC and XMP CAS latency lists", c, CFG_XMP_NOMERGE, true))
            return false;
    } else {
        assign(c, CFG_XMP_NOMERGE, false);
    }
    if (family == 1 || family == -1) {
        if (!ask_bit("    Allow effective memory speeds above DDR3-1333", c, CFG_MEMFAST))
            return false;
        // 1T command rate only applies to the fast memory modes.
        if (has(c, CFG_MEMFAST)) {
            if (!ask_bit("    Force 1T command rate in 1 UDIMM/ch configurations", c, CFG_MEM_1T))
                return false;
        } else {
            assign(c, CFG_MEM_1T, false);
        }
    }
    return ask_bit("    Force 1.5V DIMM Vdd (DANGEROUS)", c, CFG_DIMM_1V5) &&
           ask_bit("    Relax memory timings", c, CFG_MEM_RELAX);
}

bool ht_options(nvram_config *c)
{
    int open = gate("Change advanced HT options", has(c, CFG_HT_ALT) || c->htlimit != 3200);
    if (open <= 0)
        return open == 0;
    int r = prompt_int("    Effective HT frequency cap", c->htlimit, 2500, 3200, 100);
    if (r < 0)
        return false;
    c->htlimit = static_cast<std::uint16_t>(r);
    return ask_bit("    Use alternative HT tuning", c, CFG_HT_ALT);
}

} // namespace

bool edit_settings(nvram_config *c, int family, int lock)
{
    int r = prompt_int("Reference clock", c->target, 200, 262, 1);
    if (r < 0)
        return false;
    c->target = static_cast<std::uint16_t>(r);
    // A locked multiplier leaves only a limited core voltage, asked with the CPU options.
    if (lock != 1) {
        if (!ask_steps("Core multiplier adjustment (USE WITH CARE)", &c->cpumulti, 15.5f, 0.5f) ||
            !core_voltage(c, "Core voltage adjustment (USE WITH CARE) -- mV"))
            return false;
    }
    if (c->cpumulti == 0)
        assign(c, CFG_MULTI_ALLP, false);
    return debugging_options(c) && cpu_options(c, lock) && northbridge_options(c, family) &&
           memory_options(c, family) && ht_options(c);
}

bool run_menu()
{
    std::printf("Type your selection and press Enter.\n");
    std::printf("Plain Enter proceeds with value in square brackets.\n");
    std::printf("Press Ctrl+C to interrupt.\n\n");
    int reset = prompt_yes_no("Reset KELB configuration to defaults (stock)", 0);
    if (reset < 0)
        return false;
    if (reset == 0) {
        // Asked afresh: these decide which questions apply from here on.
        int family = cpu_extended_family();
        int lock = cpu_is_locked();
        if (!edit_settings(&cfg, family, lock))
            return false;
    } else {
        cfg.target = 0;
    }
    std::printf("\n");
    return true;
}
