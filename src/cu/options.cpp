#include "cu/options.h"

#include "cu/settings.h"
#include "cu/settings_list.h"
#include "cu/settings_table.h"
#include "runtime/diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void diagnostic(const char *program, const char *what, char option)
{
    report_error("%s: %s -- %c\n", program, what, option);
}

} // namespace

// A scanner of our own instead of the C library's getopt: glibc and mingw word
// their diagnostics differently and treat ordering differently by default.
cli_action scan_options(int argc, char **argv, run_options *o, int *first_positional)
{
    int i = 1;
    for (; i < argc; i++) {
        const char *arg = argv[i];
        if (arg[0] != '-' || arg[1] == '\0')
            break;
        if (std::strcmp(arg, "--") == 0) {
            i++;
            break;
        }
        for (const char *p = arg + 1; *p; p++) {
            switch (*p) {
            case 'd':
            case 's':
            case 'i': {
                const char *value = p[1] ? p + 1 : i + 1 < argc ? argv[++i] : nullptr;
                if (!value) {
                    diagnostic(argv[0], "option requires an argument", *p);
                    return cli_action::error;
                }
                if (*p == 'i' && o->settings_cli.input) {
                    // One settings file per run: a second would silently replace the first.
                    diagnostic(argv[0], "option given twice", *p);
                    return cli_action::error;
                }
                if (*p == 'd')
                    o->debug_file = value;
                else if (*p == 'i')
                    o->settings_cli.input = value;
                else
                    o->settings_cli.assignments.push_back(value);
                p += std::strlen(p) - 1; // the rest of this argument was the value
                break;
            }
            case 'l':
                o->settings_cli.list = true;
                break;
            case 'n':
                o->settings_cli.dry_run = true;
                break;
            case 'D':
                o->verbosity++;
                break;
            case 'f':
                o->force_count++;
                break;
            case 'h':
                return cli_action::help;
            case 'V':
                return cli_action::version;
            default:
                diagnostic(argv[0], "unknown option", *p);
                return cli_action::error;
            }
        }
    }
    *first_positional = i;
    return cli_action::run;
}

void print_usage(const char *p)
{
    std::printf("Usage:\n"
                "\t%s [-d <debug_file>] [-f] [-D]\n"
                "\t\tRuns the utility in interactive mode (recommended).\n"
                "\n"
                "\t%s [-d <debug_file>] [-f] [-D] <refclock>\n"
                "\t\tSets desired reference clock to refclock MHz. Advanced settings\n"
                "\t\tare unchanged.\n"
                "\n"
                "\t%s [-d <debug_file> ] [-f] [-D] reset\n"
                "\t\tResets the configuration to defaults (stock).\n"
                "\n"
                "\t%s -h\n"
                "\t\tDisplays this help and exits.\n"
                "\n"
                "\t%s -V\n"
                "\t\tDisplays version information and exits.\n"
                "\n"
                "Options:\n"
                "\t-d <debug_file>\tEnables debug mode with debug_file used as\n"
                "\t\t\tNVRAM backing store\n"
                "\t-f\t\toverrides various safeguards in kelb-cu (DANGEROUS);\n"
                "\t\t\tused for debugging\n"
                "\t-D\t\tincreases verbosity level\n",
                p, p, p, p, p);
    // Options added later, listed after the original text.
    std::printf("\n"
                "\t%s [-d <debug_file>] [-f] [-D] -l\n"
                "\t\tLists the configuration as name=value lines; writes nothing.\n"
                "\n"
                "\t%s [-d <debug_file>] [-f] [-D] [-n] [-i <file>] [-s <name>=<value>]... [<refclock>]\n"
                "\t\tSets the named settings without the dialogue; every other setting\n"
                "\t\tis unchanged.\n"
                "\n"
                "More options:\n"
                "\t-l\t\tlists the stored configuration; -i reads the listing back\n"
                "\t-s name=value\tsets one setting; repeatable, overrides -i\n"
                "\t-i <file>\treads name=value lines from file (- for standard input);\n"
                "\t\t\tblank lines and lines starting with # are skipped\n"
                "\t-n\t\tdry run: prints each change as name: old -> new and\n"
                "\t\t\tstores nothing; works in every mode\n",
                p, p);
    print_settings_usage();
}

bool parse_positional(int argc, char **argv, int first, run_mode *mode, unsigned *refclock)
{
    *mode = run_mode::interactive;
    if (first >= argc)
        return true;
    const char *arg = argv[first];
    if (std::strcmp(arg, "reset") == 0) {
        *mode = run_mode::reset;
    } else {
        char *end;
        errno = 0;
        long v = std::strtol(arg, &end, 10);
        std::fflush(stdout);
        if (*arg == '\0' || *end != '\0') {
            report_error("%s: invalid refclock -- '%s'\n", argv[0], arg);
            return false;
        }
        // An overflowed value is out of range too.
        const named_settings::setting &r = named_settings::SETTINGS[named_settings::REFCLOCK];
        if (v < long{r.lo} || v > long{r.hi}) {
            report_error("%s: refclock must be in %u-%u range\n", argv[0], r.lo, r.hi);
            return false;
        }
        *mode = run_mode::set_refclock;
        *refclock = static_cast<unsigned>(v);
    }
    if (first + 1 < argc) {
        report_error("%s: extra argument -- '%s'\n", argv[0], argv[first + 1]);
        return false;
    }
    return true;
}
