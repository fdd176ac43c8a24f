#pragma once
// The record as found in NVRAM and stored back, and its image's codec.
#include "cu/record.h"
#include "hw/nvram_replace.h"

// Reads of the record from the device before it counts as unreadable.
inline constexpr int CONFIG_READ_TRIES = 3;

// CONFIG_ABSENT: no valid image, or a backing file too short to hold one.
// CONFIG_READ_FAILED: the image could not be read (the device lost its index
// on every try, or the file gave an I/O error); errno tells why, and cfg and
// old_cfg are left as they were.
enum config_status { CONFIG_VALID, CONFIG_BOOT_FAILED, CONFIG_ABSENT, CONFIG_READ_FAILED };

// The record a run edits and the record and image it found, which read_config
// fills and a store compares against.
struct record_state {
    nvram_config cfg = CFG_DEFAULTS; // the record being edited
    nvram_config old_cfg = {};       // the record as found; target 0 when none was usable
    // The image as read_config read it, which a store expects to find again:
    // fewer than six bytes only where a backing file ends before the record.
    nvram_bytes image_found;
    // Whether old_cfg holds a record loaded from NVRAM (valid or boot-failure marked).
    bool old_cfg_loaded = false;
};

// The image of a record, each setting in the bits its row gives; the reset
// image (six 0xFF) for target 0.
config_image encode_config(const nvram_config &c);
// Classifies an image by its check byte and decodes it when valid or marked.
config_status decode_config(const config_image &image, nvram_config *out);

config_status read_config(nvram &store, record_state &r);
// Asks the processor (or the KELB_DEBUG_* variables): family, then lock.
processor_facts read_processor_facts();
// Sets what the processor decides to its default: the multiplier unless
// unlocked, the northbridge on family 1, the fast memory modes on family 6.
void apply_cpu_constraints(nvram_config *c, processor_facts cpu);
bool config_changed(const record_state &r);
// Stores the image of r.cfg in place of r.image_found, checked (nvram_replace).
replace_result write_config(nvram &store, const record_state &r, int verbosity);
