// The simulated machine's SMBIOS sources. The fixed system locations (/sys,
// /proc, /dev) live under the directory named by KELB_SIM_ROOT, physical
// memory is the file that stands for the memory device (byte n = address n),
// and the firmware-table service answers with the file named by
// KELB_SIM_FIRMWARE_TABLE, or is missing when that variable is unset.
#include "smbios/platform.h"
#include "runtime/diagnostics.h"
#include "smbios/table_io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

std::string resolve_system_path(const char *path)
{
    std::string_view p = path;
    bool system = p.starts_with("/sys/") || p.starts_with("/proc/") || p.starts_with("/dev/");
    if (!system)
        return path;
    // Without a root no system location exists, so nothing real is ever read.
    const char *root = std::getenv("KELB_SIM_ROOT");
    if (!root || !*root)
        return "";
    return std::string(root) + path;
}

std::uint8_t *fetch_raw_smbios(std::uint32_t *size)
{
    *size = 0;
    const char *file = std::getenv("KELB_SIM_FIRMWARE_TABLE");
    if (!file)
        return nullptr;
    std::uint32_t got = 0;
    // The service hands out whole blocks; 1 MiB is far more than any table.
    std::uint8_t *block = read_chunk(0, 1u << 20, file, false, &got);
    if (!block || got == 0) {
        std::free(block);
        return nullptr;
    }
    *size = got;
    return block;
}

std::uint8_t *read_physical_memory(std::uint64_t base, std::uint32_t length, const char *device)
{
    std::uint32_t got = 0;
    std::uint8_t *p = read_chunk(base, length, device, false, &got);
    if (p && got < length) {
        errno = EFAULT;
        report_errno(device);
        std::free(p);
        return nullptr;
    }
    return p;
}
