#pragma once
// The one table of settings: each setting's name, the record field or bit it
// stands for, the values its dialogue question accepts, its default, the
// dialogue's label and question group, the processors that offer it or force
// its value, and the setting it depends on. The dialogue, the processor's
// adjustments at load, -s/-i, -l, -n and the usage text all read it; a new
// option of the firmware's record is one row here. In the dialogue's order.
#include "cu/config.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace named_settings {

enum class value_kind : std::uint8_t { number, steps, choice, yes_no };
enum class record_field : std::uint8_t { target, cpumulti, vcore, nbv, nbmulti, htlimit, flags };

// The processor rule a setting is under: whether the dialogue asks it and
// whether loading the record forces it to its default.
enum class restriction : std::uint8_t {
    none,
    multiplier_lock, // asked unless locked (1); forced unless unlocked (0)
    northbridge,     // asked on family 6 (and -1); forced on family 1
    fast_memory,     // asked on family 1 (and -1); forced on family 6
    never_asked,     // no question: carried through load and store
};

// The dialogue's questions come in a top part and groups behind a gate question.
enum class question_group : std::uint8_t { top, debugging, cpu, northbridge, memory, ht, none };

struct setting {
    const char *name;
    value_kind kind;
    record_field field;
    // number: lo..hi every step; steps: 0..hi counted in units of `step`
    // hundredths; choice: 0..hi; yes_no: 0..1.
    unsigned lo, hi, step;
    std::uint16_t bit; // yes_no: the flags bit
    bool inverted;     // yes_no: yes means the bit clear
    restriction rule;
    question_group group;
    const char *label;  // the dialogue's question
    const char *values; // what -s and -i accept, for messages and the usage text
    // A flag the dialogue keeps only while `needs` holds of the record: it
    // clears the flag instead of asking when it does not, and -s may not set
    // it then. `needs_text` says what it needs, `triggers` what clears it.
    bool (*needs)(const nvram_config &);
    const char *needs_text;
    std::array<const char *, 2> triggers;
};

inline constexpr std::array<const char *, 4> NB_MULTI_WORDS = {"auto", "9x", "10x", "11x"};
inline constexpr unsigned REFCLOCK_MIN = 200, REFCLOCK_MAX = 262;
// The highest reference clock the image can hold (b0's six bits), which the
// dialogue never offers.
inline constexpr unsigned REFCLOCK_IMAGE_MAX = REFCLOCK_MIN + 63;
// The highest northbridge multiplier the image can hold (b3's three bits).
inline constexpr unsigned NB_MULTI_IMAGE_MAX = 7;

inline constexpr char YES_NO[] = "yes or no";

inline bool all_pstates_possible(const nvram_config &c)
{
    return c.cpumulti != 0 && (c.flags & CFG_PSTATE_FREE) != 0;
}
inline bool xmp_used(const nvram_config &c) { return (c.flags & CFG_NOXMP) == 0; }
inline bool fast_memory_on(const nvram_config &c) { return (c.flags & CFG_MEMFAST) != 0; }

constexpr setting flag(const char *name, std::uint16_t bit, bool inverted, question_group group, const char *label,
                         restriction rule = restriction::none)
{
    return {name, value_kind::yes_no, record_field::flags, 0, 1, 1, bit, inverted, rule, group, label, YES_NO,
            nullptr, nullptr, {}};
}

constexpr setting depending(setting s, bool (*needs)(const nvram_config &), const char *text,
                            std::array<const char *, 2> triggers)
{
    s.needs = needs;
    s.needs_text = text;
    s.triggers = triggers;
    return s;
}

// The names are an interface: scripts and saved listings use them.
inline constexpr setting SETTINGS[] = {
    {"refclock", value_kind::number, record_field::target, REFCLOCK_MIN, REFCLOCK_MAX, 1, 0, false, restriction::none,
     question_group::top, "Reference clock", "200..262 (MHz), or stock", nullptr, nullptr, {}},
    {"core-multiplier", value_kind::steps, record_field::cpumulti, 0, 31, 50, 0, false, restriction::multiplier_lock,
     question_group::top, "Core multiplier adjustment (USE WITH CARE)", "+0.0..+15.5 in steps of 0.5", nullptr, nullptr, {}},
    // Asked in the CPU group instead, as a limited adjustment, when the multiplier is locked.
    {"core-voltage", value_kind::steps, record_field::vcore, 0, 7, 1250, 0, false, restriction::none, question_group::top,
     "Core voltage adjustment (USE WITH CARE) -- mV", "0..87.5 (mV) in steps of 12.5", nullptr, nullptr, {}},
    flag("multiple-sets", CFG_MULTISET, false, question_group::debugging, "    Perform multiple refclock sets (not recommended)"),
    flag("warm-reset-only", CFG_WARMONLY, false, question_group::debugging,
           "    Configure refclock on warm reset only (not recommended)"),
    flag("pstate-lock", CFG_PSTATE_FREE, true, question_group::cpu, "    Lock the CPU to maximal performance P-state"),
    depending(flag("all-pstates", CFG_MULTI_ALLP, false, question_group::cpu,
                     "    Core multiplier: adjust multiplier of all P-states (USE WITH CARE)"),
              all_pstates_possible, "core-multiplier above +0.0 and pstate-lock=no", {"core-multiplier", "pstate-lock"}),
    {"nb-voltage", value_kind::steps, record_field::nbv, 0, 3, 1250, 0, false, restriction::northbridge, question_group::northbridge,
     "    Northbridge voltage adjustment -- mV", "0..37.5 (mV) in steps of 12.5", nullptr, nullptr, {}},
    {"nb-multiplier", value_kind::choice, record_field::nbmulti, 0, 3, 1, 0, false, restriction::northbridge,
     question_group::northbridge, "    Northbridge frequency multiplier", "auto, 9x, 10x or 11x", nullptr, nullptr, {}},
    flag("xmp", CFG_NOXMP, true, question_group::memory, "    Use XMP profile 1, if available"),
    depending(flag("xmp-merge", CFG_XMP_NOMERGE, true, question_group::memory, "    XMP1: merge JEDEC and XMP CAS latency lists"),
              xmp_used, "xmp=yes", {"xmp", "xmp"}),
    flag("fast-memory", CFG_MEMFAST, false, question_group::memory, "    Allow effective memory speeds above DDR3-1333",
           restriction::fast_memory),
    depending(flag("force-1t", CFG_MEM_1T, false, question_group::memory, "    Force 1T command rate in 1 UDIMM/ch configurations",
                     restriction::fast_memory),
              fast_memory_on, "fast-memory=yes", {"fast-memory", "fast-memory"}),
    flag("dimm-1v5", CFG_DIMM_1V5, false, question_group::memory, "    Force 1.5V DIMM Vdd (DANGEROUS)"),
    flag("relax-timings", CFG_MEM_RELAX, false, question_group::memory, "    Relax memory timings"),
    {"ht-cap", value_kind::number, record_field::htlimit, 2500, 3200, 100, 0, false, restriction::none, question_group::ht,
     "    Effective HT frequency cap", "2500..3200 (MHz) in steps of 100", nullptr, nullptr, {}},
    flag("ht-alt-tuning", CFG_HT_ALT, false, question_group::ht, "    Use alternative HT tuning"),
    flag("reserved-bit-2", CFG_RESERVED, false, question_group::none, "Option bit 2 (no question; kept as loaded)",
           restriction::never_asked),
};
inline constexpr std::size_t SETTING_COUNT = std::size(SETTINGS);

constexpr std::size_t index_of(std::string_view name)
{
    for (std::size_t i = 0; i < SETTING_COUNT; i++)
        if (name == SETTINGS[i].name)
            return i;
    return SETTING_COUNT;
}

inline constexpr std::size_t REFCLOCK = index_of("refclock");
static_assert(REFCLOCK == 0 && index_of("reserved-bit-2") == SETTING_COUNT - 1);

// A setting's value in `c`: the field, or 1 for the question's yes.
unsigned get(const nvram_config &c, const setting &s);
void put(nvram_config *c, const setting &s, unsigned v);
// The setting's value in a record of defaults.
unsigned default_of(const setting &s);
// Whether the dialogue's question for `s` could give `v`.
bool on_grid(const setting &s, unsigned v);
// Whether the image can hold `v` for `s` (a wider range for refclock and nb-multiplier).
bool in_image_range(const setting &s, unsigned v);
// `v` as -l prints it and -s reads it; a value no question gives as a number.
std::string value_text(const setting &s, unsigned v);
// Whether the dialogue asks for `s` on this processor.
bool offered(const setting &s, processor_facts cpu);
// Whether loading a record on this processor sets `s` to its default.
bool forced(const setting &s, processor_facts cpu);
// Why the processor withholds `s` from the dialogue or forces it at load;
// empty for a setting every processor offers.
std::string constraint_text(const setting &s, processor_facts cpu);

} // namespace named_settings
