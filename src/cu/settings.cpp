#include "cu/settings.h"

#include "cu/ctrl.h"
#include "cu/settings_table.h"
#include "hw/cpu.h"
#include "runtime/diagnostics.h"

#include <cerrno>
#include <cstdio>

using namespace named_settings;

settings_options settings_cli;

namespace {

// A bit the dialogue only leaves set while `holds` is true of the record: when
// a change to one of `triggers` makes it false, the dialogue clears the bit
// without asking; setting the bit where it is false is not offered.
struct dependency {
    std::size_t dependent;
    bool (*holds)(const nvram_config &);
    std::array<std::size_t, 2> triggers;
    const char *needs;
};

constexpr dependency DEPENDENCIES[] = {
    {index_of("all-pstates"),
     [](const nvram_config &c) { return c.cpumulti != 0 && (c.flags & CFG_PSTATE_FREE) != 0; },
     {index_of("core-multiplier"), index_of("pstate-lock")}, "core-multiplier above +0.0 and pstate-lock=no"},
    {index_of("xmp-merge"), [](const nvram_config &c) { return (c.flags & CFG_NOXMP) == 0; },
     {index_of("xmp"), index_of("xmp")}, "xmp=yes"},
    {index_of("force-1t"), [](const nvram_config &c) { return (c.flags & CFG_MEMFAST) != 0; },
     {index_of("fast-memory"), index_of("fast-memory")}, "fast-memory=yes"},
};
static_assert(REFCLOCK < SETTING_COUNT && index_of("ht-alt-tuning") == SETTING_COUNT - 1);

bool all_digits(std::string_view t)
{
    if (t.empty() || t.size() > 6)
        return false;
    for (char ch : t)
        if (ch < '0' || ch > '9')
            return false;
    return true;
}

unsigned to_unsigned(std::string_view t)
{
    unsigned v = 0;
    for (char ch : t)
        v = v * 10 + static_cast<unsigned>(ch - '0');
    return v;
}

bool same_word(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); i++) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i])
            return false;
    }
    return true;
}

// The field value that `text` stands for, when it is one the question accepts.
std::optional<unsigned> parse_value(const setting &s, std::string_view text)
{
    switch (s.kind) {
    case value_kind::number: {
        if (s.field == record_field::target && text == "stock")
            return 0u;
        if (!all_digits(text))
            return std::nullopt;
        unsigned v = to_unsigned(text);
        return on_grid(s, v) ? std::optional<unsigned>(v) : std::nullopt;
    }
    case value_kind::steps: {
        // [+]digits[.d[d]], compared exactly in hundredths.
        if (!text.empty() && text[0] == '+')
            text.remove_prefix(1);
        std::string_view whole = text.substr(0, text.find('.')), frac;
        if (whole.size() < text.size())
            frac = text.substr(whole.size() + 1);
        bool has_point = whole.size() < text.size();
        if (!all_digits(whole) || whole.size() > 3 || frac.size() > 2 || (has_point && !all_digits(frac)))
            return std::nullopt;
        unsigned hundredths = to_unsigned(whole) * 100 + to_unsigned(frac) * (frac.size() == 1 ? 10 : 1);
        if (hundredths % s.step != 0 || hundredths / s.step > s.hi)
            return std::nullopt;
        return hundredths / s.step;
    }
    case value_kind::choice:
        for (std::size_t i = 0; i < NB_MULTI_WORDS.size(); i++)
            if (text == NB_MULTI_WORDS[i])
                return static_cast<unsigned>(i);
        return std::nullopt;
    case value_kind::yes_no:
        break;
    }
    if (same_word(text, "yes"))
        return 1u;
    if (same_word(text, "no"))
        return 0u;
    return std::nullopt;
}

std::string_view trimmed(std::string_view t)
{
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r'))
        t.remove_suffix(1);
    return t;
}

// One "name=value" from `where` into `out`; a second, different value for a
// name is an error.
bool parse_assignment(const char *program, const std::string &where, std::string_view text,
                      assignment_list *out)
{
    std::size_t eq = text.find('=');
    std::string_view name = trimmed(text.substr(0, eq));
    if (eq == std::string_view::npos || name.empty()) {
        report_error("%s: %s: not a name=value line -- '%.*s'\n", program, where.c_str(),
                   static_cast<int>(text.size()), text.data());
        return false;
    }
    std::string_view value = trimmed(text.substr(eq + 1));
    std::size_t i = index_of(name);
    if (i == SETTING_COUNT) {
        std::string names;
        for (const setting &s : SETTINGS)
            names += std::string(names.empty() ? "" : ", ") + s.name;
        report_error("%s: %s: unknown setting -- '%.*s' (settings: %s)\n", program, where.c_str(),
                   static_cast<int>(name.size()), name.data(), names.c_str());
        return false;
    }
    const setting &s = SETTINGS[i];
    std::optional<unsigned> v = parse_value(s, value);
    if (!v) {
        report_error("%s: %s: invalid %s -- '%.*s' (allowed: %s)\n", program, where.c_str(), s.name,
                   static_cast<int>(value.size()), value.data(), s.values);
        return false;
    }
    if ((*out)[i] && *(*out)[i] != *v) {
        report_error("%s: %s: %s given twice, as %s and as %s\n", program, where.c_str(), s.name,
                   value_text(s, *(*out)[i]).c_str(), value_text(s, *v).c_str());
        return false;
    }
    (*out)[i] = v;
    return true;
}

bool read_all(std::FILE *in, std::string *text)
{
    char buf[4096];
    std::size_t n;
    while (interrupted.load() == 0 && (n = std::fread(buf, 1, sizeof buf, in)) > 0)
        text->append(buf, n);
    return !std::ferror(in);
}

bool read_input_file(const char *path, std::string *text)
{
    bool from_stdin = std::string_view(path) == "-";
    std::FILE *in = from_stdin ? stdin : std::fopen(path, "rb");
    bool ok = in && read_all(in, text);
    if (!ok && interrupted.load() == 0) // a control event ends the run instead
        report_errno(from_stdin ? "standard input" : path);
    if (in && !from_stdin)
        std::fclose(in);
    return ok;
}
} // namespace

bool parse_assignment_text(const char *program, const char *source, const std::string &text,
                           assignment_list *out)
{
    out->resize(SETTING_COUNT);
    std::string_view rest = text;
    for (unsigned line = 1; !rest.empty(); line++) {
        std::size_t nl = rest.find('\n');
        std::string_view l = trimmed(rest.substr(0, nl));
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        if (l.empty() || l.front() == '#')
            continue;
        if (!parse_assignment(program, std::string(source) + ":" + std::to_string(line), l, out))
            return false;
    }
    return true;
}

bool collect_assignments(const char *program, bool reset, const std::optional<unsigned> &positional_refclock,
                         assignment_list *out)
{
    out->assign(SETTING_COUNT, std::nullopt);
    bool assigning = settings_cli.input || !settings_cli.assignments.empty();
    if (settings_cli.list && (assigning || reset || positional_refclock)) {
        report_error("%s: -l lists the configuration and takes no -s, -i or argument\n", program);
        return false;
    }
    if (reset && assigning) {
        report_error("%s: -s and -i cannot be combined with reset\n", program);
        return false;
    }
    if (settings_cli.input) {
        std::string text;
        const char *source = std::string_view(settings_cli.input) == "-" ? "standard input" : settings_cli.input;
        if (!read_input_file(settings_cli.input, &text) || !parse_assignment_text(program, source, text, out))
            return false;
    }
    // The command line overrides the file; a positional reference clock counts as one -s.
    assignment_list given(SETTING_COUNT);
    for (const char *a : settings_cli.assignments)
        if (!parse_assignment(program, "-s", a, &given))
            return false;
    if (positional_refclock &&
        !parse_assignment(program, "-s", "refclock=" + std::to_string(*positional_refclock), &given))
        return false;
    for (std::size_t i = 0; i < SETTING_COUNT; i++)
        if (given[i])
            (*out)[i] = given[i];

    if ((*out)[REFCLOCK] == 0u) {
        for (std::size_t i = 0; i < SETTING_COUNT; i++) {
            if (i != REFCLOCK && (*out)[i]) {
                report_error("%s: refclock=stock resets the configuration and takes no other setting (%s)\n",
                           program, SETTINGS[i].name);
                return false;
            }
        }
    }
    return true;
}

bool apply_assignments(const char *program, const assignment_list &wanted, nvram_config *c,
                       processor_facts cpu)
{
    const nvram_config loaded = *c;
    auto changed = [&](std::size_t i) { return wanted[i] && *wanted[i] != get(loaded, SETTINGS[i]); };
    for (std::size_t i = 0; i < SETTING_COUNT; i++) {
        if (!changed(i))
            continue;
        const setting &s = SETTINGS[i];
        if (!offered(s, cpu)) {
            report_error("%s: %s: not offered on this processor (%s); it can only keep %s\n", program, s.name,
                       constraint_text(s, cpu).c_str(), value_text(s, get(loaded, s)).c_str());
            return false;
        }
        put(c, s, *wanted[i]);
    }
    if (c->target == 0)
        return true; // a reset stores the reset image, whatever the other fields hold

    for (const dependency &d : DEPENDENCIES) {
        const setting &s = SETTINGS[d.dependent];
        if ((c->flags & s.bit) == 0 || d.holds(*c))
            continue;
        bool trigger_changed = changed(d.triggers[0]) || changed(d.triggers[1]);
        // Asking for the bit, or keeping it while changing what it needs, is
        // what the dialogue cannot do.
        if (changed(d.dependent) || (wanted[d.dependent] && trigger_changed)) {
            report_error("%s: %s=%s needs %s\n", program, s.name, value_text(s, *wanted[d.dependent]).c_str(),
                       d.needs);
            return false;
        }
        if (trigger_changed)
            c->flags = static_cast<std::uint16_t>(c->flags & ~s.bit);
    }
    return true;
}

processor_facts current_processor()
{
    int family = cpu_extended_family();
    return {family, cpu_is_locked()};
}
