// A WinRing0 library for tests: the seven functions the utility resolves,
// answered by the simulated machine. Placed beside the utility it lets the
// real loading backend run where no hardware can be reached. Built once more
// without ReadPciConfigDwordEx (winring0_pci.cpp), as a library the utility
// must refuse.
#include "hw/ols.h"

#include <windows.h>

extern "C" {

__declspec(dllexport) BOOL WINAPI InitializeOls()
{
    return ols_initialize() ? TRUE : FALSE;
}

__declspec(dllexport) DWORD WINAPI GetDllStatus()
{
    return ols_get_dll_status();
}

__declspec(dllexport) DWORD WINAPI GetDriverVersion(PBYTE major, PBYTE minor, PBYTE revision, PBYTE release)
{
    ols_get_driver_version(major, minor, revision, release);
    return static_cast<DWORD>(*major) << 24 | static_cast<DWORD>(*minor) << 16 |
           static_cast<DWORD>(*revision) << 8 | *release;
}

__declspec(dllexport) VOID WINAPI DeinitializeOls()
{
    ols_deinitialize();
}

__declspec(dllexport) BYTE WINAPI ReadIoPortByte(WORD port)
{
    return ols_read_io_port_byte(port);
}

__declspec(dllexport) VOID WINAPI WriteIoPortByte(WORD port, BYTE value)
{
    ols_write_io_port_byte(port, value);
}

} // extern "C"
