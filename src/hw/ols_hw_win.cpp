// The driver library's operations on Windows: WinRing0, loaded at run time.
// A library that is missing or lacks one of the seven functions is as good as
// no driver at all, and says so through the status; the note names the file.
#include "hw/ols.h"

#include <windows.h>

#include <string>

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
// Why the library cannot be used, naming the file; empty when it can.
std::string note;

template <typename F>
bool resolve(HMODULE module, const char *name, F *fn, const char **missing)
{
    FARPROC p = GetProcAddress(module, name);
    // Through void(*)(): the one function pointer type every other converts to
    // without a cast-function-type complaint.
    *fn = reinterpret_cast<F>(reinterpret_cast<void (*)()>(p));
    if (!p)
        *missing = name;
    return p != nullptr;
}

// The library's full path: the folder of the running program, the only
// place it is looked for.
std::string library_path()
{
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string path(exe, n < sizeof exe ? n : 0);
    std::size_t slash = path.find_last_of("\\/");
    path.erase(slash == std::string::npos ? 0 : slash + 1);
    return path + LIBRARY_NAME;
}

std::string system_message(DWORD error)
{
    char *text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string m = n && text ? std::string(text, n) : "error " + std::to_string(error);
    LocalFree(text);
    while (!m.empty() && (m.back() == '\n' || m.back() == '\r' || m.back() == ' '))
        m.pop_back();
    return m;
}

bool load()
{
    if (lib.module)
        return true;
    // Only the copy shipped beside the utility: a library found on the
    // search path or in the working directory could be anybody's.
    HMODULE m = LoadLibraryExA(LIBRARY_NAME, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    if (!m) {
        note = "Cannot load " + library_path() + ": " + system_message(GetLastError()) + "\n";
        return false;
    }
    winring0 l{};
    l.module = m;
    const char *missing = nullptr;
    bool ok = resolve(m, "InitializeOls", &l.initialize, &missing) &&
              resolve(m, "GetDllStatus", &l.get_dll_status, &missing) &&
              resolve(m, "GetDriverVersion", &l.get_driver_version, &missing) &&
              resolve(m, "DeinitializeOls", &l.deinitialize, &missing) &&
              resolve(m, "ReadIoPortByte", &l.read_io_port_byte, &missing) &&
              resolve(m, "WriteIoPortByte", &l.write_io_port_byte, &missing) &&
              resolve(m, "ReadPciConfigDwordEx", &l.read_pci_config_dword_ex, &missing);
    if (!ok) {
        FreeLibrary(m);
        note = library_path() + " lacks the function " + missing + ".\n";
        return false;
    }
    lib = l;
    return true;
}

} // namespace

bool ols_initialize()
{
    note.clear();
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

const char *ols_status_note() { return note.empty() ? nullptr : note.c_str(); }

bool ols_locked_down() { return false; }
