#include "cu/menu.h"

#include "cu/prompt.h"
#include "cu/settings_table.h"

#include <cstdint>
#include <cstdio>

using namespace named_settings;

namespace {

// The question for `s`, with `label`; false on end of input or interruption.
bool ask(std::FILE *in, nvram_config *c, const setting &s, const char *label)
{
    int answer = 0;
    switch (s.kind) {
    case value_kind::number:
        answer = prompt_int(in, label, static_cast<int>(get(*c, s)), static_cast<int>(s.lo), static_cast<int>(s.hi),
                            static_cast<int>(s.step));
        break;
    case value_kind::steps: {
        // A field counted in steps, asked as the decimal value it stands for.
        float unit = static_cast<float>(s.step) / 100.0f;
        float r = prompt_decimal(in, label, static_cast<float>(get(*c, s)) * unit, static_cast<float>(s.hi) * unit,
                                 unit);
        if (r < 0)
            return false;
        put(c, s, static_cast<unsigned>(r / unit)); // exact for every accepted answer
        return true;
    }
    case value_kind::choice:
        answer = prompt_choice(in, label, s.words, static_cast<int>(get(*c, s)));
        break;
    case value_kind::yes_no:
        answer = prompt_yes_no(in, label, static_cast<int>(get(*c, s)));
        if (answer >= 0)
            answer = answer != 0;
        break;
    }
    if (answer < 0)
        return false;
    put(c, s, static_cast<unsigned>(answer));
    return true;
}

// Whether a locked multiplier moves the question for `s` into `group`.
bool moved_here(const setting &s, question_group group, processor_facts cpu)
{
    return s.when_locked.label && s.when_locked.group == group && cpu.lock() == multiplier_lock::locked;
}

struct gate {
    question_group group;
    const char *label;
};

constexpr gate GATES[] = {
    {question_group::debugging, "Change debugging options"},
    {question_group::cpu, "Change advanced CPU options"},
    {question_group::northbridge, "Change advanced Northbridge options"},
    {question_group::memory, "Change advanced memory options"},
    {question_group::ht, "Change advanced HT options"},
};

// A group behind its gate question, which defaults to yes when a setting of
// the group differs from its default, offered here or not. A setting whose
// needs fail is set to its default instead of being asked.
bool ask_group(std::FILE *in, nvram_config *c, const gate &g, processor_facts cpu)
{
    bool any_offered = false, changed = false;
    for (const setting &s : SETTINGS) {
        if (s.group != g.group)
            continue;
        any_offered = any_offered || offered(s, cpu);
        changed = changed || get(*c, s) != default_of(s);
    }
    if (!any_offered)
        return true;
    // A question that a locked multiplier moves here counts, so a changed one
    // is shown, unless the multiplier is known to be unlocked.
    for (const setting &s : SETTINGS)
        if (s.when_locked.label && s.when_locked.group == g.group && cpu.lock() != multiplier_lock::unlocked)
            changed = changed || get(*c, s) != default_of(s);
    int open = prompt_yes_no(in, g.label, changed);
    if (open <= 0)
        return open == 0;
    for (const setting &s : SETTINGS)
        if (moved_here(s, g.group, cpu) && !ask(in, c, s, s.when_locked.label))
            return false;
    for (const setting &s : SETTINGS) {
        if (s.group != g.group || !offered(s, cpu))
            continue;
        if (s.needs && !s.needs(*c))
            put(c, s, default_of(s));
        else if (!ask(in, c, s, s.label))
            return false;
    }
    return true;
}

} // namespace

bool edit_settings(std::FILE *in, nvram_config *c, processor_facts cpu)
{
    for (const setting &s : SETTINGS) {
        bool moved = moved_here(s, s.when_locked.group, cpu);
        if (s.group == question_group::top && offered(s, cpu) && !moved && !ask(in, c, s, s.label))
            return false;
    }
    // A zero multiplier adjusts no P-state, asked or not.
    for (const setting &s : SETTINGS)
        if (s.cleared_by_zero && get(*c, row(s.cleared_by_zero)) == 0)
            put(c, s, 0);
    for (const gate &g : GATES)
        if (!ask_group(in, c, g, cpu))
            return false;
    return true;
}

bool run_menu(std::FILE *in, nvram_config *cfg)
{
    std::printf("Type your selection and press Enter.\n");
    std::printf("Plain Enter proceeds with value in square brackets.\n");
    std::printf("Press Ctrl+C to interrupt.\n\n");
    int reset = prompt_yes_no(in, "Reset KELB configuration to defaults (stock)", 0);
    if (reset < 0)
        return false;
    if (reset == 0) {
        // Asked afresh: these decide which questions apply from here on.
        if (!edit_settings(in, cfg, read_processor_facts()))
            return false;
    } else {
        cfg->target = 0;
    }
    std::printf("\n");
    return true;
}
