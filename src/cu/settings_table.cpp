#include "cu/settings_table.h"

#include <cstdio>

namespace named_settings {

unsigned get(const nvram_config &c, const setting &s)
{
    switch (s.field) {
    case record_field::target: return c.target;
    case record_field::cpumulti: return c.cpumulti;
    case record_field::vcore: return c.vcore;
    case record_field::nbv: return c.nbv;
    case record_field::nbmulti: return c.nbmulti;
    case record_field::htlimit: return c.htlimit;
    case record_field::flags: break;
    }
    return ((c.flags & s.bit) != 0) != s.inverted;
}

void put(nvram_config *c, const setting &s, unsigned v)
{
    switch (s.field) {
    case record_field::target: c->target = static_cast<std::uint16_t>(v); return;
    case record_field::cpumulti: c->cpumulti = static_cast<std::uint8_t>(v); return;
    case record_field::vcore: c->vcore = static_cast<std::uint8_t>(v); return;
    case record_field::nbv: c->nbv = static_cast<std::uint8_t>(v); return;
    case record_field::nbmulti: c->nbmulti = static_cast<std::uint16_t>(v); return;
    case record_field::htlimit: c->htlimit = static_cast<std::uint16_t>(v); return;
    case record_field::flags: break;
    }
    bool set = (v != 0) != s.inverted;
    c->flags = static_cast<std::uint16_t>(set ? c->flags | s.bit : c->flags & ~s.bit);
}

unsigned default_of(const setting &s)
{
    return get(CFG_DEFAULTS, s);
}

bool on_grid(const setting &s, unsigned v)
{
    if (s.kind == value_kind::number)
        return v >= s.lo && v <= s.hi && (v - s.lo) % s.step == 0;
    return v <= s.hi;
}

bool in_image_range(const setting &s, unsigned v)
{
    if (s.field == record_field::target)
        return v == 0 || (v >= REFCLOCK_MIN && v <= REFCLOCK_IMAGE_MAX);
    if (s.field == record_field::nbmulti)
        return v <= NB_MULTI_IMAGE_MAX;
    return on_grid(s, v);
}

std::string value_text(const setting &s, unsigned v)
{
    char buf[32];
    switch (s.kind) {
    case value_kind::number:
        if (s.field == record_field::target && v == 0)
            return "stock";
        std::snprintf(buf, sizeof buf, "%u", v);
        return buf;
    case value_kind::steps: {
        unsigned hundredths = v * s.step;
        std::snprintf(buf, sizeof buf, "+%u.%u", hundredths / 100, hundredths % 100 / 10);
        return buf;
    }
    case value_kind::choice:
        if (v < NB_MULTI_WORDS.size())
            return NB_MULTI_WORDS[v];
        std::snprintf(buf, sizeof buf, "%u", v);
        return buf;
    case value_kind::yes_no:
        break;
    }
    return v ? "yes" : "no";
}

namespace {
bool family_is(processor_facts cpu, int family)
{
    return cpu.family == family || cpu.family == FAMILY_ANY;
}
} // namespace

bool offered(const setting &s, processor_facts cpu)
{
    switch (s.rule) {
    case restriction::none: return true;
    case restriction::multiplier_lock: return cpu.lock != 1;
    case restriction::northbridge: return family_is(cpu, FAMILY_NO_FAST_MEMORY);
    case restriction::fast_memory: return family_is(cpu, FAMILY_FIXED_NORTHBRIDGE);
    case restriction::never_asked: return false;
    }
    return true;
}

bool forced(const setting &s, processor_facts cpu)
{
    switch (s.rule) {
    case restriction::none:
    case restriction::never_asked: return false;
    case restriction::multiplier_lock: return cpu.lock != 0;
    case restriction::northbridge: return cpu.family == FAMILY_FIXED_NORTHBRIDGE;
    case restriction::fast_memory: return cpu.family == FAMILY_NO_FAST_MEMORY;
    }
    return false;
}

std::string constraint_text(const setting &s, processor_facts cpu)
{
    char buf[96];
    switch (s.rule) {
    case restriction::none:
        return "";
    case restriction::never_asked:
        return "no question of the dialogue sets it";
    case restriction::multiplier_lock:
        if (cpu.lock == 1)
            return "the core multiplier is locked";
        std::snprintf(buf, sizeof buf, "the multiplier lock reads %d, not 0 (unlocked)", cpu.lock);
        return buf;
    case restriction::northbridge:
        if (cpu.family == FAMILY_FIXED_NORTHBRIDGE)
            return "extended family 1 keeps the northbridge at +12.5 mV, auto";
        std::snprintf(buf, sizeof buf, "the dialogue offers it on extended family 6, this is %d", cpu.family);
        return buf;
    case restriction::fast_memory:
        if (cpu.family == FAMILY_NO_FAST_MEMORY)
            return "extended family 6 has no faster memory modes";
        std::snprintf(buf, sizeof buf, "the dialogue offers it on extended family 1, this is %d", cpu.family);
        return buf;
    }
    return "";
}

} // namespace named_settings
