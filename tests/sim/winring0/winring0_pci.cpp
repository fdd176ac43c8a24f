// The PCI read of the test WinRing0 library, apart so that a library without
// it can be built too.
#include "hw/ols.h"

#include <windows.h>

extern "C" {

__declspec(dllexport) BOOL WINAPI ReadPciConfigDwordEx(DWORD pci_address, DWORD reg, PDWORD value)
{
    std::uint32_t v = 0;
    if (!ols_read_pci_config_dword_ex(pci_address, reg, &v))
        return FALSE;
    *value = v;
    return TRUE;
}

} // extern "C"
