#pragma once
// Settings by name, without the dialogue: reading -s and -i (a file of
// name=value lines, as -l writes them) and applying them to the record by the
// rules of the settings table.
#include "cu/config.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the command line asked of the settings.
struct settings_options {
    bool list = false;
    bool dry_run = false;
    const char *input = nullptr;           // -i: a file of name=value lines, "-" for standard input
    std::vector<const char *> assignments; // -s, in command-line order
};

// The bounds of an -i text; a listing is about 600 bytes.
inline constexpr std::size_t SETTINGS_TEXT_MAX = 64 * 1024;
inline constexpr std::size_t SETTINGS_LINE_MAX = 512;

// One setting's requested value (bits as the question's yes = 1; refclock 0
// is "stock") and where it was given ("-s", "file:line"), for messages.
struct assignment {
    std::optional<unsigned> value;
    std::string where;
};
// By position in the settings table.
using assignment_list = std::vector<assignment>;

// -i and -s of one run: the file is applied first, then the command line
// (with a positional reference clock as refclock=) on its result.
struct settings_request {
    assignment_list file, command_line;
};

// What reading the settings of the command line came to; the run's status
// follows from it (program.cpp).
enum class settings_outcome : std::uint8_t {
    ok,
    refused,     // after the message that says why
    interrupted, // the -i read ended early on a signal (no message of its own)
};

// Reads -i and -s (`settings_cli`) into `out` and refuses -l, -s and -i where
// the command line cannot combine them (`reset`: the positional reset).
// Syntax, names and value ranges only.
settings_outcome collect_assignments(const char *program, const settings_options &settings_cli, bool reset,
                                     const std::optional<unsigned> &positional_refclock, settings_request *out);
// One text of name=value lines (blank lines, # comments and a UTF-8 byte-order
// mark skipped) into `out`; `source` names it in messages. False after the message.
bool parse_assignment_text(const char *program, const char *source, std::string_view text, assignment_list *out);

// Whether `wanted` names every setting the dialogue asks: a complete listing,
// which -i restores as a whole.
bool is_complete_listing(const assignment_list &wanted);

// Applies `wanted` to `c`, the loaded record after the processor's
// adjustments. A complete listing is restored as the record it describes:
// every value the processor leaves in effect is taken as it is, relations
// between settings included. Other assignments must give a record the
// dialogue could produce from `c` on this processor, and have the dialogue's
// side effects. False after printing why; `c` is then left as it was.
bool apply_assignments(const char *program, const assignment_list &wanted, nvram_config *c, processor_facts cpu);
// The file's assignments, then the command line's.
bool apply_request(const char *program, const settings_request &request, nvram_config *c, processor_facts cpu);
