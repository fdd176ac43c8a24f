#pragma once
// The driver library: the seven operations through which every hardware access
// of the utility goes. WinRing0 on Windows, /dev/port and sysfs on Linux, the
// simulated machine in test builds.
#include <cstdint>

enum : unsigned {
    OLS_DLL_NO_ERROR = 0,
    OLS_DLL_UNSUPPORTED_PLATFORM = 1,
    OLS_DLL_DRIVER_NOT_LOADED = 2,
    OLS_DLL_DRIVER_NOT_FOUND = 3,
    OLS_DLL_DRIVER_UNLOADED = 4,
    OLS_DLL_DRIVER_NOT_LOADED_ON_NETWORK = 5,
};

bool ols_initialize();                                   // InitializeOls
unsigned ols_get_dll_status();                           // GetDllStatus
void ols_get_driver_version(std::uint8_t *major, std::uint8_t *minor,
                            std::uint8_t *revision, std::uint8_t *release); // GetDriverVersion
void ols_deinitialize();                                 // DeinitializeOls
std::uint8_t ols_read_io_port_byte(std::uint16_t port);  // ReadIoPortByte
void ols_write_io_port_byte(std::uint16_t port, std::uint8_t value); // WriteIoPortByte
// ReadPciConfigDwordEx: nonzero on success with *value filled in.
int ols_read_pci_config_dword_ex(std::uint32_t pci_address, std::uint32_t reg, std::uint32_t *value);

// PCI address of bus/device/function as the library takes it.
constexpr std::uint32_t ols_pci_address(unsigned bus, unsigned dev, unsigned func)
{
    return (bus & 0xFF) << 8 | (dev & 0x1F) << 3 | (func & 7);
}

// What the operations reach the hardware through, for messages
// ("WinRing0 library", "/dev/port access").
const char *ols_access_name();
// One more line explaining a failed initialisation, or null when there is none
// (a locked-down Linux kernel refuses raw port access even to root; a WinRing0
// library that cannot be loaded is named with the place it was looked for).
const char *ols_status_note();
// True when a failed initialisation was the kernel's lockdown refusing raw
// port access, which no user, root included, may then have.
bool ols_locked_down();
