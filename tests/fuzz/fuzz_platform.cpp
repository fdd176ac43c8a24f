// The machine the fuzz targets run on: physical memory and the firmware-table
// block are whatever the current input says, and no system file exists, so
// that the decoder never reaches the real machine's tables or memory.
#include "fuzz_common.h"

#include "hw/cpuid.h"
#include "hw/ols.h"
#include "smbios/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

// The fixed system locations (/sys, /proc, /dev) never exist; every other
// path (the dump file) is opened as given.
std::string resolve_system_path(const char *path)
{
    std::string_view p = path;
    if (p.starts_with("/sys/") || p.starts_with("/proc/") || p.starts_with("/dev/"))
        return std::string("/nonexistent/kelb-fuzz") + path;
    return path;
}

std::uint8_t *fetch_raw_smbios(std::uint32_t *size)
{
    const fuzz_machine &m = fuzz_machine_state;
    *size = 0;
    if (!m.raw_block || m.raw_size == 0)
        return nullptr;
    // Exactly the block's size, so that a read past it is caught.
    auto *copy = static_cast<std::uint8_t *>(std::malloc(m.raw_size));
    std::memcpy(copy, m.raw_block, m.raw_size);
    *size = static_cast<std::uint32_t>(m.raw_size);
    return copy;
}

std::uint8_t *read_physical_memory(std::uint64_t base, std::uint32_t length, const char *device)
{
    const fuzz_machine &m = fuzz_machine_state;
    if (base < m.memory_base || base - m.memory_base > m.memory_size ||
        length > m.memory_size - (base - m.memory_base)) {
        std::fprintf(stderr, "%s: no memory at 0x%llx length 0x%x\n", device,
                     static_cast<unsigned long long>(base), length);
        return nullptr;
    }
    auto *copy = static_cast<std::uint8_t *>(std::malloc(length ? length : 1));
    if (length)
        std::memcpy(copy, m.memory + (base - m.memory_base), length);
    return copy;
}

// The settings target passes the processor facts itself; the record code it
// links asks nothing else of the machine. Should it ever ask, there is no
// processor identification and no port or PCI register to reach.
bool cpuid_query(std::uint32_t, std::uint32_t regs[4])
{
    regs[0] = regs[1] = regs[2] = regs[3] = 0;
    return false;
}

std::uint8_t ols_read_io_port_byte(std::uint16_t)
{
    fuzz_fail("a fuzz target reached an I/O port");
}

void ols_write_io_port_byte(std::uint16_t, std::uint8_t)
{
    fuzz_fail("a fuzz target reached an I/O port");
}

int ols_read_pci_config_dword_ex(std::uint32_t, std::uint32_t, std::uint32_t *)
{
    fuzz_fail("a fuzz target reached the PCI configuration space");
}
