#pragma once
// The NVRAM store: the CMOS device through its index/data ports, or a debug
// backing file, behind one integer descriptor.
#include <cstddef>
#include <cstdint>

inline constexpr int NVRAM_DEVICE_FD = static_cast<int>(0x80000000u);
inline constexpr std::uint16_t CMOS_INDEX_PORT = 0x72;
inline constexpr std::uint16_t CMOS_DATA_PORT = 0x73;

// path null claims the device; otherwise opens the backing file with `flags`
// (raw bytes added); a directory is refused with EISDIR. Descriptor or -1
// with errno.
int nvram_open(const char *path, int flags);
int nvram_close(int fd);
int nvram_read(int fd, std::uint8_t *dst, std::size_t count, unsigned offset);
int nvram_write(int fd, const std::uint8_t *src, std::size_t count, unsigned offset);
// nvram_write, each byte read back: the count of those written and kept, in
// order; a byte the NVRAM did not keep ends the write (errno EIO). The device
// reads each byte back while its index is still selected, one port access more.
int nvram_write_verified(int fd, const std::uint8_t *src, std::size_t count, unsigned offset);
// 0 when the PC NVRAM checksum over 16..45 matches 46..47, else the difference.
int nvram_checksum(int fd);
// 0 regular file, 1 other kind, -1 status unavailable.
int nvram_check_regular(int fd);
// A backing file's length in bytes (256 for the device); -1 with errno.
long nvram_length(int fd);
// Cuts a backing file to `length` bytes (or extends it with zeros); 0, or -1
// with errno. The device has no length to set.
int nvram_set_length(int fd, long length);
// 1 when two descriptors of backing files are the same file (whatever the
// paths they were opened by), 0 when not, -1 with errno when it cannot be told.
int nvram_same_file(int a, int b);
// The same test on a backing file's path before it is opened, since opening
// a device file can act on the device: 1 when the path exists and is neither
// a regular file nor a directory; 0 otherwise (the open then reports what is
// wrong, a missing path or a directory).
int nvram_check_path(const char *path);
