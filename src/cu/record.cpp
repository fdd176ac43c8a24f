#include "cu/record.h"

unsigned field_value(const nvram_config &c, record_field f)
{
    switch (f) {
    case record_field::target: return c.target;
    case record_field::cpumulti: return c.cpumulti;
    case record_field::vcore: return c.vcore;
    case record_field::nbv: return c.nbv;
    case record_field::nbmulti: return c.nbmulti;
    case record_field::htlimit: return c.htlimit;
    case record_field::flags: return c.flags;
    }
    return 0;
}

void set_field(nvram_config *c, record_field f, unsigned v)
{
    switch (f) {
    case record_field::target: c->target = static_cast<std::uint16_t>(v); return;
    case record_field::cpumulti: c->cpumulti = static_cast<std::uint8_t>(v); return;
    case record_field::vcore: c->vcore = static_cast<std::uint8_t>(v); return;
    case record_field::nbv: c->nbv = static_cast<std::uint8_t>(v); return;
    case record_field::nbmulti: c->nbmulti = static_cast<std::uint16_t>(v); return;
    case record_field::htlimit: c->htlimit = static_cast<std::uint16_t>(v); return;
    case record_field::flags: c->flags = static_cast<std::uint16_t>(v); return;
    }
}

bool records_differ(const nvram_config &a, const nvram_config &b)
{
    for (const field_name &f : RECORD_FIELDS)
        if (field_value(a, f.field) != field_value(b, f.field))
            return true;
    return false;
}
