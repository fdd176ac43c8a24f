#pragma once
// The table of settings behind -l, -s, -i and -n: each setting's name, the
// record field or bit it stands for, the values its dialogue question accepts
// and the processors on which the dialogue asks it. In the dialogue's order.
#include "cu/config.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The processor facts that decide which settings the dialogue offers.
struct processor_facts {
    int family; // cpu_extended_family; -1 matches both 1 and 6
    int lock;   // cpu_is_locked: 1 locked, 0 unlocked, anything else unknown
};

namespace named_settings {

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

inline constexpr std::array<const char *, 4> NB_MULTI_WORDS = {"auto", "9x", "10x", "11x"};
inline constexpr char YES_NO[] = "yes or no";

// In the dialogue's order. The names are an interface: scripts and saved
// listings use them.
inline constexpr setting SETTINGS[] = {
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
inline constexpr std::size_t SETTING_COUNT = std::size(SETTINGS);

constexpr std::size_t index_of(std::string_view name)
{
    for (std::size_t i = 0; i < SETTING_COUNT; i++)
        if (name == SETTINGS[i].name)
            return i;
    return SETTING_COUNT;
}

inline constexpr std::size_t REFCLOCK = index_of("refclock");

// A setting's value in `c`: the field, or 1 for the question's yes.
unsigned get(const nvram_config &c, const setting &s);
void put(nvram_config *c, const setting &s, unsigned v);
// Whether the question for `s` could give `v`.
bool on_grid(const setting &s, unsigned v);
// `v` as -l prints it and -s reads it; a field value no question gives as a number.
std::string value_text(const setting &s, unsigned v);
// Whether the dialogue asks for `s` on this processor.
bool offered(const setting &s, processor_facts cpu);
// Why the processor withholds `s` from the dialogue or adjusts it on loading;
// empty for a setting every processor offers.
std::string constraint_text(const setting &s, processor_facts cpu);

} // namespace named_settings
