#pragma once
// The overclocking configuration record, its fields, and the facts of the
// six-byte image that belong to no single setting (its place in NVRAM, the
// check byte, the reset image). Where each setting lives in the image is
// said by its row in settings_table.h. Depends on nothing else of src/.
#include <array>
#include <cstdint>

struct nvram_config {
    std::uint16_t target;   // reference clock in MHz; 0 = reset to stock
    std::uint16_t flags;    // CFG_* bits; only bits 0..11 are stored
    std::uint16_t htlimit;  // HT frequency cap, 2500..3200
    std::uint16_t nbmulti;  // 0 auto, 1 "9x", 2 "10x", 3 "11x"
    std::uint8_t nbv;       // northbridge voltage, +12.5 mV steps
    std::uint8_t vcore;     // core voltage, +12.5 mV steps
    std::uint8_t cpumulti;  // core multiplier, +0.5 steps
};

enum : std::uint16_t {
    CFG_MULTISET = 0x001,
    CFG_WARMONLY = 0x002,
    CFG_RESERVED = 0x004, // no question sets it; carried through load and store
    CFG_NOXMP = 0x008,
    CFG_MEMFAST = 0x010,
    CFG_XMP_NOMERGE = 0x020,
    CFG_DIMM_1V5 = 0x040,
    CFG_HT_ALT = 0x080,
    CFG_MEM_RELAX = 0x100,
    CFG_PSTATE_FREE = 0x200,
    CFG_MEM_1T = 0x400,
    CFG_MULTI_ALLP = 0x800,
    CFG_STORED_FLAGS = 0xFFF, // b1 and b2 hold these; bits 12..15 only where a row places them
};

// The fields of the record, each a member of nvram_config.
enum class record_field : std::uint8_t { target, cpumulti, vcore, nbv, nbmulti, htlimit, flags };

unsigned field_value(const nvram_config &c, record_field f);
void set_field(nvram_config *c, record_field f, unsigned v);

// Every field in the record's order, as the -D trace shows them and as a
// change is looked for; flags is shown in hex.
struct field_name {
    record_field field;
    const char *name;
    bool hex = false;
};
inline constexpr field_name RECORD_FIELDS[] = {
    {record_field::target, "target"}, {record_field::flags, "flags", true}, {record_field::htlimit, "htlimit"},
    {record_field::nbmulti, "nbmulti"}, {record_field::nbv, "nbv"},          {record_field::vcore, "vcore"},
    {record_field::cpumulti, "cpumulti"},
};

// Whether two records differ in any field.
bool records_differ(const nvram_config &a, const nvram_config &b);

// The image, bytes b0..b5 at offsets 248..253 (each setting's row says which
// bits are its own; these are all of them):
//   b0  bits 0-5 target - 200 (mod 64)      bits 6-7 nbv
//   b1  flags bits 0-7
//   b2  bits 0-2 htlimit / 100 - 25         bit 3 zero   bits 4-7 flags bits 8-11
//   b3  bits 0-1 zero   bits 2-4 vcore      bits 5-7 nbmulti
//   b4  bits 0-2 zero   bits 3-7 cpumulti
//   b5  check byte: CFG_CHECK_BASE - (b0 + ... + b4), mod 256; its complement
//       is the firmware's boot-failure mark. Six 0xFF bytes are the reset image.

inline constexpr unsigned CFG_NVRAM_OFFSET = 248;
inline constexpr unsigned CFG_IMAGE_SIZE = 6;
inline constexpr unsigned CFG_CHECK_BYTE = 5; // b5, which no setting holds
inline constexpr std::uint8_t CFG_CHECK_BASE = 0x4C;
inline constexpr std::uint8_t CFG_RESET_BYTE = 0xFF;
// The target of a record that stores the reset image.
inline constexpr std::uint16_t CFG_RESET_TARGET = 0;

using config_image = std::array<std::uint8_t, CFG_IMAGE_SIZE>;

inline constexpr nvram_config CFG_DEFAULTS = {200, 0, 3200, 0, 1, 2, 0};

// The processor's multiplier lock, from cpu_is_locked's reading (1 locked,
// 0 unlocked, anything else unknown).
enum class multiplier_lock : std::uint8_t { unlocked, locked, unknown };

constexpr multiplier_lock lock_of_reading(int reading)
{
    return reading == 1 ? multiplier_lock::locked : reading == 0 ? multiplier_lock::unlocked : multiplier_lock::unknown;
}

// The processor facts that decide which settings apply.
struct processor_facts {
    int family = 0;        // cpu_extended_family; FAMILY_ANY matches both special families
    int lock_reading = -1; // what cpu_is_locked read, which messages show
    constexpr multiplier_lock lock() const { return lock_of_reading(lock_reading); }
};
inline constexpr int FAMILY_ANY = -1;              // the debug-mode default
inline constexpr int FAMILY_FIXED_NORTHBRIDGE = 1; // keeps the northbridge at its defaults
inline constexpr int FAMILY_NO_FAST_MEMORY = 6;    // has no memory modes above DDR3-1333
