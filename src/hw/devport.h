#pragma once
// The pieces of the Linux hardware layer that are plain file access: port
// bytes are bytes of /dev/port at the port number, PCI configuration space is
// the config file of the function in sysfs. Kept apart from the layer itself
// so that they work on any descriptor or path.
#include <cstdint>
#include <string>

// Library status for a failed open of /dev/port: no device 3 (driver not
// found), permission refused 2 (driver not loaded), anything else 6 (unknown).
unsigned devport_open_status(int open_errno);

// One byte at offset `port` of `fd`; 0xFF, as an unanswered bus reads, when
// the read fails.
std::uint8_t devport_read_byte(int fd, std::uint16_t port);
// One byte at offset `port`; false when it was not written.
bool devport_write_byte(int fd, std::uint16_t port, std::uint8_t value);

// "/sys/bus/pci/devices/0000:BB:DD.F/config" of a library PCI address
// (bus << 8 | device << 3 | function), in domain 0.
std::string pci_config_path(std::uint32_t pci_address);
// The little-endian dword at `reg` of a config file: nonzero with *value set,
// 0 when the file cannot be opened or holds fewer than 4 bytes there (as for
// an unprivileged reader past the first 64 bytes).
int pci_config_read_dword(const char *path, std::uint32_t reg, std::uint32_t *value);

// The first line of a small text file, empty when it cannot be read.
std::string read_first_line(const char *path);
