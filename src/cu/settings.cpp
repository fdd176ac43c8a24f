#include "cu/settings.h"

#include "hw/cpu.h"
#include "hw/nvram.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

settings_options settings_cli;

namespace {

enum class value_kind : std::uint8_t { number, steps, choice, yes_no };
enum class record_field : std::uint8_t { target, cpumulti, vcore, nbv, nbmulti, htlimit, flags };
// When the dialogue asks a setting's question.
enum class offer : std::uint8_t { always, unlocked, northbridge, fast_memory };

struct setting {
    const char *name;
    value_kind kind;
    record_field field;
    unsigned lo, hi, step; // number: lo..hi every step; steps and choice: 0..hi, a step of `step` hundredths
    std::uint16_t bit;     // yes_no: the flags bit
    bool inverted;         // yes_no: yes means the bit clear
    offer offered;
    const char *values;    // what may be assigned
    const char *question;  // the dialogue's question
};

constexpr std::array<const char *, 4> NB_MULTI_WORDS = {"auto", "9x", "10x", "11x"};
constexpr char YES_NO[] = "yes or no";

// In the dialogue's order. The names are an interface: scripts and saved
// listings use them.
constexpr setting SETTINGS[] = {
    {"refclock", value_kind::number, record_field::target, 200, 262, 1, 0, false, offer::always,
     "200..262 (MHz), or stock", "Reference clock"},
    {"core-multiplier", value_kind::steps, record_field::cpumulti, 0, 31, 50, 0, false, offer::unlocked,
     "+0.0..+15.5 in steps of 0.5", "Core multiplier adjustment"},
    {"core-voltage", value_kind::steps, record_field::vcore, 0, 7, 1250, 0, false, offer::always,
     "0..87.5 (mV) in steps of 12.5", "Core voltage adjustment"},
    {"multiple-sets", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_MULTISET, false, offer::always, YES_NO,
     "Perform multiple refclock sets"},
    {"warm-reset-only", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_WARMONLY, false, offer::always, YES_NO,
     "Configure refclock on warm reset only"},
    {"pstate-lock", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_PSTATE_FREE, true, offer::always, YES_NO,
     "Lock the CPU to maximal performance P-state"},
    {"all-pstates", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_MULTI_ALLP, false, offer::always, YES_NO,
     "Core multiplier: adjust multiplier of all P-states"},
    {"nb-voltage", value_kind::steps, record_field::nbv, 0, 3, 1250, 0, false, offer::northbridge,
     "0..37.5 (mV) in steps of 12.5", "Northbridge voltage adjustment"},
    {"nb-multiplier", value_kind::choice, record_field::nbmulti, 0, 3, 1, 0, false, offer::northbridge,
     "auto, 9x, 10x or 11x", "Northbridge frequency multiplier"},
    {"xmp", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_NOXMP, true, offer::always, YES_NO,
     "Use XMP profile 1, if available"},
    {"xmp-merge", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_XMP_NOMERGE, true, offer::always, YES_NO,
     "XMP1: merge JEDEC and XMP CAS latency lists"},
    {"fast-memory", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_MEMFAST, false, offer::fast_memory, YES_NO,
     "Allow effective memory speeds above DDR3-1333"},
    {"force-1t", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_MEM_1T, false, offer::fast_memory, YES_NO,
     "Force 1T command rate in 1 UDIMM/ch configurations"},
    {"dimm-1v5", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_DIMM_1V5, false, offer::always, YES_NO,
     "Force 1.5V DIMM Vdd"},
    {"relax-timings", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_MEM_RELAX, false, offer::always, YES_NO,
     "Relax memory timings"},
    {"ht-cap", value_kind::number, record_field::htlimit, 2500, 3200, 100, 0, false, offer::always,
     "2500..3200 (MHz) in steps of 100", "Effective HT frequency cap"},
    {"ht-alt-tuning", value_kind::yes_no, record_field::flags, 0, 1, 1, CFG_HT_ALT, false, offer::always, YES_NO,
     "Use alternative HT tuning"},
};
constexpr std::size_t SETTING_COUNT = std::size(SETTINGS);

constexpr std::size_t index_of(std::string_view name)
{
    for (std::size_t i = 0; i < SETTING_COUNT; i++)
        if (name == SETTINGS[i].name)
            return i;
    return SETTING_COUNT;
}

constexpr std::size_t REFCLOCK = index_of("refclock");

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

// Whether the dialogue's question for `s` could answer `v`.
bool on_grid(const setting &s, unsigned v)
{
    if (s.kind == value_kind::number)
        return v >= s.lo && v <= s.hi && (v - s.lo) % s.step == 0;
    return v <= s.hi;
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

bool offered(const setting &s, processor_facts cpu)
{
    switch (s.offered) {
    case offer::always: return true;
    case offer::unlocked: return cpu.lock != 1;
    case offer::northbridge: return cpu.family == 6 || cpu.family == -1;
    case offer::fast_memory: return cpu.family == 1 || cpu.family == -1;
    }
    return true;
}

// Why the processor withholds `s` from the dialogue or adjusts it on loading.
std::string constraint_text(const setting &s, processor_facts cpu)
{
    char buf[96];
    switch (s.offered) {
    case offer::always:
        return "";
    case offer::unlocked:
        if (cpu.lock == 1)
            return "the core multiplier is locked";
        std::snprintf(buf, sizeof buf, "the multiplier lock reads %d, not 0 (unlocked)", cpu.lock);
        return buf;
    case offer::northbridge:
        if (cpu.family == 1)
            return "extended family 1 keeps the northbridge at +12.5 mV, auto";
        std::snprintf(buf, sizeof buf, "the dialogue offers it on extended family 6, this is %d", cpu.family);
        return buf;
    case offer::fast_memory:
        if (cpu.family == 6)
            return "extended family 6 has no faster memory modes";
        std::snprintf(buf, sizeof buf, "the dialogue offers it on extended family 1, this is %d", cpu.family);
        return buf;
    }
    return "";
}

void error_line(const char *format, auto... args)
{
    std::fflush(stdout);
    std::fprintf(stderr, format, args...);
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
        error_line("%s: %s: not a name=value line -- '%.*s'\n", program, where.c_str(),
                   static_cast<int>(text.size()), text.data());
        return false;
    }
    std::string_view value = trimmed(text.substr(eq + 1));
    std::size_t i = index_of(name);
    if (i == SETTING_COUNT) {
        std::string names;
        for (const setting &s : SETTINGS)
            names += std::string(names.empty() ? "" : ", ") + s.name;
        error_line("%s: %s: unknown setting -- '%.*s' (settings: %s)\n", program, where.c_str(),
                   static_cast<int>(name.size()), name.data(), names.c_str());
        return false;
    }
    const setting &s = SETTINGS[i];
    std::optional<unsigned> v = parse_value(s, value);
    if (!v) {
        error_line("%s: %s: invalid %s -- '%.*s' (allowed: %s)\n", program, where.c_str(), s.name,
                   static_cast<int>(value.size()), value.data(), s.values);
        return false;
    }
    if ((*out)[i] && *(*out)[i] != *v) {
        error_line("%s: %s: %s given twice, as %s and as %s\n", program, where.c_str(), s.name,
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
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
        text->append(buf, n);
    return !std::ferror(in);
}

bool read_input_file(const char *path, std::string *text)
{
    bool from_stdin = std::string_view(path) == "-";
    std::FILE *in = from_stdin ? stdin : std::fopen(path, "rb");
    bool ok = in && read_all(in, text);
    if (!ok) {
        std::fflush(stdout);
        std::perror(from_stdin ? "standard input" : path);
    }
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
        error_line("%s: -l lists the configuration and takes no -s, -i or argument\n", program);
        return false;
    }
    if (reset && assigning) {
        error_line("%s: -s and -i cannot be combined with reset\n", program);
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
                error_line("%s: refclock=stock resets the configuration and takes no other setting (%s)\n",
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
            error_line("%s: %s: not offered on this processor (%s); it can only keep %s\n", program, s.name,
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
            error_line("%s: %s=%s needs %s\n", program, s.name, value_text(s, *wanted[d.dependent]).c_str(),
                       d.needs);
            return false;
        }
        if (trigger_changed)
            c->flags = static_cast<std::uint16_t>(c->flags & ~s.bit);
    }
    return true;
}

void print_listing(std::FILE *out, config_status status, const config_image *image,
                   const nvram_config &stored, const nvram_config &effective, processor_facts cpu)
{
    const char *state = status == CONFIG_VALID       ? "found"
                        : status == CONFIG_BOOT_FAILED ? "boot-failure mark (the last three boot attempts "
                                                         "with these settings failed)"
                                                       : "none (the firmware runs at stock)";
    std::fprintf(out, "# record: %s\n", state);
    if (image) {
        const config_image &b = *image;
        std::fprintf(out, "# image: %02x %02x %02x %02x %02x %02x\n", b[0], b[1], b[2], b[3], b[4], b[5]);
    } else {
        std::fputs("# image: not readable\n", out);
    }
    const char *lock = cpu.lock == 1 ? "locked" : cpu.lock == 0 ? "unlocked" : "lock unknown";
    std::fprintf(out, "# processor: extended family %d, from %s\n", cpu.family,
                 std::getenv(ENV_CPU_FAMILY) ? ENV_CPU_FAMILY : "the processor");
    std::fprintf(out, "# processor: multiplier %s (%d), from %s\n", lock, cpu.lock,
                 std::getenv(ENV_CPU_LOCKED) ? ENV_CPU_LOCKED : "the processor");
    if (status == CONFIG_ABSENT) {
        std::fputs("refclock=stock\n", out);
        return;
    }
    for (const setting &s : SETTINGS) {
        unsigned v = get(stored, s), e = get(effective, s);
        std::string text = value_text(s, v);
        if (!on_grid(s, v)) {
            std::fprintf(out, "# %s: the stored %s is not among %s; no line, so -i keeps it\n", s.name,
                         text.c_str(), s.values);
            continue;
        }
        if (v != e)
            std::fprintf(out, "# %s=%s is stored, but %s: it loads as %s%s\n", s.name, text.c_str(),
                         constraint_text(s, cpu).c_str(), value_text(s, e).c_str(),
                         offered(s, cpu) ? "" : " and cannot be set here");
        else if (!offered(s, cpu))
            std::fprintf(out, "# %s: not offered on this processor (%s); -i accepts only this value\n", s.name,
                         constraint_text(s, cpu).c_str());
        std::fprintf(out, "%s=%s\n", s.name, text.c_str());
    }
    if (stored.flags & 0x004)
        std::fputs("# option bit 2 is set; no setting names it, and -i keeps it\n", out);
}

void print_changes(config_status stored_status, const nvram_config &stored, const nvram_config &now)
{
    bool absent = stored_status == CONFIG_ABSENT;
    const setting &refclock = SETTINGS[REFCLOCK];
    if (now.target == 0) {
        std::printf("%s: %s -> stock\n", refclock.name, value_text(refclock, stored.target).c_str());
        return;
    }
    for (const setting &s : SETTINGS) {
        unsigned old = get(stored, s), v = get(now, s);
        if (absent || old != v)
            std::printf("%s: %s -> %s\n", s.name, absent ? "stock" : value_text(s, old).c_str(),
                        value_text(s, v).c_str());
    }
    if (stored_status == CONFIG_BOOT_FAILED)
        std::puts("record: boot-failure mark -> found");
}

processor_facts current_processor()
{
    int family = cpu_extended_family();
    return {family, cpu_is_locked()};
}

namespace {
int listing_fd = -1;
}

void divert_output_for_listing()
{
    std::fflush(stdout);
    listing_fd = dup(1);
    if (listing_fd != -1)
        dup2(2, 1);
}

void list_record(int fd, config_status status, const nvram_config &stored, const nvram_config &effective)
{
    config_image image;
    bool readable = nvram_read(fd, image.data(), image.size(), CFG_NVRAM_OFFSET) == static_cast<int>(image.size());
    std::FILE *out = listing_fd != -1 ? fdopen(listing_fd, "w") : nullptr;
    print_listing(out ? out : stdout, status, readable ? &image : nullptr, stored, effective, current_processor());
    if (out)
        std::fclose(out);
    listing_fd = -1;
}

void print_settings_usage()
{
    std::printf("\nSettings (-l, -s, -i), in the dialogue's order:\n");
    for (const setting &s : SETTINGS)
        std::printf("\t%-16s%s\n\t\t\t%s\n", s.name, s.values, s.question);
}
