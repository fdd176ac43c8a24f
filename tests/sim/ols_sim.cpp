// The simulated machine's driver library: a CMOS chip of 256 bytes behind the
// index and data ports, the PCI lock register, the library's status and its
// driver version. Port and PCI access work only while the library is
// initialised, as with the real driver.
#include "hw/ols.h"

#include "hw/lockdown.h"
#include "hw/nvram.h"
#include "sim/sim.h"

#include <array>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

enum class readback { exact, broken, drift };

struct machine {
    bool open = false;
    unsigned status = OLS_DLL_DRIVER_NOT_LOADED;
    const char *note = nullptr;
    bool locked_down = false;
    std::uint8_t version[4] = {};
    std::array<std::uint8_t, NVRAM_BANK_SIZE> cmos{};
    std::uint8_t index = 0;
    readback mode = readback::exact;
    unsigned long drift_after = 0;
    unsigned long transfers = 0;
    std::array<bool, NVRAM_BANK_SIZE> dropped{};
    struct foreign_write {
        unsigned long after;
        std::uint8_t offset, value;
    };
    std::vector<foreign_write> foreign; // another agent's writes, after which access
    std::vector<std::pair<unsigned long, int>> raises; // after which access, which signal
    std::string cmos_path;
};

machine sim;

// Open while the library is initialised, as the real driver keeps its device
// open for the run: output that strays into a descriptor of the driver's
// shows in the log.
std::FILE *open_log = nullptr;

void log_line(const char *format, ...) __attribute__((format(printf, 1, 2)));

void log_line(const char *format, ...)
{
    const char *path = std::getenv(SIM_PORT_LOG);
    if (!path || !*path)
        return;
    std::FILE *f = open_log ? open_log : std::fopen(path, "a");
    if (!f)
        return;
    va_list ap;
    va_start(ap, format);
    std::vfprintf(f, format, ap);
    va_end(ap);
    std::fputc('\n', f);
    if (f == open_log)
        std::fflush(f);
    else
        std::fclose(f);
}

void load_chip()
{
    sim.cmos.fill(0);
    if (sim.cmos_path.empty())
        return;
    if (std::FILE *f = std::fopen(sim.cmos_path.c_str(), "rb")) {
        std::size_t n = std::fread(sim.cmos.data(), 1, sim.cmos.size(), f);
        (void)n; // a short file leaves the rest zero
        std::fclose(f);
    }
}

void save_chip()
{
    if (sim.cmos_path.empty())
        return;
    if (std::FILE *f = std::fopen(sim.cmos_path.c_str(), "wb")) {
        std::fwrite(sim.cmos.data(), 1, sim.cmos.size(), f);
        std::fclose(f);
    }
}

void read_version()
{
    unsigned v[4] = {1, 2, 0, 0};
    if (const char *text = std::getenv(SIM_DRIVER_VERSION)) {
        v[0] = v[1] = v[2] = v[3] = 0;
        std::sscanf(text, "%u.%u.%u.%u", &v[0], &v[1], &v[2], &v[3]);
    }
    for (int i = 0; i < 4; i++)
        sim.version[i] = static_cast<std::uint8_t>(v[i]);
}

void read_readback_mode()
{
    sim.mode = readback::exact;
    sim.drift_after = 0;
    const char *text = std::getenv(SIM_INDEX_READBACK);
    if (!text)
        return;
    if (std::strcmp(text, "broken") == 0)
        sim.mode = readback::broken;
    else if (std::strncmp(text, "drift:", 6) == 0) {
        sim.mode = readback::drift;
        sim.drift_after = std::strtoul(text + 6, nullptr, 10);
    }
}

// The other agents of the machine, and the signals that reach the process.
void read_disturbances()
{
    sim.dropped.fill(false);
    if (const char *text = std::getenv(SIM_WRITE_DROP)) {
        for (char *end = nullptr;; text = end + 1) {
            unsigned long offset = std::strtoul(text, &end, 0);
            if (end == text)
                break;
            if (offset < sim.dropped.size())
                sim.dropped[offset] = true;
            if (*end != ',')
                break;
        }
    }
    sim.foreign.clear();
    unsigned long after = 0;
    long offset = 0, value = 0;
    if (const char *text = std::getenv(SIM_FOREIGN_WRITE)) {
        int used = 0;
        while (std::sscanf(text, "%lu:%li=%li%n", &after, &offset, &value, &used) == 3) {
            sim.foreign.push_back({after, static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(value)});
            text += used;
            if (*text++ != ',')
                break;
        }
    }
    sim.raises.clear();
    if (const char *text = std::getenv(SIM_RAISE)) {
        int sig = 0, used = 0;
        while (std::sscanf(text, "%lu:%d%n", &after, &sig, &used) == 2) {
            sim.raises.emplace_back(after, sig);
            text += used;
            if (*text++ != ',')
                break;
        }
    }
}

// Every data-port access is one transfer; a drifting machine has another
// agent select a different register once, right after the chosen one.
void count_transfer()
{
    sim.transfers++;
    if (sim.mode == readback::drift && sim.transfers == sim.drift_after)
        sim.index = sim.index == 0x0C ? 0x0D : 0x0C;
    for (const auto &w : sim.foreign) {
        if (sim.transfers == w.after) {
            sim.cmos[w.offset] = w.value;
            save_chip();
        }
    }
    for (const auto &[after, sig] : sim.raises)
        if (sim.transfers == after)
            std::raise(sig);
}

} // namespace

bool ols_initialize()
{
    log_line("init");
    sim.note = nullptr;
    sim.status = static_cast<unsigned>(sim_env_number(SIM_DLL_STATUS, OLS_DLL_NO_ERROR));
    const char *lockdown = std::getenv(SIM_LOCKDOWN);
    sim.locked_down = lockdown && lockdown_forbids_raw_io(lockdown);
    if (sim.locked_down) {
        sim.status = OLS_DLL_DRIVER_NOT_LOADED;
        sim.note = LOCKDOWN_NOTE;
    }
    read_version();
    if (sim.status != OLS_DLL_NO_ERROR)
        return false;
    if (!sim.open) {
        const char *path = std::getenv(SIM_CMOS);
        sim.cmos_path = path ? path : "";
        load_chip();
        sim.index = static_cast<std::uint8_t>(sim_env_number(SIM_INDEX, 0));
        read_readback_mode();
        read_disturbances();
        sim.transfers = 0;
        sim.open = true;
        const char *log = std::getenv(SIM_PORT_LOG);
        open_log = log && *log ? std::fopen(log, "a") : nullptr;
    }
    return true;
}

unsigned ols_get_dll_status() { return sim.status; }

void ols_get_driver_version(std::uint8_t *major, std::uint8_t *minor,
                            std::uint8_t *revision, std::uint8_t *release)
{
    *major = sim.version[0];
    *minor = sim.version[1];
    *revision = sim.version[2];
    *release = sim.version[3];
}

void ols_deinitialize()
{
    // Nothing is saved here: every write was saved as it was made, and the
    // run's lock on the chip is gone by now, so another run may be storing.
    log_line("deinit");
    if (open_log)
        std::fclose(open_log);
    open_log = nullptr;
    sim.open = false;
    sim.status = OLS_DLL_DRIVER_NOT_LOADED;
}

std::uint8_t ols_read_io_port_byte(std::uint16_t port)
{
    std::uint8_t v = 0xFF;
    if (sim.open && port == CMOS_INDEX_PORT) {
        v = sim.mode == readback::broken ? static_cast<std::uint8_t>(~sim.index) : sim.index;
    } else if (sim.open && port == CMOS_DATA_PORT) {
        v = sim.cmos[sim.index];
        count_transfer();
    }
    log_line("in %x -> %02x", port, v);
    return v;
}

void ols_write_io_port_byte(std::uint16_t port, std::uint8_t value)
{
    log_line("out %x <- %02x", port, value);
    if (sim.open && port == CMOS_INDEX_PORT) {
        sim.index = value;
    } else if (sim.open && port == CMOS_DATA_PORT) {
        if (!sim.dropped[sim.index])
            sim.cmos[sim.index] = value;
        // Battery-backed: what is written stays, whatever becomes of the process.
        save_chip();
        count_transfer();
    }
}

int ols_read_pci_config_dword_ex(std::uint32_t pci_address, std::uint32_t reg, std::uint32_t *value)
{
    const char *text = std::getenv(SIM_PCI80);
    bool lock_register = pci_address == ols_pci_address(0, 0, 0) && reg == 0x80;
    if (!sim.open || !lock_register || (text && std::strcmp(text, "fail") == 0)) {
        log_line("pci %x %x failed", pci_address, reg);
        return 0;
    }
    *value = static_cast<std::uint32_t>(sim_env_number(SIM_PCI80, 0));
    log_line("pci %x %x -> %08x", pci_address, reg, *value);
    return 1;
}

const char *ols_access_name() { return "WinRing0 library"; }

const char *ols_status_note() { return sim.note; }

bool ols_locked_down() { return sim.locked_down; }
