// The driver library's operations on Linux: CMOS ports through /dev/port,
// PCI configuration space through sysfs. There is no driver of our own, so
// "initialising" is opening /dev/port, and its failures take the library
// statuses that say the same thing.
#include "hw/ols.h"

#include "hw/devport.h"
#include "hw/lockdown.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

#if defined(__x86_64__) || defined(__i386__)
constexpr bool X86 = true;
#else
constexpr bool X86 = false;
#endif

constexpr char PORT_DEVICE[] = "/dev/port";
constexpr char LOCKDOWN_FILE[] = "/sys/kernel/security/lockdown";
// This layer is its own driver; its version is one the connection accepts.
constexpr std::uint8_t LAYER_VERSION[4] = {1, 2, 0, 0};

int port_fd = -1;
unsigned status = OLS_DLL_DRIVER_NOT_LOADED;
const char *note = nullptr;
bool locked_down = false;

} // namespace

bool ols_initialize()
{
    note = nullptr;
    locked_down = false;
    if (!X86) {
        status = OLS_DLL_UNSUPPORTED_PLATFORM;
        return false;
    }
    if (port_fd >= 0) {
        status = OLS_DLL_NO_ERROR;
        return true;
    }
    port_fd = open(PORT_DEVICE, O_RDWR | O_CLOEXEC);
    if (port_fd < 0) {
        status = devport_open_status(errno);
        locked_down = status == OLS_DLL_DRIVER_NOT_LOADED &&
                      lockdown_forbids_raw_io(read_first_line(LOCKDOWN_FILE));
        if (locked_down)
            note = LOCKDOWN_NOTE;
        return false;
    }
    status = OLS_DLL_NO_ERROR;
    return true;
}

unsigned ols_get_dll_status() { return status; }

void ols_get_driver_version(std::uint8_t *major, std::uint8_t *minor,
                            std::uint8_t *revision, std::uint8_t *release)
{
    *major = LAYER_VERSION[0];
    *minor = LAYER_VERSION[1];
    *revision = LAYER_VERSION[2];
    *release = LAYER_VERSION[3];
}

void ols_deinitialize()
{
    if (port_fd >= 0)
        close(port_fd);
    port_fd = -1;
    status = OLS_DLL_DRIVER_NOT_LOADED;
}

std::uint8_t ols_read_io_port_byte(std::uint16_t port)
{
    return port_fd >= 0 ? devport_read_byte(port_fd, port) : 0xFF;
}

void ols_write_io_port_byte(std::uint16_t port, std::uint8_t value)
{
    if (port_fd >= 0)
        devport_write_byte(port_fd, port, value);
}

int ols_read_pci_config_dword_ex(std::uint32_t pci_address, std::uint32_t reg, std::uint32_t *value)
{
    if (port_fd < 0)
        return 0;
    return pci_config_read_dword(pci_config_path(pci_address).c_str(), reg, value);
}

const char *ols_access_name() { return "/dev/port access"; }

const char *ols_status_note() { return note; }

bool ols_locked_down() { return locked_down; }
