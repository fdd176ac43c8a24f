// The driver library's operations on Windows: WinRing0, loaded at run time.
// A library that is missing or lacks one of the seven functions is as good as
// no driver at all, and says so through the status.
#include "hw/ols.h"

#include <windows.h>

namespace {

constexpr const char *LIBRARY_NAME = sizeof(void *) == 8 ? "WinRing0x64.dll" : "WinRing0.dll";

// The library's own signatures.
using initialize_fn = BOOL(WINAPI *)();
using get_dll_status_fn = DWORD(WINAPI *)();
using get_driver_version_fn = DWORD(WINAPI *)(PBYTE major, PBYTE minor, PBYTE revision, PBYTE release);
using deinitialize_fn = VOID(WINAPI *)();
using read_io_port_byte_fn = BYTE(WINAPI *)(WORD port);
using write_io_port_byte_fn = VOID(WINAPI *)(WORD port, BYTE value);
using read_pci_config_dword_ex_fn = BOOL(WINAPI *)(DWORD pci_address, DWORD reg, PDWORD value);

struct winring0 {
    HMODULE module;
    initialize_fn initialize;
    get_dll_status_fn get_dll_status;
    get_driver_version_fn get_driver_version;
    deinitialize_fn deinitialize;
    read_io_port_byte_fn read_io_port_byte;
    write_io_port_byte_fn write_io_port_byte;
    read_pci_config_dword_ex_fn read_pci_config_dword_ex;
};

winring0 lib{};

template <typename F>
bool resolve(HMODULE module, const char *name, F *fn)
{
    FARPROC p = GetProcAddress(module, name);
    // Through void(*)(): the one function pointer type every other converts to
    // without a cast-function-type complaint.
    *fn = reinterpret_cast<F>(reinterpret_cast<void (*)()>(p));
    return p != nullptr;
}

bool load()
{
    if (lib.module)
        return true;
    // Only the copy shipped beside the utility: a library found on the
    // search path or in the working directory could be anybody's.
    HMODULE m = LoadLibraryExA(LIBRARY_NAME, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    if (!m)
        return false;
    winring0 l{};
    l.module = m;
    bool ok = resolve(m, "InitializeOls", &l.initialize) &&
              resolve(m, "GetDllStatus", &l.get_dll_status) &&
              resolve(m, "GetDriverVersion", &l.get_driver_version) &&
              resolve(m, "DeinitializeOls", &l.deinitialize) &&
              resolve(m, "ReadIoPortByte", &l.read_io_port_byte) &&
              resolve(m, "WriteIoPortByte", &l.write_io_port_byte) &&
              resolve(m, "ReadPciConfigDwordEx", &l.read_pci_config_dword_ex);
    if (!ok) {
        FreeLibrary(m);
        return false;
    }
    lib = l;
    return true;
}

} // namespace

bool ols_initialize()
{
    return load() && lib.initialize() != FALSE;
}

unsigned ols_get_dll_status()
{
    return lib.module ? static_cast<unsigned>(lib.get_dll_status()) : unsigned{OLS_DLL_DRIVER_NOT_FOUND};
}

void ols_get_driver_version(std::uint8_t *major, std::uint8_t *minor,
                            std::uint8_t *revision, std::uint8_t *release)
{
    if (lib.module)
        lib.get_driver_version(major, minor, revision, release);
}

void ols_deinitialize()
{
    if (!lib.module)
        return;
    lib.deinitialize();
    FreeLibrary(lib.module);
    lib = {};
}

std::uint8_t ols_read_io_port_byte(std::uint16_t port)
{
    return lib.module ? lib.read_io_port_byte(port) : 0xFF;
}

void ols_write_io_port_byte(std::uint16_t port, std::uint8_t value)
{
    if (lib.module)
        lib.write_io_port_byte(port, value);
}

int ols_read_pci_config_dword_ex(std::uint32_t pci_address, std::uint32_t reg, std::uint32_t *value)
{
    if (!lib.module)
        return 0;
    DWORD v = 0;
    if (!lib.read_pci_config_dword_ex(pci_address, reg, &v))
        return 0;
    *value = v;
    return 1;
}

const char *ols_access_name() { return "WinRing0 library"; }

const char *ols_status_note() { return nullptr; }
