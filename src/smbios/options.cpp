// The decoder's command line: option scanning, keyword tables, usage text,
// and the entry that runs one decoder pass inside the caller's process.
#include "smbios/options.h"
#include "smbios/access.h"
#include "smbios/option_state.h"
#include "runtime/diagnostics.h"

#include <getopt.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr const char DECODER_NAME[] = "kelb-dmi";
constexpr const char DECODER_VERSION[] = "1.0";

constexpr std::array<string_keyword, 23> string_key_table = {{
    {"bios-vendor", 0, 0x04},
    {"bios-version", 0, 0x05},
    {"bios-release-date", 0, 0x08},
    {"system-manufacturer", 1, 0x04},
    {"system-product-name", 1, 0x05},
    {"system-version", 1, 0x06},
    {"system-serial-number", 1, 0x07},
    {"system-uuid", 1, 0x08},
    {"baseboard-manufacturer", 2, 0x04},
    {"baseboard-product-name", 2, 0x05},
    {"baseboard-version", 2, 0x06},
    {"baseboard-serial-number", 2, 0x07},
    {"baseboard-asset-tag", 2, 0x08},
    {"chassis-manufacturer", 3, 0x04},
    {"chassis-type", 3, 0x05},
    {"chassis-version", 3, 0x06},
    {"chassis-serial-number", 3, 0x07},
    {"chassis-asset-tag", 3, 0x08},
    {"processor-family", 4, 0x06},
    {"processor-manufacturer", 4, 0x07},
    {"processor-version", 4, 0x10},
    {"processor-frequency", 4, 0x16},
    {"oem-string-last", 11, 0x04},
}};

struct type_keyword {
    const char *keyword;
    std::array<std::uint8_t, 5> types;
    unsigned count;
};

constexpr std::array<type_keyword, 9> type_key_table = {{
    {"bios", {0, 13}, 2},
    {"system", {1, 12, 15, 23, 32}, 5},
    {"baseboard", {2, 10, 41}, 3},
    {"chassis", {3}, 1},
    {"processor", {4}, 1},
    {"memory", {5, 6, 16, 17}, 4},
    {"cache", {7}, 1},
    {"connector", {8}, 1},
    {"slot", {9}, 1},
}};

// Codes of the options that have no short form; above every character.
enum : int { OPT_DUMP_BIN = 0x100, OPT_FROM_DUMP, OPT_NO_SYSFS };

// Leading '-': non-options come back in place (code 1) instead of being
// permuted, whatever the environment asks of the scanner; ':': a missing
// argument is told apart from an unknown option.
constexpr const char SHORT_OPTIONS[] = "-:d:hqs:t:uV";

constexpr std::array<option, 11> long_options = {{
    {"dev-mem", required_argument, nullptr, 'd'},
    {"help", no_argument, nullptr, 'h'},
    {"quiet", no_argument, nullptr, 'q'},
    {"string", required_argument, nullptr, 's'},
    {"type", required_argument, nullptr, 't'},
    {"dump", no_argument, nullptr, 'u'},
    {"dump-bin", required_argument, nullptr, OPT_DUMP_BIN},
    {"from-dump", required_argument, nullptr, OPT_FROM_DUMP},
    {"no-sysfs", no_argument, nullptr, OPT_NO_SYSFS},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
}};

bool same_text_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); i++) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The scanner's diagnostics are printed here rather than by the C library,
// whose wording differs between platforms. `element` is the argument the
// scanner was working on; `code` is ':' for a missing argument of a short
// option, '?' for an unknown one.
void print_scanner_diagnostic(const char *element, int code)
{
    bool is_long = element && element[0] == '-' && element[1] == '-' && element[2];
    if (!is_long) {
        if (code == ':')
            report_error("%s: option requires an argument -- '%c'\n", DECODER_NAME, optopt);
        else
            report_error("%s: invalid option -- '%c'\n", DECODER_NAME, optopt);
        return;
    }
    std::string_view given = element + 2;
    std::string_view name = given.substr(0, given.find('='));
    const option *exact = nullptr, *first = nullptr;
    unsigned prefixed = 0;
    for (const option &o : long_options) {
        if (!o.name)
            break;
        std::string_view n = o.name;
        if (n == name) {
            exact = &o;
            break;
        }
        if (n.substr(0, name.size()) == name) {
            first = first ? first : &o;
            prefixed++;
        }
    }
    const option *found = exact ? exact : prefixed == 1 ? first : nullptr;
    // Which of the two a known option suffered is told by the option itself:
    // the scanners disagree on the code they return for a surplus argument.
    if (found && found->has_arg != no_argument) {
        report_error("%s: option '--%s' requires an argument\n", DECODER_NAME, found->name);
    } else if (found) {
        report_error("%s: option '--%s' doesn't allow an argument\n", DECODER_NAME, found->name);
    } else if (prefixed > 1) {
        report_error("%s: option '--%.*s' is ambiguous; possibilities:", DECODER_NAME,
                     static_cast<int>(name.size()), name.data());
        for (const option &o : long_options)
            if (o.name && std::string_view(o.name).substr(0, name.size()) == name)
                report_error(" '--%s'", o.name);
        report_error("\n");
    } else {
        report_error("%s: unrecognized option '%s'\n", DECODER_NAME, element);
    }
}

// strtoul with automatic base, as 32 bits on every platform: a magnitude
// beyond 32 bits saturates, a minus sign negates modulo 2^32. Returns false
// when no digits follow (then *end is `text`).
bool read_type_number(const char *text, const char **end, std::uint32_t *value)
{
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    unsigned base = 10;
    auto hex_digit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit(p[2])) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    std::uint64_t v = 0;
    bool any = false, overflow = false;
    for (;; p++) {
        unsigned d;
        if (*p >= '0' && *p <= '9')
            d = static_cast<unsigned>(*p - '0');
        else if (*p >= 'a' && *p <= 'z')
            d = static_cast<unsigned>(*p - 'a' + 10);
        else if (*p >= 'A' && *p <= 'Z')
            d = static_cast<unsigned>(*p - 'A' + 10);
        else
            break;
        if (d >= base)
            break;
        any = true;
        v = v * base + d;
        if (v > 0xFFFFFFFFu) {
            overflow = true;
            v = 0xFFFFFFFFu;
        }
    }
    if (!any) {
        *end = text;
        return false;
    }
    *end = p;
    if (overflow)
        *value = 0xFFFFFFFFu;
    else
        *value = static_cast<std::uint32_t>(negative ? 0u - static_cast<std::uint32_t>(v) : v);
    return true;
}

void drop_type_filter()
{
    std::free(decoder_options.type_filter);
    decoder_options.type_filter = nullptr;
}

int add_type_selection(const char *arg)
{
    if (!decoder_options.type_filter) {
        decoder_options.type_filter = static_cast<std::uint8_t *>(std::calloc(256, 1));
        if (!decoder_options.type_filter) {
            report_errno("calloc");
            return -1;
        }
    }
    for (const type_keyword &k : type_key_table) {
        if (same_text_ignoring_case(arg, k.keyword)) {
            for (unsigned i = 0; i < k.count; i++)
                decoder_options.type_filter[k.types[i]] = 1;
            return 0;
        }
    }
    const char *p = arg;
    while (*p) {
        std::uint32_t value = 0;
        const char *next = nullptr;
        if (!read_type_number(p, &next, &value)) {
            report_error("Invalid type keyword: %s\n", p);
            list_type_keywords();
            drop_type_filter();
            return -1;
        }
        if (value > 0xFF) {
            report_error("Invalid type number: %lu\n", static_cast<unsigned long>(value));
            drop_type_filter();
            return -1;
        }
        decoder_options.type_filter[value] = 1;
        p = next;
        while (*p == ',' || *p == ' ')
            p++;
    }
    return 0;
}

int set_string_key(const char *arg)
{
    if (decoder_options.string_key) {
        report_error("Only one string can be specified\n");
        return -1;
    }
    for (const string_keyword &k : string_key_table) {
        if (same_text_ignoring_case(arg, k.keyword)) {
            decoder_options.string_key = &k;
            decoder_options.mode |= MODE_QUIET;
            return 0;
        }
    }
    report_error("Invalid string keyword: %s\n", arg);
    list_string_keywords();
    return -1;
}

} // namespace

void list_string_keywords()
{
    report_error("Valid string keywords are:\n");
    for (const string_keyword &k : string_key_table)
        report_error("  %s\n", k.keyword);
}

void list_type_keywords()
{
    report_error("Valid type keywords are:\n");
    for (const type_keyword &k : type_key_table)
        report_error("  %s\n", k.keyword);
}

void print_decoder_usage()
{
    std::printf("Usage: kelb-dmi [OPTIONS]\n"
                "Options are:\n"
                " -d, --dev-mem FILE     Read memory from device FILE (default: /dev/mem)\n"
                " -h, --help             Display this help text and exit\n"
                " -q, --quiet            Less verbose output\n"
                " -s, --string KEYWORD   Only display the value of the given DMI string\n"
                " -t, --type TYPE        Only display the entries of given type\n"
                " -u, --dump             Do not decode the entries\n"
                "     --dump-bin FILE    Dump the DMI data to a binary file\n"
                "     --from-dump FILE   Read the DMI data from a binary file\n"
                " -V, --version          Display the version and exit\n"
                "     --no-sysfs         Do not read the tables from sysfs\n");
}

int parse_decoder_options(int argc, char **argv)
{
    opterr = 0;
    for (;;) {
        // The argument the scanner works on during this call: a short-option
        // cluster keeps the index on its element until the cluster ends.
        int current = optind > 0 ? optind : 1;
        int c = getopt_long(argc, argv, SHORT_OPTIONS, long_options.data(), nullptr);
        if (c == -1)
            break;
        switch (c) {
        case 1: // not an option
            break;
        case 'd':
            decoder_options.device_path = optarg;
            break;
        case 'h':
            decoder_options.mode |= MODE_HELP;
            break;
        case 'q':
            decoder_options.mode |= MODE_QUIET;
            break;
        case 's':
            if (set_string_key(optarg) < 0)
                return -1;
            break;
        case 't':
            if (add_type_selection(optarg) < 0)
                return -1;
            break;
        case 'u':
            decoder_options.mode |= MODE_DUMP;
            break;
        case OPT_DUMP_BIN:
            decoder_options.mode |= MODE_DUMP_BIN;
            decoder_options.dump_path = optarg;
            break;
        case OPT_FROM_DUMP:
            decoder_options.mode |= MODE_FROM_DUMP;
            decoder_options.dump_path = optarg;
            break;
        case OPT_NO_SYSFS:
            decoder_options.mode |= MODE_NO_SYSFS;
            break;
        case 'V':
            decoder_options.mode |= MODE_VERSION;
            break;
        default: // ':' or '?'
            print_scanner_diagnostic(current < argc ? argv[current] : nullptr, c);
            if (optopt == 's') {
                report_error("String keyword expected\n");
                list_string_keywords();
            } else if (optopt == 't') {
                report_error("Type number or keyword expected\n");
                list_type_keywords();
            }
            return -1;
        }
    }
    int exclusive = (decoder_options.string_key != nullptr) + (decoder_options.type_filter != nullptr) +
                    ((decoder_options.mode & MODE_DUMP_BIN) != 0);
    if (exclusive > 1) {
        report_error("Options --string, --type and --dump-bin are mutually exclusive\n");
        return -1;
    }
    if ((decoder_options.mode & MODE_FROM_DUMP) && (decoder_options.mode & MODE_DUMP_BIN)) {
        report_error("Options --from-dump and --dump-bin are mutually exclusive\n");
        return -1;
    }
    return 0;
}

int dmi_decoder_main(int argc, char **argv)
{
    decoder_options.device_path = "/dev/mem";
    decoder_options.mode = 0;
    int status;
    if (parse_decoder_options(argc, argv) < 0) {
        status = 2;
    } else if (decoder_options.mode & MODE_HELP) {
        print_decoder_usage();
        status = 0;
    } else if (decoder_options.mode & MODE_VERSION) {
        std::printf("%s\n", DECODER_VERSION);
        status = 0;
    } else {
        if (!decoder_quiet())
            std::printf("# %s %s\n", DECODER_NAME, DECODER_VERSION);
        status = smbios_access_sequence();
    }
    // Left null, not dangling, so that a later run cannot reach freed memory.
    drop_type_filter();
    return status;
}

void dmi_decoder_reset()
{
    // Index 0 makes both the GNU and the BSD scanner start over completely,
    // including the position inside a short-option cluster.
    optind = 0;
    opterr = 1;
    optopt = 0;
    optarg = nullptr;
    decoder_options = decoder_state{};
}
