#pragma once
// What the table access needs of the machine it runs on. Each platform has
// its own implementation (platform_hw_linux.cpp, platform_hw_win.cpp); the
// test build links a simulated machine in their place.
#include <cstdint>
#include <string>

// The most a table read takes from any source, and so the most memory it
// costs: real tables stay under 64 KiB, but a 64-bit entry point may announce
// up to 4 GiB.
inline constexpr std::uint32_t MAX_TABLE_SIZE = 32u << 20;

// The file that stands for `path` on this machine. The real platforms open
// every path as given; the simulated machine moves the fixed system
// locations (/sys, /proc, /dev) under a directory of its own.
std::string resolve_system_path(const char *path);

// The raw SMBIOS data block of the firmware-table service (malloc'd, for the
// caller to free) and its size in bytes; null when the platform has no such
// service or the service has no table.
std::uint8_t *fetch_raw_smbios(std::uint32_t *size);

// Exactly `length` bytes of physical memory from address `base` (malloc'd,
// for the caller to free); null after a message. `device` is the memory
// device of the command line, used where the platform reads memory through a
// device file and in messages.
std::uint8_t *read_physical_memory(std::uint64_t base, std::uint32_t length, const char *device);
