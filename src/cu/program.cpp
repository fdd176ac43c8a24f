#include "cu/program.h"

#include "cu/config.h"
#include "cu/ctrl.h"
#include "cu/driver_advice.h"
#include "cu/menu.h"
#include "cu/options.h"
#include "cu/run.h"
#include "cu/settings.h"
#include "cu/settings_list.h"
#include "hw/console.h"
#include "hw/cpu.h"
#include "hw/driver.h"
#include "hw/nvram.h"
#include "ident/identify.h"
#include "runtime/diagnostics.h"
#include "runtime/environment.h"
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

// -f: each safeguard that finds an override left uses it up and is skipped.
bool skip_safeguard(run_options &o)
{
    if (o.force_count > 0) {
        o.force_count--;
        return true;
    }
    return false;
}

// Set for the rest of the run: the processor facts and the listing read them.
void default_debug_environment()
{
    bool defaulted = false;
    if (!std::getenv(ENV_CPU_FAMILY)) {
        report_error("KELB_DEBUG_CPU_EXTENDED_FAMILY is not set, defaulting to -1\n");
        set_environment_variable(ENV_CPU_FAMILY, "-1");
        defaulted = true;
    }
    if (!std::getenv(ENV_CPU_LOCKED)) {
        report_error("KELB_DEBUG_CPU_LOCKED is not set, defaulting to 1\n");
        set_environment_variable(ENV_CPU_LOCKED, "1");
        defaulted = true;
    }
    if (defaulted)
        report_error("\n");
}

// Board and firmware checks of a real machine; EXIT_OK when both pass or are skipped.
int platform_safeguards(run_options &o)
{
    if (!skip_safeguard(o)) {
        int r = check_board(CHECK_BOARD_PRINT_MODEL | CHECK_BOARD_PRINT_ERRORS);
        if (r == BOARD_UNSUPPORTED)
            return EXIT_BOARD_UNSUPPORTED;
        if (r != 0)
            return EXIT_BOARD_UNKNOWN;
    }
    if (!skip_safeguard(o)) {
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
void trace_config(const nvram_config &cfg)
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

int not_regular(const run_options &o)
{
    report_error("%s: not a regular file\n", o.debug_file);
    return EXIT_NOT_REGULAR;
}

// Opens the NVRAM and takes the run's lock on it, before anything is read.
int open_and_lock(const run_options &o, bool read_only, std::unique_ptr<nvram> *nv)
{
    const char *debug_file = o.debug_file;
    if (debug_file)
        *nv = nvram_file::open(debug_file, read_only ? O_RDONLY : O_RDWR);
    else
        *nv = nvram_device::open();
    if (!*nv) {
        report_errno(debug_file ? debug_file : "nvram_open");
        return EXIT_NVRAM_OPEN;
    }
    switch ((*nv)->lock()) {
    case nvram_lock_state::held:
        return EXIT_OK;
    case nvram_lock_state::busy:
        report_error("%s: another kelb-cu holds the NVRAM\n", (*nv)->lock_place());
        report_error("Nothing was written; try again when it has finished.\n");
        return EXIT_NVRAM_BUSY;
    case nvram_lock_state::failed:
        break;
    }
    report_errno((*nv)->lock_place());
    report_error("ERROR: couldn't lock the NVRAM against other runs of kelb-cu; nothing was written\n");
    return EXIT_NVRAM_OPEN;
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
int close_listing(run &r, int status)
{
    bool lost = output_lost(r.listing_out);
    r.listing_out = nullptr;
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
int reopen_for_writing(nvram &nv, const run_options &o)
{
    const char *debug_file = o.debug_file;
    switch (nv.reopen_for_writing()) {
    case nvram_reopen::reopened:
        return EXIT_OK;
    case nvram_reopen::not_regular:
        return not_regular(o);
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
bool stops_on_control_event(const run &r)
{
    return r.mode == run_mode::interactive || r.mode == run_mode::assign || r.settings_cli.dry_run;
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
void report_store_failure(const replace_result &r, const nvram_bytes &written, const nvram_bytes &image_found)
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

// The store, checked, with control events held until it has been reported.
int store_record(run &r, nvram &nv, bool read_only, bool stoppable)
{
    store_section held;
    // The last moment a control event can still stop the run with nothing written.
    if (stoppable && interrupted.load() != 0)
        return EXIT_INTERRUPTED;
    r.store_began = true;
    if (read_only) {
        int status = reopen_for_writing(nv, r);
        if (status != EXIT_OK)
            return status;
    }
    config_image image = encode_config(r.cfg);
    replace_result result = write_config(nv, r, r.verbosity);
    if (result.status != replace_status::replaced) {
        report_store_failure(result, nvram_bytes(image.begin(), image.end()), r.image_found);
        return EXIT_STORE;
    }
    std::puts("Configuration stored successfully.");
    std::puts("");
    std::puts("To ensure proper application, POWER-OFF the machine, then power it back on.");
    std::fflush(stdout);
    return EXIT_OK;
}

// Everything between the safeguards and the clean-up, on an open NVRAM.
int edit_and_store(run &r, nvram &nv, bool read_only)
{
    nvram_config &cfg = r.cfg;
    if (r.debug_file) {
        // Tested again on the open file, in case another took the path's place.
        if (nv.check_regular() != 0)
            return not_regular(r);
    } else if (!skip_safeguard(r) && nv.checksum() != 0) {
        report_error("PC NVRAM checksum mismatch.\n");
        report_error("\nReboot the machine and enter the BIOS setup. If needed, adjust settings.\n");
        report_error("Then save and exit.\n");
        return EXIT_CHECKSUM;
    }

    config_status found = read_config(nv, r);
    if (found == CONFIG_READ_FAILED) {
        report_errno("read_config");
        report_error("ERROR: couldn't read the stored configuration\n");
        report_error("Nothing was written; the stored settings are left as they are.\n");
        return EXIT_READ_CONFIG;
    }
    const nvram_config stored = cfg; // as decoded, before the processor's adjustments
    const processor_facts cpu = read_processor_facts();
    apply_cpu_constraints(&cfg, cpu);

    switch (r.mode) {
    case run_mode::interactive:
        if (!run_menu(r.answers_in, &cfg))
            return EXIT_INTERRUPTED;
        break;
    case run_mode::reset:
        cfg.target = 0;
        break;
    case run_mode::set_refclock:
        cfg.target = static_cast<std::uint16_t>(r.refclock);
        break;
    case run_mode::assign:
        if (!apply_request(r.program, r.wanted, &cfg, cpu))
            return EXIT_ARGUMENT;
        break;
    case run_mode::list:
        list_record(r.listing_out, nv, found, stored, cfg, cpu);
        return EXIT_OK;
    }

    if (interrupted.load() != 0 && stops_on_control_event(r))
        return EXIT_INTERRUPTED;
    if (r.verbosity > 0)
        trace_config(cfg);
    if (!config_changed(r)) {
        std::puts("Configuration unchanged.");
        return EXIT_OK;
    }
    if (r.settings_cli.dry_run) {
        print_changes(found, stored, cfg);
        std::puts("Dry run: configuration not stored.");
        return EXIT_OK;
    }
    return store_record(r, nv, read_only, stops_on_control_event(r));
}

// The driver of a real machine, closed when the run leaves the machine.
class driver_session {
public:
    driver_session() = default;
    driver_session(const driver_session &) = delete;
    driver_session &operator=(const driver_session &) = delete;
    ~driver_session()
    {
        if (open_)
            sys_deinit();
    }
    bool open()
    {
        open_ = sys_init() == 0;
        return open_;
    }

private:
    bool open_ = false;
};

// From the command line's arguments to the last check before the machine.
int prepare(run &r, int argc, char **argv, int first)
{
    if (r.settings_cli.list)
        r.listing_out = divert_output_for_listing();
    print_banner("\n\n");

    if (r.force_count > 0 && !r.debug_file) {
        report_error("*** WARNING: -f forces access to incompatible hardware/firmware. ***\n");
        report_error("***          This will almost certainly cause a disaster.        ***\n\n");
    }
    if (r.debug_file)
        default_debug_environment();

    if (!parse_positional(argc, argv, first, &r.mode, &r.refclock))
        return EXIT_ARGUMENT;
    // A control event makes a read of -i - return at once.
    if (r.settings_cli.input && std::string_view(r.settings_cli.input) == "-")
        console_read_begins();
    int status = status_of(collect_assignments(r.program, r.settings_cli, r.mode == run_mode::reset,
                                               r.mode == run_mode::set_refclock
                                                   ? std::optional<unsigned>(r.refclock)
                                                   : std::nullopt,
                                               &r.wanted));
    console_read_ends();
    if (r.settings_cli.list)
        r.mode = run_mode::list;
    else if (r.settings_cli.input || !r.settings_cli.assignments.empty())
        r.mode = run_mode::assign;
    // The dialogue sees an event at its first question.
    if (interrupted.load() != 0 && r.mode != run_mode::interactive && stops_on_control_event(r))
        status = EXIT_INTERRUPTED;
    if (status != EXIT_OK)
        return status;
    if (r.mode == run_mode::interactive && !stdin_is_terminal()) {
        report_error("Standard input is not a terminal. Exiting.\n");
        return EXIT_NOT_A_TERMINAL;
    }
    return EXIT_OK;
}

// The run on the machine: the safeguards, then the driver and the NVRAM with
// its lock, released in the reverse order (the NVRAM releases its lock once
// it is closed, then the driver goes).
int on_machine(run &r)
{
    driver_session driver;
    if (!r.debug_file) {
        int status = platform_safeguards(r);
        if (status != EXIT_OK)
            return status;
        if (!driver.open()) {
            int err = errno;
            report_errno("sys_init");
            report_error("%s", driver_advice(failed_driver_facts(err)).c_str());
            return EXIT_DRIVER;
        }
    }
    // A device file in place of the backing file is never opened: an open
    // alone can set off a device (a watchdog arms itself).
    if (r.debug_file && nvram_check_path(r.debug_file) != 0)
        return not_regular(r);
    bool read_only = r.settings_cli.dry_run || r.mode == run_mode::list || r.mode == run_mode::assign;
    std::unique_ptr<nvram> nv;
    int status = open_and_lock(r, read_only, &nv);
    if (status == EXIT_OK)
        status = edit_and_store(r, *nv, read_only);
    return status;
}

// The end of every run that got past its options: the listing's or dry
// run's last flush, and the status a control event gives.
int finish(run &r, int status)
{
    if (r.listing_out)
        status = close_listing(r, status);
    else if (r.settings_cli.dry_run)
        status = close_dry_run_report(status);
    // A run that a control event stops and that stored nothing stops at any
    // moment, up to the last flush of its report: what it printed may be cut
    // short, and its status says so.
    if (status == EXIT_OK && !r.store_began && stops_on_control_event(r) && interrupted.load() != 0)
        status = EXIT_INTERRUPTED;
    if (status == EXIT_INTERRUPTED)
        std::puts("\n\nSignal received or EOF on input.");
    else
        pause_if_own_console();
    end_of_run_handshake();
    return status;
}

} // namespace

int kelb_cu_main(int argc, char **argv)
{
    install_console_ctrl_handler();
    // Some C runtimes buffer the error stream when it is not a console, which
    // would put a diagnostic written at once before earlier messages.
    std::setvbuf(stderr, nullptr, _IONBF, 0);

    run r;
    r.program = argv[0];
    int first = argc;
    switch (scan_options(argc, argv, &r, &first)) {
    case cli_action::help:
        print_usage(argv[0]);
        return EXIT_OK;
    case cli_action::version:
        print_banner("\n");
        return EXIT_OK;
    case cli_action::error:
        return finish(r, EXIT_OPTION);
    case cli_action::run:
        break;
    }
    int status = prepare(r, argc, argv, first);
    if (status == EXIT_OK)
        status = on_machine(r);
    return finish(r, status);
}
