#pragma once
// The overclocking configuration record and its six-byte NVRAM image.
#include "hw/nvram_replace.h"

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
    CFG_STORED_FLAGS = 0xFFF, // bits 12..15 never reach the image
};

// The image, bytes b0..b5 at offsets 248..253:
//   b0  bits 0-5 target - 200 (mod 64)      bits 6-7 nbv
//   b1  flags bits 0-7
//   b2  bits 0-2 htlimit / 100 - 25         bit 3 zero   bits 4-7 flags bits 8-11
//   b3  bits 0-1 zero   bits 2-4 vcore      bits 5-7 nbmulti
//   b4  bits 0-2 zero   bits 3-7 cpumulti
//   b5  check byte: CFG_CHECK_BASE - (b0 + ... + b4), mod 256; its complement
//       is the firmware's boot-failure mark. Six 0xFF bytes are the reset image.

inline constexpr unsigned CFG_NVRAM_OFFSET = 248;
inline constexpr unsigned CFG_IMAGE_SIZE = 6;
inline constexpr std::uint8_t CFG_CHECK_BASE = 0x4C;
// Reads of the record from the device before it counts as unreadable.
inline constexpr int CONFIG_READ_TRIES = 3;

using config_image = std::array<std::uint8_t, CFG_IMAGE_SIZE>;

// CONFIG_ABSENT: no valid image, or a backing file too short to hold one.
// CONFIG_READ_FAILED: the image could not be read (the device lost its index
// on every try, or the file gave an I/O error); errno tells why, and cfg and
// old_cfg are left as they were.
enum config_status { CONFIG_VALID, CONFIG_BOOT_FAILED, CONFIG_ABSENT, CONFIG_READ_FAILED };

inline constexpr nvram_config CFG_DEFAULTS = {200, 0, 3200, 0, 1, 2, 0};

// The processor facts that decide which settings apply.
struct processor_facts {
    int family; // cpu_extended_family; FAMILY_ANY matches both special families
    int lock;   // cpu_is_locked: 1 locked, 0 unlocked, anything else unknown
};
inline constexpr int FAMILY_ANY = -1;              // the debug-mode default
inline constexpr int FAMILY_FIXED_NORTHBRIDGE = 1; // keeps the northbridge at its defaults
inline constexpr int FAMILY_NO_FAST_MEMORY = 6;    // has no memory modes above DDR3-1333

extern nvram_config cfg;     // the record being edited
extern nvram_config old_cfg; // the record as found; target 0 when none was usable
// The image as read_config read it, which a store expects to find again:
// fewer than six bytes only where a backing file ends before the record.
extern nvram_bytes image_found;

// The image of a record; the reset image (six 0xFF) for target 0.
config_image encode_config(const nvram_config &c);
// Classifies an image by its check byte and decodes it when valid or marked.
config_status decode_config(const config_image &image, nvram_config *out);

config_status read_config(int fd);
// Asks the processor (or the KELB_DEBUG_* variables): family, then lock.
processor_facts read_processor_facts();
// Sets what the processor decides to its default: the multiplier unless
// unlocked, the northbridge on family 1, the fast memory modes on family 6.
void apply_cpu_constraints(nvram_config *c, processor_facts cpu);
// The same on cfg, with the facts read afresh.
void apply_cpu_constraints();
bool config_changed();
// Stores the image of cfg in place of image_found, checked (nvram_replace).
replace_result write_config(int fd, int verbosity);
