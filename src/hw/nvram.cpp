#include "hw/nvram.h"

#include "hw/ols.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef O_BINARY
#define O_BINARY 0 // only Windows translates line ends; elsewhere every file is raw
#endif

namespace {

int device_marker = -1;

// The index port is shared with the firmware and the OS: every operation puts
// it back as found, and a transfer stops as soon as someone else moved it.
// `verify`: each written byte is read again before the index, and one the
// chip did not keep stops the transfer uncounted.
int device_transfer(std::uint8_t *dst, const std::uint8_t *src, std::size_t count, unsigned offset,
                    bool verify = false)
{
    std::uint8_t saved = ols_read_io_port_byte(CMOS_INDEX_PORT);
    int done = 0;
    for (std::size_t i = 0; i < count; i++) {
        std::size_t p = offset + i;
        if (p > 255)
            break;
        auto index = static_cast<std::uint8_t>(p);
        ols_write_io_port_byte(CMOS_INDEX_PORT, index);
        if (dst)
            dst[i] = ols_read_io_port_byte(CMOS_DATA_PORT);
        else
            ols_write_io_port_byte(CMOS_DATA_PORT, src[i]);
        bool kept = !verify || ols_read_io_port_byte(CMOS_DATA_PORT) == src[i];
        if (ols_read_io_port_byte(CMOS_INDEX_PORT) != index || !kept)
            break;
        done++;
    }
    ols_write_io_port_byte(CMOS_INDEX_PORT, saved);
    // A short count is a failure to the caller, who reports it with errno.
    if (static_cast<std::size_t>(done) < count)
        errno = EIO;
    return done;
}

std::uint8_t device_byte(unsigned index)
{
    ols_write_io_port_byte(CMOS_INDEX_PORT, static_cast<std::uint8_t>(index));
    return ols_read_io_port_byte(CMOS_DATA_PORT);
}

} // namespace

int nvram_open(const char *path, int flags)
{
    if (path) {
        int fd = open(path, flags | O_BINARY);
        // Some systems open a directory read-only; it is no more a backing
        // file than a path that cannot be opened.
        struct stat st;
        if (fd != -1 && fstat(fd, &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR) {
            close(fd);
            errno = EISDIR;
            return -1;
        }
        return fd;
    }
    if (device_marker != -1) {
        errno = EBUSY;
        return -1;
    }
    device_marker = NVRAM_DEVICE_FD;
    return device_marker;
}

int nvram_close(int fd)
{
    if (fd == device_marker && device_marker != -1) {
        device_marker = -1;
        return 0;
    }
    return close(fd);
}

int nvram_read(int fd, std::uint8_t *dst, std::size_t count, unsigned offset)
{
    if (fd == NVRAM_DEVICE_FD && device_marker == NVRAM_DEVICE_FD)
        return device_transfer(dst, nullptr, count, offset);
    if (lseek(fd, offset, SEEK_SET) < 0)
        return -1;
    return static_cast<int>(read(fd, dst, count));
}

int nvram_write(int fd, const std::uint8_t *src, std::size_t count, unsigned offset)
{
    if (fd == NVRAM_DEVICE_FD && device_marker == NVRAM_DEVICE_FD)
        return device_transfer(nullptr, src, count, offset);
    if (lseek(fd, offset, SEEK_SET) < 0)
        return -1;
    return static_cast<int>(write(fd, src, count));
}

int nvram_write_verified(int fd, const std::uint8_t *src, std::size_t count, unsigned offset)
{
    if (fd == NVRAM_DEVICE_FD && device_marker == NVRAM_DEVICE_FD)
        return device_transfer(nullptr, src, count, offset, true);
    errno = 0;
    int n = nvram_write(fd, src, count, offset);
    if (n <= 0)
        return n;
    std::uint8_t back[256];
    std::size_t asked = static_cast<std::size_t>(n) < sizeof back ? static_cast<std::size_t>(n) : sizeof back;
    int got = nvram_read(fd, back, asked, offset);
    int kept = 0;
    while (kept < got && back[kept] == src[kept])
        kept++;
    if (static_cast<std::size_t>(kept) < count && errno == 0)
        errno = EIO;
    return kept;
}

int nvram_checksum(int fd)
{
    (void)fd; // the checksum exists on the device only
    std::uint8_t saved = ols_read_io_port_byte(CMOS_INDEX_PORT);
    std::uint32_t sum = 0;
    for (unsigned i = 16; i <= 45; i++)
        sum += device_byte(i);
    unsigned high = device_byte(46);
    unsigned low = device_byte(47);
    ols_write_io_port_byte(CMOS_INDEX_PORT, saved);
    return static_cast<int>(sum % 65536) - static_cast<int>(high * 256 + low);
}

int nvram_check_regular(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return -1;
    return (st.st_mode & S_IFMT) == S_IFREG ? 0 : 1;
}

long nvram_length(int fd)
{
    if (fd == NVRAM_DEVICE_FD && device_marker == NVRAM_DEVICE_FD)
        return 256;
    struct stat st;
    if (fstat(fd, &st) != 0)
        return -1;
    return static_cast<long>(st.st_size);
}

int nvram_set_length(int fd, long length)
{
    if (fd == NVRAM_DEVICE_FD && device_marker == NVRAM_DEVICE_FD) {
        errno = EINVAL;
        return -1;
    }
    return ftruncate(fd, length);
}

int nvram_check_path(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return 0;
    unsigned kind = st.st_mode & S_IFMT;
    return kind == S_IFREG || kind == S_IFDIR ? 0 : 1;
}
