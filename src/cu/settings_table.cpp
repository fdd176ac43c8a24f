#include "cu/settings_table.h"

#include <cstdio>

namespace named_settings {

std::uint8_t stored_bits(const nvram_config &c, const setting &s)
{
    const image_bits p = image_place(s);
    unsigned v = s.field == record_field::flags ? (c.flags & s.bit) != 0 : field_value(c, s.field);
    return static_cast<std::uint8_t>(((v / p.scale - p.bias) & image_mask(p)) << p.shift);
}

void load_bits(nvram_config *c, const setting &s, std::uint8_t image_byte)
{
    const image_bits p = image_place(s);
    unsigned v = (image_byte >> p.shift & image_mask(p)) + p.bias;
    if (s.field == record_field::flags)
        c->flags = static_cast<std::uint16_t>(v ? c->flags | s.bit : c->flags & ~s.bit);
    else
        set_field(c, s.field, v * p.scale);
}

unsigned get(const nvram_config &c, const setting &s)
{
    if (s.field != record_field::flags)
        return field_value(c, s.field);
    return ((c.flags & s.bit) != 0) != s.inverted;
}

void put(nvram_config *c, const setting &s, unsigned v)
{
    if (s.field != record_field::flags) {
        set_field(c, s.field, v);
        return;
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
    switch (s.kind) {
    case value_kind::number: return v >= s.lo && v <= s.hi && (v - s.lo) % s.step == 0;
    case value_kind::choice: return v < s.words.size();
    case value_kind::steps:
    case value_kind::yes_no: break;
    }
    return v <= s.hi;
}

bool in_image_range(const setting &s, unsigned v)
{
    if (s.stock && v == 0)
        return true;
    if (s.kind == value_kind::yes_no)
        return v <= 1;
    const image_bits p = image_place(s);
    return v % p.scale == 0 && v / p.scale >= p.bias && v / p.scale - p.bias <= image_mask(p);
}

namespace {

std::string number_text(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u", v);
    return buf;
}

// Hundredths as the shortest decimal: 0, 12.5, 87.5.
std::string decimal_text(unsigned hundredths)
{
    char buf[24];
    unsigned whole = hundredths / 100, frac = hundredths % 100;
    if (frac == 0)
        std::snprintf(buf, sizeof buf, "%u", whole);
    else if (frac % 10 == 0)
        std::snprintf(buf, sizeof buf, "%u.%u", whole, frac / 10);
    else
        std::snprintf(buf, sizeof buf, "%u.%02u", whole, frac);
    return buf;
}

} // namespace

std::string value_text(const setting &s, unsigned v)
{
    char buf[32];
    switch (s.kind) {
    case value_kind::number:
        if (s.stock && v == 0)
            return s.stock;
        return number_text(v);
    case value_kind::steps: {
        unsigned hundredths = v * s.step;
        std::snprintf(buf, sizeof buf, "+%u.%u", hundredths / 100, hundredths % 100 / 10);
        return buf;
    }
    case value_kind::choice:
        if (v < s.words.size())
            return s.words[v];
        return number_text(v);
    case value_kind::yes_no:
        break;
    }
    return v ? "yes" : "no";
}

std::string values_text(const setting &s)
{
    std::string t;
    switch (s.kind) {
    case value_kind::number:
        t = number_text(s.lo) + ".." + number_text(s.hi);
        break;
    case value_kind::steps:
        // With a unit, the range in plain numbers; without, as -l shows values.
        t = s.unit ? "0.." + decimal_text(s.hi * s.step) : value_text(s, 0) + ".." + value_text(s, s.hi);
        break;
    case value_kind::choice:
        for (std::size_t i = 0; i < s.words.size(); i++)
            t += std::string(i == 0 ? "" : i + 1 < s.words.size() ? ", " : " or ") + s.words[i];
        return t;
    case value_kind::yes_no:
        return YES_NO;
    }
    if (s.unit)
        t += std::string(" (") + s.unit + ")";
    if (s.kind == value_kind::steps)
        t += " in steps of " + decimal_text(s.step);
    else if (s.step != 1)
        t += " in steps of " + number_text(s.step);
    if (s.stock)
        t += std::string(", or ") + s.stock;
    return t;
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
    case restriction::multiplier_lock: return cpu.lock() != multiplier_lock::locked;
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
    case restriction::multiplier_lock: return cpu.lock() != multiplier_lock::unlocked;
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
        if (cpu.lock() == multiplier_lock::locked)
            return "the core multiplier is locked";
        std::snprintf(buf, sizeof buf, "the multiplier lock reads %d, not 0 (unlocked)", cpu.lock_reading);
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
