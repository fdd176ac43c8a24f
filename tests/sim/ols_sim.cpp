// Placeholder simulated machine: no driver is found.
#include "hw/ols.h"

bool ols_initialize() { return false; }
unsigned ols_get_dll_status() { return OLS_DLL_DRIVER_NOT_FOUND; }
void ols_get_driver_version(std::uint8_t *a, std::uint8_t *b, std::uint8_t *c, std::uint8_t *d) { *a = *b = *c = *d = 0; }
void ols_deinitialize() {}
std::uint8_t ols_read_io_port_byte(std::uint16_t) { return 0xFF; }
void ols_write_io_port_byte(std::uint16_t, std::uint8_t) {}
int ols_read_pci_config_dword_ex(std::uint32_t, std::uint32_t, std::uint32_t *) { return 0; }
const char *ols_access_name() { return "WinRing0"; }
