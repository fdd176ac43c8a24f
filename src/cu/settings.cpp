#include "cu/settings.h"

#include "cu/ctrl.h"
#include "cu/settings_table.h"
#include "hw/console.h"
#include "runtime/diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace named_settings;

namespace {

// Longest value quoted back in a message.
constexpr std::size_t QUOTE_MAX = 40;
constexpr std::size_t NAME_MAX_LENGTH = 32;
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

char lower(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Names and words are matched without regard to letter case.
bool same_word(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); i++)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// Foreign text as a message shows it: printable ASCII as it is, other bytes
// as \xNN, cut after QUOTE_MAX characters.
std::string quoted(std::string_view t)
{
    std::string q;
    for (std::size_t i = 0; i < t.size() && i < QUOTE_MAX; i++) {
        auto ch = static_cast<unsigned char>(t[i]);
        if (ch >= 0x20 && ch < 0x7F && ch != '\\') {
            q += static_cast<char>(ch);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", ch);
            q += buf;
        }
    }
    if (t.size() > QUOTE_MAX)
        q += "...";
    return q;
}

bool name_like(std::string_view t)
{
    if (t.empty() || t.size() > NAME_MAX_LENGTH)
        return false;
    for (char ch : t)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '-' ||
              ch == '_'))
            return false;
    return true;
}

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

std::size_t find_setting(std::string_view name)
{
    for (std::size_t i = 0; i < SETTING_COUNT; i++)
        if (same_word(name, SETTINGS[i].name))
            return i;
    return SETTING_COUNT;
}

// The field value that `text` stands for, when the image can hold it: the
// values of the question, and those that only a stored record has
// (refclock 263, nb-multiplier 4..7), which a listing writes as numbers.
std::optional<unsigned> parse_value(const setting &s, std::string_view text)
{
    switch (s.kind) {
    case value_kind::number: {
        if (s.stock && same_word(text, s.stock))
            return 0u;
        if (!all_digits(text))
            return std::nullopt;
        unsigned v = to_unsigned(text);
        return v != 0 && in_image_range(s, v) ? std::optional<unsigned>(v) : std::nullopt;
    }
    case value_kind::steps: {
        // [+]digits[.d[d]], compared exactly in hundredths.
        if (!text.empty() && text[0] == '+')
            text.remove_prefix(1);
        std::string_view whole = text.substr(0, text.find('.')), frac;
        bool has_point = whole.size() < text.size();
        if (has_point)
            frac = text.substr(whole.size() + 1);
        if (!all_digits(whole) || whole.size() > 3 || frac.size() > 2 || (has_point && !all_digits(frac)))
            return std::nullopt;
        unsigned hundredths = to_unsigned(whole) * 100 + to_unsigned(frac) * (frac.size() == 1 ? 10 : 1);
        if (hundredths % s.step != 0 || hundredths / s.step > s.hi)
            return std::nullopt;
        return hundredths / s.step;
    }
    case value_kind::choice:
        for (std::size_t i = 0; i < s.words.size(); i++)
            if (same_word(text, s.words[i]))
                return static_cast<unsigned>(i);
        if (all_digits(text) && to_unsigned(text) >= s.words.size() && in_image_range(s, to_unsigned(text)))
            return to_unsigned(text);
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

void refuse_value(const char *program, const std::string &where, const setting &s, std::string_view value)
{
    report_error("%s: %s: invalid %s -- '%s' (allowed: %s)\n", program, where.c_str(), s.name,
                 quoted(value).c_str(), values_text(s).c_str());
}

// One "name=value" from `where` into `out`; a second, different value for a
// name is an error. A line of a file that does not look like an assignment is
// not shown: it may be any file's content.
bool parse_assignment(const char *program, const std::string &where, bool show_malformed, std::string_view text,
                      assignment_list *out)
{
    std::size_t eq = text.find('=');
    std::string_view name = trimmed(text.substr(0, eq));
    if (eq == std::string_view::npos || !name_like(name)) {
        if (show_malformed)
            report_error("%s: %s: not a name=value line -- '%s'\n", program, where.c_str(), quoted(text).c_str());
        else
            report_error("%s: %s: not a name=value line\n", program, where.c_str());
        return false;
    }
    std::string_view value = trimmed(text.substr(eq + 1));
    std::size_t i = find_setting(name);
    if (i == SETTING_COUNT) {
        std::string names;
        for (const setting &s : SETTINGS)
            names += std::string(names.empty() ? "" : ", ") + s.name;
        report_error("%s: %s: unknown setting -- '%s' (settings: %s)\n", program, where.c_str(),
                     quoted(name).c_str(), names.c_str());
        return false;
    }
    const setting &s = SETTINGS[i];
    std::optional<unsigned> v = parse_value(s, value);
    if (!v) {
        refuse_value(program, where, s, value);
        return false;
    }
    assignment &a = (*out)[i];
    if (a.value && *a.value != *v) {
        report_error("%s: %s: %s given twice, as %s and as %s\n", program, where.c_str(), s.name,
                     value_text(s, *a.value).c_str(), value_text(s, *v).c_str());
        return false;
    }
    a = {v, where};
    return true;
}

// Reads at most SETTINGS_TEXT_MAX bytes of `in`, in constant memory.
settings_outcome read_bounded(const char *program, const char *source, std::FILE *in, std::string *text)
{
    text->reserve(SETTINGS_TEXT_MAX + 1);
    char buf[4096];
    // A short read is the end (or an error): a terminal's end-of-file key
    // does not stay in effect for another read. An event that came before the
    // read began leaves nothing to interrupt it, so it is looked at first.
    while (interrupted.load() == 0) {
        std::size_t n = std::fread(buf, 1, sizeof buf, in);
        text->append(buf, n);
        if (n < sizeof buf || text->size() > SETTINGS_TEXT_MAX)
            break;
    }
    // A signal ends a blocked read early; the run then ends as interrupted.
    if (interrupted != 0 && text->size() <= SETTINGS_TEXT_MAX)
        return settings_outcome::interrupted;
    if (text->size() > SETTINGS_TEXT_MAX) {
        report_error("%s: settings file %s: longer than %u bytes; a listing is far shorter\n", program, source,
                     static_cast<unsigned>(SETTINGS_TEXT_MAX));
        return settings_outcome::refused;
    }
    if (std::ferror(in)) {
        report_error("%s: settings file %s: %s\n", program, source, std::strerror(errno));
        return settings_outcome::refused;
    }
    return settings_outcome::ok;
}

settings_outcome read_settings_text(const char *program, const char *path, std::string *text)
{
    if (*path == '\0') {
        report_error("%s: -i needs the name of a settings file, or - for standard input\n", program);
        return settings_outcome::refused;
    }
    if (std::string_view(path) == "-") {
        if (stdin_is_terminal())
            report_error("%s: reading name=value lines from the terminal; end them with Ctrl+D at the start of a "
                         "line (on Windows Ctrl+Z, then Enter)\n",
                         program);
        return read_bounded(program, "standard input", stdin, text);
    }
    std::FILE *in = std::fopen(path, "rb");
    if (!in) {
        report_error("%s: settings file %s: %s\n", program, path, std::strerror(errno));
        return settings_outcome::refused;
    }
    settings_outcome read = read_bounded(program, path, in, text);
    std::fclose(in);
    return read;
}

// Refuses what the dialogue could not do on this processor: changing a
// setting it does not offer, or a value off its question's grid. A value
// equal to the loaded one is kept, as a plain Enter keeps it.
bool offered_change(const char *program, const assignment &a, const setting &s, const nvram_config &loaded,
                    processor_facts cpu)
{
    unsigned kept = get(loaded, s);
    if (!offered(s, cpu)) {
        report_error("%s: %s: %s: not offered on this processor (%s); it can only keep %s\n", program,
                     a.where.c_str(), s.name, constraint_text(s, cpu).c_str(), value_text(s, kept).c_str());
        return false;
    }
    if (!on_grid(s, *a.value) && !(s.stock && *a.value == 0)) {
        refuse_value(program, a.where, s, value_text(s, *a.value));
        return false;
    }
    return true;
}

bool restore(const char *program, const assignment_list &wanted, nvram_config *c, processor_facts cpu)
{
    const nvram_config loaded = *c;
    for (std::size_t i = 0; i < SETTING_COUNT; i++) {
        const setting &s = SETTINGS[i];
        const assignment &a = wanted[i];
        if (!a.value || *a.value == get(loaded, s))
            continue;
        if (forced(s, cpu) && !offered(s, cpu)) {
            report_error("%s: %s: %s=%s cannot be restored on this processor (%s); it keeps %s\n", program,
                         a.where.c_str(), s.name, value_text(s, *a.value).c_str(), constraint_text(s, cpu).c_str(),
                         value_text(s, get(loaded, s)).c_str());
            return false;
        }
        put(c, s, *a.value);
    }
    return true;
}

bool assign_like_the_dialogue(const char *program, const assignment_list &wanted, nvram_config *c,
                              processor_facts cpu)
{
    const nvram_config loaded = *c;
    auto changed = [&](std::size_t i) { return wanted[i].value && *wanted[i].value != get(loaded, SETTINGS[i]); };
    for (std::size_t i = 0; i < SETTING_COUNT; i++) {
        if (!changed(i))
            continue;
        if (!offered_change(program, wanted[i], SETTINGS[i], loaded, cpu))
            return false;
        put(c, SETTINGS[i], *wanted[i].value);
    }
    if (c->target == 0)
        return true; // a reset stores the reset image, whatever the other fields hold

    for (std::size_t i = 0; i < SETTING_COUNT; i++) {
        const setting &s = SETTINGS[i];
        if (!s.needs || get(*c, s) == default_of(s) || s.needs(*c))
            continue;
        bool trigger_changed = changed(index_of(s.triggers[0])) || changed(index_of(s.triggers[1]));
        // Asking for the flag, or keeping it while changing what it needs, is
        // what the dialogue cannot do.
        if (changed(i) || (wanted[i].value && trigger_changed)) {
            report_error("%s: %s: %s=%s needs %s\n", program, wanted[i].where.c_str(), s.name,
                         value_text(s, *wanted[i].value).c_str(), s.needs_text);
            return false;
        }
        if (trigger_changed)
            put(c, s, default_of(s));
    }
    return true;
}

} // namespace

bool parse_assignment_text(const char *program, const char *source, std::string_view text, assignment_list *out)
{
    out->assign(SETTING_COUNT, {});
    if (text.substr(0, UTF8_BOM.size()) == UTF8_BOM)
        text.remove_prefix(UTF8_BOM.size());
    for (unsigned line = 1; !text.empty(); line++) {
        std::size_t nl = text.find('\n');
        std::string_view raw = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        std::string where = std::string(source) + ":" + std::to_string(line);
        // The CR of a CRLF line end is part of the end, not of the line.
        std::size_t length = raw.size() - (nl != std::string_view::npos && raw.ends_with('\r') ? 1 : 0);
        if (length > SETTINGS_LINE_MAX) {
            report_error("%s: %s: line longer than %u bytes\n", program, where.c_str(),
                         static_cast<unsigned>(SETTINGS_LINE_MAX));
            return false;
        }
        std::string_view l = trimmed(raw);
        if (l.empty() || l.front() == '#')
            continue;
        if (!parse_assignment(program, where, false, l, out))
            return false;
    }
    return true;
}

bool is_complete_listing(const assignment_list &wanted)
{
    for (std::size_t i = 0; i < SETTING_COUNT; i++)
        if (!wanted[i].value && SETTINGS[i].rule != restriction::never_asked)
            return false;
    return true;
}

settings_outcome collect_assignments(const char *program, const settings_options &settings_cli, bool reset,
                                     const std::optional<unsigned> &positional_refclock, settings_request *out)
{
    out->file.assign(SETTING_COUNT, {});
    out->command_line.assign(SETTING_COUNT, {});
    bool assigning = settings_cli.input || !settings_cli.assignments.empty();
    if (settings_cli.list && (assigning || reset || positional_refclock)) {
        report_error("%s: -l lists the configuration and takes no -s, -i or argument\n", program);
        return settings_outcome::refused;
    }
    if (reset && assigning) {
        report_error("%s: -s and -i cannot be combined with reset\n", program);
        return settings_outcome::refused;
    }
    if (settings_cli.input) {
        std::string text;
        settings_outcome read = read_settings_text(program, settings_cli.input, &text);
        if (read != settings_outcome::ok)
            return read;
        const char *source = std::string_view(settings_cli.input) == "-" ? "standard input" : settings_cli.input;
        if (!parse_assignment_text(program, source, text, &out->file))
            return settings_outcome::refused;
    }
    for (const char *a : settings_cli.assignments)
        if (!parse_assignment(program, "-s", true, a, &out->command_line))
            return settings_outcome::refused;
    if (positional_refclock &&
        !parse_assignment(program, "-s", true, "refclock=" + std::to_string(*positional_refclock),
                          &out->command_line))
        return settings_outcome::refused;

    // The command line overrides the file; a reset takes no other setting from either.
    const assignment &refclock = out->command_line[REFCLOCK].value ? out->command_line[REFCLOCK] : out->file[REFCLOCK];
    if (refclock.value == 0u) {
        for (std::size_t i = 0; i < SETTING_COUNT; i++) {
            if (i != REFCLOCK && (out->file[i].value || out->command_line[i].value)) {
                report_error("%s: refclock=stock resets the configuration and takes no other setting (%s)\n",
                             program, SETTINGS[i].name);
                return settings_outcome::refused;
            }
        }
    }
    return settings_outcome::ok;
}

bool apply_assignments(const char *program, const assignment_list &wanted, nvram_config *c, processor_facts cpu)
{
    nvram_config result = *c;
    bool ok = is_complete_listing(wanted) ? restore(program, wanted, &result, cpu)
                                          : assign_like_the_dialogue(program, wanted, &result, cpu);
    if (ok)
        *c = result;
    return ok;
}

bool apply_request(const char *program, const settings_request &request, nvram_config *c, processor_facts cpu)
{
    nvram_config result = *c;
    bool ok = apply_assignments(program, request.file, &result, cpu) &&
              apply_assignments(program, request.command_line, &result, cpu);
    if (ok)
        *c = result;
    return ok;
}
