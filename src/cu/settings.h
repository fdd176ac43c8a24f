#pragma once
// The record's settings by name, without the dialogue: listing (-l), setting
// (-s name=value, -i file), and the dry run (-n) that shows what would change.
// One table of settings, in the dialogue's order, drives all of them.
#include "cu/config.h"
#include "cu/settings_table.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// What the command line asked of the settings.
struct settings_options {
    bool list = false;
    bool dry_run = false;
    const char *input = nullptr;           // -i: a file of name=value lines, "-" for standard input
    std::vector<const char *> assignments; // -s, in command-line order
};
extern settings_options settings_cli;

// The assignments of one run, by position in the settings table; each value
// is the field's value (bits as the question's yes = 1). Target 0 is "stock".
using assignment_list = std::vector<std::optional<unsigned>>;

// Reads -i and -s (and a positional reference clock, which counts as
// refclock=) into `out`, and refuses -l, -s and -i where the command line
// cannot combine them (`reset`: the positional reset). Syntax, names and
// grids only; false after printing the message.
bool collect_assignments(const char *program, bool reset, const std::optional<unsigned> &positional_refclock,
                         assignment_list *out);
// The same for one text of name=value lines (comments and blank lines
// skipped); `source` names it in messages.
bool parse_assignment_text(const char *program, const char *source, const std::string &text,
                           assignment_list *out);

// Applies `wanted` to `c`, the loaded record after the processor's
// adjustments, with the dialogue's side effects; false after printing why the
// dialogue could not have produced the result on this processor (`c` is then
// unspecified).
bool apply_assignments(const char *program, const assignment_list &wanted, nvram_config *c,
                       processor_facts cpu);

// The listing of -l: comments on the record's state, its image and the
// processor, then one name=value line per setting of `stored` (the record as
// decoded; ignored for CONFIG_ABSENT), with comments where the processor makes
// a value ineffective (`effective` is the record after its adjustments).
// `image` is null when the image could not be read.
void print_listing(std::FILE *out, config_status status, const config_image *image,
                   const nvram_config &stored, const nvram_config &effective, processor_facts cpu);

// The dry run's "name: old -> new" lines between the record as stored
// (`stored_status`, `stored`) and `now`.
void print_changes(config_status stored_status, const nvram_config &stored, const nvram_config &now);

// The processor facts, asked afresh as the dialogue asks them.
processor_facts current_processor();

// -l: from here on the run's own messages (banner, board, record state) go to
// standard error, so that standard output carries only the listing. Returns
// the stream of the standard output the run started with, which the caller
// closes (standard output itself when it could not be kept apart).
std::FILE *divert_output_for_listing();
// Reads the image from `fd` and prints the listing on `out`.
void list_record(std::FILE *out, int fd, config_status status, const nvram_config &stored,
                 const nvram_config &effective);

// The settings part of the usage text.
void print_settings_usage();
