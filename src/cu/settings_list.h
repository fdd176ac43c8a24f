#pragma once
// The record shown by name: the listing of -l, the changes of the dry run -n
// and the settings part of the usage text.
#include "cu/config.h"

#include <cstdio>

// The listing of -l: comments on the record's state, its image and the
// processor, then one name=value line per setting, the value in effect on
// this processor (`effective`, the record after the processor's adjustments),
// with the stored value (`stored`, as decoded; ignored for CONFIG_ABSENT) as
// a comment where the processor makes it ineffective. `image` is null when
// the image could not be read.
void print_listing(std::FILE *out, config_status status, const config_image *image, const nvram_config &stored,
                   const nvram_config &effective, processor_facts cpu);

// The dry run's "name: old -> new" lines between the record as stored
// (`stored_status`, `stored`) and `now`.
void print_changes(config_status stored_status, const nvram_config &stored, const nvram_config &now);

// -l: from here on the run's own messages (banner, board, record state) go to
// standard error, so that standard output carries only the listing. Returns
// the stream of the standard output the run started with, which the caller
// closes (standard output itself when it could not be kept apart).
std::FILE *divert_output_for_listing();
// Reads the image from `store` and prints the listing on `out`.
void list_record(std::FILE *out, nvram &store, config_status status, const nvram_config &stored,
                 const nvram_config &effective, processor_facts cpu);

// The settings part of the usage text.
void print_settings_usage();
