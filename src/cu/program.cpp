#include "cu/program.h"

#include "cu/config.h"
#include "cu/ctrl.h"
#include "cu/driver_advice.h"
#include "cu/menu.h"
#include "cu/options.h"
#include "cu/settings.h"
#include "cu/settings_list.h"
#include "hw/console.h"
#include "hw/cpu.h"
#include "hw/driver.h"
#include "hw/nvram.h"
#include "hw/nvram_lock.h"
#include "ident/identify.h"
#include "runtime/diagnostics.h"
#include "runtime/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace {

// The banner names the firmware version the utility is meant for.
void print_banner(const char *end)
{
    std::printf("kelb-cu: KELB configuration utility (KELB%s)%s", KELB_SUPPORTED_VERSION_TEXT, end);
}

// -l: the standard output the run started with, which carries the listing only.
std::FILE *listing_out = nullptr;

// -f: each safeguard that finds an override left uses it up and is skipped.
bool skip_safeguard()
{
    if (force_count > 0) {
        force_count--;
        return true;
    }
    return false;
}

void default_debug_environment()
{
    static char family[] = "KELB_DEBUG_CPU_EXTENDED_FAMILY=-1";
    static char locked[] = "KELB_DEBUG_CPU_LOCKED=1";
    bool defaulted = false;
    if (!std::getenv(ENV_CPU_FAMILY)) {
        report_error("KELB_DEBUG_CPU_EXTENDED_FAMILY is not set, defaulting to -1\n");
        putenv(family);
        defaulted = true;
    }
    if (!std::getenv(ENV_CPU_LOCKED)) {
        report_error("KELB_DEBUG_CPU_LOCKED is not set, defaulting to 1\n");
        putenv(locked);
        defaulted = true;
    }
    if (defaulted)
        report_error("\n");
}

// Board and firmware checks of a real machine; EXIT_OK when both pass or are skipped.
int platform_safeguards()
{
    if (!skip_safeguard()) {
        int r = check_board(CHECK_BOARD_PRINT_MODEL | CHECK_BOARD_PRINT_ERRORS);
        if (r == BOARD_UNSUPPORTED)
            return EXIT_BOARD_UNSUPPORTED;
        if (r != 0)
            return EXIT_BOARD_UNKNOWN;
    }
    if (!skip_safeguard()) {
        int v = get_firmware_version();
        if (v < 0) {
            report_error("Couldn't determine KELB firmware version (error %d).\n", v);
            report_error("\nThis utility is meant for KELB firmware version %s.\n\n", KELB_SUPPORTED_VERSION_TEXT);
            report_error("Install KELB firmware version %s.\n", KELB_SUPPORTED_VERSION_TEXT);
            return EXIT_FIRMWARE_UNKNOWN;
        }
        if (static_cast<std::uint32_t>(v) != KELB_SUPPORTED_VERSION) {
            report_error("Version mismatch. This utility is meant for KELB firmware version %s\n",
                         KELB_SUPPORTED_VERSION_TEXT);
            report_error("but you appear to be running KELB firmware version ");
            print_version(stderr, static_cast<std::uint32_t>(v));
            report_error(".\n\n");
            report_error("Install KELB firmware version %s or use kelb-cu version ", KELB_SUPPORTED_VERSION_TEXT);
            print_version(stderr, static_cast<std::uint32_t>(v));
            report_error(" instead.\n");
            return EXIT_FIRMWARE_MISMATCH;
        }
    }
    return EXIT_OK;
}

// -D: every field of the record, in its order, whether or not it changed.
void trace_config()
{
    for (const field_name &f : RECORD_FIELDS)
        report_error(f.hex ? "%s: cfg.%s: 0x%04x\n" : "%s: cfg.%s: %d\n", "main", f.name, field_value(cfg, f.field));
    report_error("\n");
}

// The run's status for what reading the settings came to.
int status_of(settings_outcome outcome)
{
    switch (outcome) {
    case settings_outcome::ok: return EXIT_OK;
    case settings_outcome::refused: return EXIT_ARGUMENT;
    case settings_outcome::interrupted: return EXIT_INTERRUPTED;
    }
    return EXIT_ARGUMENT;
}

int not_regular()
{
    report_error("%s: not a regular file\n", debug_file);
    return EXIT_NOT_REGULAR;
}

// Opens the NVRAM and takes the run's lock on it, before anything is read.
int open_and_lock(bool read_only, std::unique_ptr<nvram> *nv)
{
    if (debug_file)
        *nv = nvram_file::open(debug_file, read_only ? O_RDONLY : O_RDWR);
    else
        *nv = nvram_device::open();
    if (!*nv) {
        report_errno(debug_file ? debug_file : "nvram_open");
        return EXIT_NVRAM_OPEN;
    }
    switch (nvram_lock(debug_file)) {
    case NVRAM_LOCK_HELD:
        return EXIT_OK;
    case NVRAM_LOCK_BUSY:
        report_error("%s: another kelb-cu holds the NVRAM\n", nvram_lock_place());
        report_error("Nothing was written; try again when it has finished.\n");
        return EXIT_NVRAM_BUSY;
    default:
        report_errno(nvram_lock_place());
        report_error("ERROR: couldn't lock the NVRAM against other runs of kelb-cu; nothing was written\n");
        return EXIT_NVRAM_OPEN;
    }
}

// Whether what the run wrote on `out` reached its reader whole: no write and
// no final flush failed (a full device, a closed pipe), and standard output was
// open when the run started. `out` is flushed, or closed unless it is stdout;
// errno then says why it was lost.
bool output_lost(std::FILE *out)
{
    bool lost = std::ferror(out) != 0;
    errno = 0;
    if ((out == stdout ? std::fflush(stdout) : std::fclose(out)) != 0)
        lost = true;
    else if (lost)
        errno = EIO;
    if (standard_stream_was_closed(1)) {
        lost = true;
        errno = EBADF;
    }
    return lost;
}

// Closes the listing's stream: a listing that did not reach its reader whole
// fails the run, unless it failed before.
int close_listing(int status)
{
    bool lost = output_lost(listing_out);
    listing_out = nullptr;
    if (!lost || status != EXIT_OK)
        return status;
    report_errno("listing");
    report_error("ERROR: the listing is incomplete\n");
    return EXIT_LISTING;
}

// The last flush of a dry run's report, its change list, which is all that a
// dry run makes: one that did not reach its reader whole fails the run as an
// incomplete listing does, unless the run failed before or a control event
// stopped it (which may have cut the report short).
int close_dry_run_report(int status)
{
    if (!output_lost(stdout) || status != EXIT_OK || interrupted.load() != 0)
        return status;
    report_errno("dry run");
    report_error("ERROR: the dry run's report is incomplete\n");
    return EXIT_LISTING;
}

// Runs that may end without storing (-l, -n, -s, -i) open the NVRAM read-only;
// their store opens it again for writing, with the same checks of the path.
// A backing file must still be the file this run read and locked: one put in
// its path's place meanwhile is refused, and nothing is written.
int reopen_for_writing(nvram &nv)
{
    switch (nv.reopen_for_writing()) {
    case nvram_reopen::reopened:
        return EXIT_OK;
    case nvram_reopen::not_regular:
        return not_regular();
    case nvram_reopen::other_file:
        report_error("%s: no longer the file this run read; nothing was written\n", debug_file);
        return EXIT_NVRAM_OPEN;
    case nvram_reopen::failed:
        break;
    }
    report_errno(debug_file ? debug_file : "nvram_open");
    return EXIT_NVRAM_OPEN;
}

// Runs that a control event ends before they store: the dialogue, runs with
// -s or -i, and dry runs. Reset and reference-clock runs go on and store.
bool stops_on_control_event(run_mode mode)
{
    return mode == run_mode::interactive || mode == run_mode::assign || settings_cli.dry_run;
}

// Six image bytes as hex, "--" for each that could not be read or that a
// backing file does not hold.
void report_image(const char *text, const nvram_bytes &b)
{
    report_error("%s", text);
    for (std::size_t i = 0; i < CFG_IMAGE_SIZE; i++) {
        if (i < b.size())
            report_error(" %02x", b[i]);
        else
            report_error(" --");
    }
    report_error("\n");
}

// What a store that did not succeed did, and what the NVRAM holds now.
void report_store_failure(const replace_result &r, const nvram_bytes &written)
{
    if (r.error != 0)
        report_error("write_config: %s\n", std::strerror(r.error));
    if (r.status == replace_status::changed) {
        report_error("write_config: the stored record is not the one this run read; another program changed it\n");
        report_image("write_config: read at the start:", image_found);
        report_image("write_config: read now:         ", r.seen);
        report_error("ERROR: couldn't store configuration; nothing was written\n");
        return;
    }
    report_error("write_config: the new record did not take in %d tries\n", NVRAM_STORE_TRIES);
    report_image("write_config: written:  ", written);
    report_image("write_config: read back:", r.seen);
    if (r.status == replace_status::restored) {
        report_image("ERROR: couldn't store configuration; the previous configuration is back:", r.now);
        return;
    }
    config_image now{};
    nvram_config ignored;
    bool whole = r.now.size() == now.size();
    if (whole)
        std::copy(r.now.begin(), r.now.end(), now.begin());
    if (whole && decode_config(now, &ignored) == CONFIG_VALID)
        report_image("ERROR: couldn't store configuration; the NVRAM now holds another record, which the "
                     "firmware will use:", r.now);
    else
        report_image("ERROR: couldn't store configuration; the NVRAM now holds an invalid record: the firmware "
                     "will run at stock:", r.now);
}

// Whether this run began a store: a control event after that leaves the
// store's status as it is.
bool store_began = false;

// The store, checked, with control events held until it has been reported.
int store(nvram &nv, bool read_only, bool stoppable)
{
    store_section held;
    // The last moment a control event can still stop the run with nothing written.
    if (stoppable && interrupted.load() != 0)
        return EXIT_INTERRUPTED;
    store_began = true;
    if (read_only) {
        int status = reopen_for_writing(nv);
        if (status != EXIT_OK)
            return status;
    }
    config_image image = encode_config(cfg);
    replace_result r = write_config(nv, verbosity);
    if (r.status != replace_status::replaced) {
        report_store_failure(r, nvram_bytes(image.begin(), image.end()));
        return EXIT_STORE;
    }
    std::puts("Configuration stored successfully.");
    std::puts("");
    std::puts("To ensure proper application, POWER-OFF the machine, then power it back on.");
    std::fflush(stdout);
    return EXIT_OK;
}

// Everything between the safeguards and the clean-up, on an open NVRAM.
int edit_and_store(nvram &nv, bool read_only, run_mode mode, unsigned refclock, const char *program,
                   const settings_request &wanted)
{
    if (debug_file) {
        // Tested again on the open file, in case another took the path's place.
        if (nv.check_regular() != 0)
            return not_regular();
    } else if (!skip_safeguard() && nv.checksum() != 0) {
        report_error("PC NVRAM checksum mismatch.\n");
        report_error("\nReboot the machine and enter the BIOS setup. If needed, adjust settings.\n");
        report_error("Then save and exit.\n");
        return EXIT_CHECKSUM;
    }

    config_status found = read_config(nv);
    if (found == CONFIG_READ_FAILED) {
        report_errno("read_config");
        report_error("ERROR: couldn't read the stored configuration\n");
        report_error("Nothing was written; the stored settings are left as they are.\n");
        return EXIT_READ_CONFIG;
    }
    const nvram_config stored = cfg; // as decoded, before the processor's adjustments
    const processor_facts cpu = read_processor_facts();
    apply_cpu_constraints(&cfg, cpu);

    switch (mode) {
    case run_mode::interactive:
        if (!run_menu())
            return EXIT_INTERRUPTED;
        break;
    case run_mode::reset:
        cfg.target = 0;
        break;
    case run_mode::set_refclock:
        cfg.target = static_cast<std::uint16_t>(refclock);
        break;
    case run_mode::assign:
        if (!apply_request(program, wanted, &cfg, cpu))
            return EXIT_ARGUMENT;
        break;
    case run_mode::list:
        list_record(listing_out, nv, found, stored, cfg, cpu);
        return EXIT_OK;
    }

    if (interrupted.load() != 0 && stops_on_control_event(mode))
        return EXIT_INTERRUPTED;
    if (verbosity > 0)
        trace_config();
    if (!config_changed()) {
        std::puts("Configuration unchanged.");
        return EXIT_OK;
    }
    if (settings_cli.dry_run) {
        print_changes(found, stored, cfg);
        std::puts("Dry run: configuration not stored.");
        return EXIT_OK;
    }
    return store(nv, read_only, stops_on_control_event(mode));
}

} // namespace

int kelb_cu_main(int argc, char **argv)
{
    install_console_ctrl_handler();
    // Some C runtimes buffer the error stream when it is not a console, which
    // would put a diagnostic written at once before earlier messages.
    std::setvbuf(stderr, nullptr, _IONBF, 0);

    int first = argc;
    int status = EXIT_OK;
    bool driver_open = false;
    run_mode mode = run_mode::interactive;
    unsigned refclock = 0;
    settings_request wanted;

    switch (scan_options(argc, argv, &first)) {
    case cli_action::help:
        print_usage(argv[0]);
        return EXIT_OK;
    case cli_action::version:
        print_banner("\n");
        return EXIT_OK;
    case cli_action::error:
        status = EXIT_OPTION;
        goto finish;
    case cli_action::run:
        break;
    }

    if (settings_cli.list)
        listing_out = divert_output_for_listing();
    print_banner("\n\n");
    cfg = CFG_DEFAULTS;
    old_cfg.target = 0;

    if (force_count > 0 && !debug_file) {
        report_error("*** WARNING: -f forces access to incompatible hardware/firmware. ***\n");
        report_error("***          This will almost certainly cause a disaster.        ***\n\n");
    }
    if (debug_file)
        default_debug_environment();

    if (!parse_positional(argc, argv, first, &mode, &refclock)) {
        status = EXIT_ARGUMENT;
        goto finish;
    }
    // A control event makes a read of -i - return at once.
    if (settings_cli.input && std::string_view(settings_cli.input) == "-")
        console_read_begins();
    status = status_of(collect_assignments(argv[0], mode == run_mode::reset,
                                           mode == run_mode::set_refclock ? std::optional<unsigned>(refclock)
                                                                          : std::nullopt,
                                           &wanted));
    console_read_ends();
    if (settings_cli.list)
        mode = run_mode::list;
    else if (settings_cli.input || !settings_cli.assignments.empty())
        mode = run_mode::assign;
    // The dialogue sees an event at its first question.
    if (interrupted.load() != 0 && mode != run_mode::interactive && stops_on_control_event(mode))
        status = EXIT_INTERRUPTED;
    if (status != EXIT_OK)
        goto finish;
    if (mode == run_mode::interactive && !stdin_is_terminal()) {
        report_error("Standard input is not a terminal. Exiting.\n");
        status = EXIT_NOT_A_TERMINAL;
        goto finish;
    }

    if (!debug_file) {
        status = platform_safeguards();
        if (status != EXIT_OK)
            goto finish;
        if (sys_init() != 0) {
            int err = errno;
            report_errno("sys_init");
            report_error("%s", driver_advice(failed_driver_facts(err)).c_str());
            status = EXIT_DRIVER;
            goto finish;
        }
        driver_open = true;
    }

    // A device file in place of the backing file is never opened: an open
    // alone can set off a device (a watchdog arms itself).
    if (debug_file && nvram_check_path(debug_file) != 0) {
        status = not_regular();
        goto finish;
    }
    {
        bool read_only = settings_cli.dry_run || mode == run_mode::list || mode == run_mode::assign;
        std::unique_ptr<nvram> nv;
        status = open_and_lock(read_only, &nv);
        if (status == EXIT_OK)
            status = edit_and_store(*nv, read_only, mode, refclock, argv[0], wanted);
        nv.reset(); // closed before the lock is released
        nvram_unlock();
    }
    if (driver_open)
        sys_deinit();

finish:
    if (listing_out)
        status = close_listing(status);
    else if (settings_cli.dry_run)
        status = close_dry_run_report(status);
    // A run that a control event stops and that stored nothing stops at any
    // moment, up to the last flush of its report: what it printed may be cut
    // short, and its status says so.
    if (status == EXIT_OK && !store_began && stops_on_control_event(mode) && interrupted.load() != 0)
        status = EXIT_INTERRUPTED;
    if (status == EXIT_INTERRUPTED)
        std::puts("\n\nSignal received or EOF on input.");
    else
        pause_if_own_console();
    end_of_run_handshake();
    return status;
}
