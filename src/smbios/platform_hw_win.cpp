// Table access on Windows: the firmware-table service, and physical memory
// through the kernel's physical-memory section. Every system entry point is
// looked up by name at run time, anew on each use.
#include "smbios/platform.h"
#include "smbios/firmware_block.h"
#include "runtime/diagnostics.h"

#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD RSMB = 0x52534D42;
constexpr ULONG OBJ_CASE_INSENSITIVE_NAME = 0x40;
constexpr ACCESS_MASK SECTION_MAP_READ_ACCESS = 4;
constexpr int VIEW_SHARE = 1;

using firmware_table_fn = UINT(WINAPI *)(DWORD, DWORD, PVOID, DWORD);
using init_unicode_fn = VOID(NTAPI *)(PUNICODE_STRING, PCWSTR);
using unmap_view_fn = LONG(NTAPI *)(HANDLE, PVOID);
using open_section_fn = LONG(NTAPI *)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
using map_view_fn = LONG(NTAPI *)(HANDLE, HANDLE, PVOID *, ULONG_PTR, SIZE_T, PLARGE_INTEGER, PSIZE_T, int,
                                  ULONG, ULONG);
using status_to_error_fn = ULONG(NTAPI *)(LONG);

struct nt_services {
    firmware_table_fn get_system_firmware_table;
    init_unicode_fn rtl_init_unicode_string;
    unmap_view_fn nt_unmap_view_of_section;
    open_section_fn nt_open_section;
    map_view_fn nt_map_view_of_section;
    status_to_error_fn rtl_nt_status_to_dos_error;
};

enum class service_set { firmware_table, physical_memory };

template <typename F> bool look_up(HMODULE module, const char *name, F *to)
{
    FARPROC p = module ? GetProcAddress(module, name) : nullptr;
    *to = reinterpret_cast<F>(reinterpret_cast<void *>(p));
    return p != nullptr;
}

// True only if every entry point of the set exists; stops at the first missing.
bool resolve_nt_services(service_set set, nt_services *nt)
{
    *nt = {};
    if (set == service_set::firmware_table)
        return look_up(GetModuleHandleA("kernel32.dll"), "GetSystemFirmwareTable", &nt->get_system_firmware_table);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return look_up(ntdll, "RtlInitUnicodeString", &nt->rtl_init_unicode_string) &&
           look_up(ntdll, "NtUnmapViewOfSection", &nt->nt_unmap_view_of_section) &&
           look_up(ntdll, "NtOpenSection", &nt->nt_open_section) &&
           look_up(ntdll, "NtMapViewOfSection", &nt->nt_map_view_of_section) &&
           look_up(ntdll, "RtlNtStatusToDosError", &nt->rtl_nt_status_to_dos_error);
}

void print_nt_error(const nt_services &nt, const char *message, LONG status)
{
    DWORD code = nt.rtl_nt_status_to_dos_error(status);
    char *text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
                   nullptr);
    // The system's texts end with their own line end; the message has one already.
    std::size_t n = text ? std::strlen(text) : 0;
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'))
        text[--n] = '\0';
    report_error("%s: %s\n", message, text ? text : "");
    LocalFree(text);
}

} // namespace

std::string resolve_system_path(const char *path)
{
    return path;
}

std::uint8_t *fetch_raw_smbios(std::uint32_t *size)
{
    *size = 0;
    nt_services nt;
    if (!resolve_nt_services(service_set::firmware_table, &nt))
        return nullptr;
    UINT needed = nt.get_system_firmware_table(RSMB, 0, nullptr, 0);
    if (needed == 0)
        return nullptr;
    // The service hands out whole tables only: one beyond the bound of every
    // table read is not fetched at all.
    if (!firmware_block_within_bound(needed)) {
        report_error("GetSystemFirmwareTable: a table of %u bytes is beyond the %u bytes read at most\n",
                     static_cast<unsigned>(needed - 8), static_cast<unsigned>(MAX_TABLE_SIZE));
        return nullptr;
    }
    auto *buf = static_cast<std::uint8_t *>(std::malloc(needed));
    if (!buf) {
        report_errno("malloc");
        return nullptr;
    }
    UINT filled = nt.get_system_firmware_table(RSMB, 0, buf, needed);
    // A table that grew or vanished between the two calls is not used.
    if (filled == 0 || filled > needed) {
        std::free(buf);
        return nullptr;
    }
    *size = filled;
    return buf;
}

std::uint8_t *read_physical_memory(std::uint64_t base, std::uint32_t length, const char *)
{
    nt_services nt;
    if (!resolve_nt_services(service_set::physical_memory, &nt)) {
        std::printf("Unable to locate NTDLL entry points.\n\n");
        return nullptr;
    }
    UNICODE_STRING name;
    nt.rtl_init_unicode_string(&name, L"\\device\\physicalmemory");
    OBJECT_ATTRIBUTES attributes{};
    // The structure's own size: 48 bytes in a 64-bit process.
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = nullptr;
    attributes.ObjectName = &name;
    attributes.Attributes = OBJ_CASE_INSENSITIVE_NAME;
    HANDLE section = nullptr;
    LONG status = nt.nt_open_section(&section, SECTION_MAP_READ_ACCESS, &attributes);
    if (status < 0) {
        print_nt_error(nt, "Could not open \\device\\physicalmemory", status);
        return nullptr;
    }
    if (!section)
        return nullptr;

    SYSTEM_INFO info;
    GetSystemInfo(&info);
    std::uint64_t in_page = base % info.dwPageSize;
    PVOID view = nullptr;
    SIZE_T view_size = static_cast<SIZE_T>(length + in_page);
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(base);
    status = nt.nt_map_view_of_section(section, GetCurrentProcess(), &view, 0, view_size, &offset, &view_size,
                                       VIEW_SHARE, 0, PAGE_READONLY);
    if (status < 0) {
        char message[64];
        std::snprintf(message, sizeof message, "Could not map view of %llX length %llX",
                      static_cast<unsigned long long>(base), static_cast<unsigned long long>(length + in_page));
        print_nt_error(nt, message, status);
        CloseHandle(section);
        return nullptr;
    }
    // The view starts at the page boundary below `base`; one that does not
    // reach the end of the range is not copied from.
    std::uint8_t *buf = nullptr;
    if (view_size >= length + in_page) {
        buf = static_cast<std::uint8_t *>(std::malloc(length ? length : 1));
        if (buf)
            std::memcpy(buf, static_cast<std::uint8_t *>(view) + in_page, length);
        else
            report_errno("malloc");
    } else {
        report_error("Could not map view of %llX length %llX: the view is shorter\n",
                     static_cast<unsigned long long>(base), static_cast<unsigned long long>(length + in_page));
    }
    status = nt.nt_unmap_view_of_section(GetCurrentProcess(), view);
    if (status < 0)
        print_nt_error(nt, "Unable to unmap view", status);
    CloseHandle(section);
    return buf;
}
