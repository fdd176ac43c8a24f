#pragma once
// The one table of settings: each setting's name, the record field or bit it
// stands for, where its value lives in the image, the values its dialogue
// question accepts, the dialogue's label and question group, the processors
// that offer it or force its value, and the setting it depends on. The image
// codec, the dialogue, the processor's adjustments at load, -s/-i, -l, -n and
// the usage text all read it; a new option of the firmware's record is one
// row here (docs/DESIGN.md). In the dialogue's order.
#include "cu/record.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace named_settings {

enum class value_kind : std::uint8_t { number, steps, choice, yes_no };

// The processor rule a setting is under: whether the dialogue asks it and
// whether loading the record forces it to its default.
enum class restriction : std::uint8_t {
    none,
    multiplier_lock, // asked unless locked; forced unless unlocked
    northbridge,     // asked on family 6 (and -1); forced on family 1
    fast_memory,     // asked on family 1 (and -1); forced on family 6
    never_asked,     // no question: carried through load and store
};

// The dialogue's questions come in a top part and groups behind a gate question.
enum class question_group : std::uint8_t { top, debugging, cpu, northbridge, memory, ht, none };

// Where a value lives in the image: `width` bits of byte `byte` from bit
// `shift` up, holding value / scale - bias, modulo 2^width.
struct image_bits {
    std::uint8_t byte = 0, shift = 0, width = 1;
    unsigned bias = 0, scale = 1;
};

// The flags bits' places: bits 0..7 are b1, bits 8..11 are b2's bits 4..7.
inline constexpr std::uint8_t FLAGS_LOW_BYTE = 1, FLAGS_HIGH_BYTE = 2, FLAGS_HIGH_SHIFT = 4;
constexpr image_bits flag_image(std::uint16_t bit)
{
    std::uint8_t k = 0;
    while (k < 16 && (bit >> k) != 1)
        k++;
    return k < 8 ? image_bits{.byte = FLAGS_LOW_BYTE, .shift = k}
                 : image_bits{.byte = FLAGS_HIGH_BYTE, .shift = static_cast<std::uint8_t>(k - 8 + FLAGS_HIGH_SHIFT)};
}

// A question the dialogue asks elsewhere, with another label, on a processor
// whose multiplier is locked.
struct locked_question {
    question_group group = question_group::none;
    const char *label = nullptr;
};

struct setting {
    const char *name;
    value_kind kind = value_kind::yes_no;
    record_field field = record_field::flags;
    image_bits image = {}; // not for the stored flags bits: their places follow from the bit
    // number: lo..hi every step; steps: 0..hi counted in units of `step`
    // hundredths; choice: an index of `words`; yes_no: 0..1.
    unsigned lo = 0, hi = 1, step = 1;
    std::uint16_t bit = 0;  // yes_no: the flags bit
    bool inverted = false;  // yes_no: yes means the bit clear
    std::span<const char *const> words = {}; // choice: the value's words
    const char *unit = nullptr;  // shown after the range: "(MHz)"
    const char *stock = nullptr; // number: the word for 0, which resets the record
    restriction rule = restriction::none;
    question_group group = question_group::top;
    const char *label = nullptr; // the dialogue's question
    // A flag the dialogue keeps only while `needs` holds of the record: it
    // clears the flag instead of asking when it does not, and -s may not set
    // it then. `needs_text` says what it needs, `triggers` what clears it.
    bool (*needs)(const nvram_config &) = nullptr;
    const char *needs_text = nullptr;
    std::array<const char *, 2> triggers = {};
    // The dialogue clears the flag as soon as this setting is 0 after the top part.
    const char *cleared_by_zero = nullptr;
    locked_question when_locked = {};
};

inline constexpr std::array<const char *, 4> NB_MULTI_WORDS = {"auto", "9x", "10x", "11x"};

inline constexpr char YES_NO[] = "yes or no";

inline bool all_pstates_possible(const nvram_config &c)
{
    return c.cpumulti != 0 && (c.flags & CFG_PSTATE_FREE) != 0;
}
inline bool xmp_used(const nvram_config &c) { return (c.flags & CFG_NOXMP) == 0; }
inline bool fast_memory_on(const nvram_config &c) { return (c.flags & CFG_MEMFAST) != 0; }

// The names are an interface: scripts and saved listings use them.
inline constexpr setting SETTINGS[] = {
    {.name = "refclock", .kind = value_kind::number, .field = record_field::target,
     .image = {.byte = 0, .shift = 0, .width = 6, .bias = 200}, .lo = 200, .hi = 262, .unit = "MHz",
     .stock = "stock", .label = "Reference clock"},
    {.name = "core-multiplier", .kind = value_kind::steps, .field = record_field::cpumulti,
     .image = {.byte = 4, .shift = 3, .width = 5}, .hi = 31, .step = 50, .rule = restriction::multiplier_lock,
     .label = "Core multiplier adjustment (USE WITH CARE)"},
    {.name = "core-voltage", .kind = value_kind::steps, .field = record_field::vcore,
     .image = {.byte = 3, .shift = 2, .width = 3}, .hi = 7, .step = 1250, .unit = "mV",
     .label = "Core voltage adjustment (USE WITH CARE) -- mV",
     .when_locked = {question_group::cpu, "    Limited core voltage adjustment (USE WITH CARE) -- mV"}},
    {.name = "multiple-sets", .bit = CFG_MULTISET, .group = question_group::debugging,
     .label = "    Perform multiple refclock sets (not recommended)"},
    {.name = "warm-reset-only", .bit = CFG_WARMONLY, .group = question_group::debugging,
     .label = "    Configure refclock on warm reset only (not recommended)"},
    {.name = "pstate-lock", .bit = CFG_PSTATE_FREE, .inverted = true, .group = question_group::cpu,
     .label = "    Lock the CPU to maximal performance P-state"},
    {.name = "all-pstates", .bit = CFG_MULTI_ALLP, .group = question_group::cpu,
     .label = "    Core multiplier: adjust multiplier of all P-states (USE WITH CARE)", .needs = all_pstates_possible,
     .needs_text = "core-multiplier above +0.0 and pstate-lock=no", .triggers = {"core-multiplier", "pstate-lock"},
     .cleared_by_zero = "core-multiplier"},
    {.name = "nb-voltage", .kind = value_kind::steps, .field = record_field::nbv,
     .image = {.byte = 0, .shift = 6, .width = 2}, .hi = 3, .step = 1250, .unit = "mV",
     .rule = restriction::northbridge, .group = question_group::northbridge,
     .label = "    Northbridge voltage adjustment -- mV"},
    {.name = "nb-multiplier", .kind = value_kind::choice, .field = record_field::nbmulti,
     .image = {.byte = 3, .shift = 5, .width = 3}, .words = NB_MULTI_WORDS, .rule = restriction::northbridge,
     .group = question_group::northbridge, .label = "    Northbridge frequency multiplier"},
    {.name = "xmp", .bit = CFG_NOXMP, .inverted = true, .group = question_group::memory,
     .label = "    Use XMP profile 1, if available"},
    {.name = "xmp-merge", .bit = CFG_XMP_NOMERGE, .inverted = true, .group = question_group::memory,
     .label = "    XMP1: merge JEDEC and XMP CAS latency lists", .needs = xmp_used, .needs_text = "xmp=yes",
     .triggers = {"xmp", "xmp"}},
    {.name = "fast-memory", .bit = CFG_MEMFAST, .rule = restriction::fast_memory, .group = question_group::memory,
     .label = "    Allow effective memory speeds above DDR3-1333"},
    {.name = "force-1t", .bit = CFG_MEM_1T, .rule = restriction::fast_memory, .group = question_group::memory,
     .label = "    Force 1T command rate in 1 UDIMM/ch configurations", .needs = fast_memory_on,
     .needs_text = "fast-memory=yes", .triggers = {"fast-memory", "fast-memory"}},
    {.name = "dimm-1v5", .bit = CFG_DIMM_1V5, .group = question_group::memory,
     .label = "    Force 1.5V DIMM Vdd (DANGEROUS)"},
    {.name = "relax-timings", .bit = CFG_MEM_RELAX, .group = question_group::memory,
     .label = "    Relax memory timings"},
    {.name = "ht-cap", .kind = value_kind::number, .field = record_field::htlimit,
     .image = {.byte = 2, .shift = 0, .width = 3, .bias = 25, .scale = 100}, .lo = 2500, .hi = 3200, .step = 100,
     .unit = "MHz", .group = question_group::ht, .label = "    Effective HT frequency cap"},
    {.name = "ht-alt-tuning", .bit = CFG_HT_ALT, .group = question_group::ht, .label = "    Use alternative HT tuning"},
    {.name = "reserved-bit-2", .bit = CFG_RESERVED, .rule = restriction::never_asked, .group = question_group::none,
     .label = "Option bit 2 (no question; kept as loaded)"},
};
inline constexpr std::size_t SETTING_COUNT = std::size(SETTINGS);

constexpr std::size_t index_of(std::string_view name)
{
    for (std::size_t i = 0; i < SETTING_COUNT; i++)
        if (name == SETTINGS[i].name)
            return i;
    return SETTING_COUNT;
}

constexpr const setting &row(std::string_view name)
{
    return SETTINGS[index_of(name)];
}

inline constexpr std::size_t REFCLOCK = index_of("refclock");
static_assert(REFCLOCK == 0 && index_of("reserved-bit-2") == SETTING_COUNT - 1);

// Where the setting's value lives in the image: a flag of the twelve stored
// flags bits by its bit, any other setting where its row says.
constexpr image_bits image_place(const setting &s)
{
    return s.field == record_field::flags && (s.bit & CFG_STORED_FLAGS) != 0 ? flag_image(s.bit) : s.image;
}
constexpr unsigned image_mask(const image_bits &p)
{
    return (1u << p.width) - 1;
}

// The setting's bits of the image: what its field (or its flag) holds, in place.
std::uint8_t stored_bits(const nvram_config &c, const setting &s);
// Sets the setting's field (or flag) from its bits of `image_byte`.
void load_bits(nvram_config *c, const setting &s, std::uint8_t image_byte);

// A setting's value in `c`: the field, or 1 for the question's yes.
unsigned get(const nvram_config &c, const setting &s);
void put(nvram_config *c, const setting &s, unsigned v);
// The setting's value in a record of defaults.
unsigned default_of(const setting &s);
// Whether the dialogue's question for `s` could give `v`.
bool on_grid(const setting &s, unsigned v);
// Whether the image can hold `v` for `s` (a wider range for refclock and
// nb-multiplier than their questions offer), or `v` is its stock word's 0.
bool in_image_range(const setting &s, unsigned v);
// `v` as -l prints it and -s reads it; a value no question gives as a number.
std::string value_text(const setting &s, unsigned v);
// What -s and -i accept, for messages and the usage text: "200..262 (MHz), or stock".
std::string values_text(const setting &s);
// Whether the dialogue asks for `s` on this processor.
bool offered(const setting &s, processor_facts cpu);
// Whether loading a record on this processor sets `s` to its default.
bool forced(const setting &s, processor_facts cpu);
// Why the processor withholds `s` from the dialogue or forces it at load;
// empty for a setting every processor offers.
std::string constraint_text(const setting &s, processor_facts cpu);

} // namespace named_settings
