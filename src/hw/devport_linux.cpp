#include "hw/devport.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// An open descriptor for the span of one function.
struct file_fd {
    int fd;
    explicit file_fd(const char *path) : fd(open(path, O_RDONLY | O_CLOEXEC)) {}
    ~file_fd()
    {
        if (fd >= 0)
            close(fd);
    }
    file_fd(const file_fd &) = delete;
    file_fd &operator=(const file_fd &) = delete;
};

constexpr unsigned STATUS_UNKNOWN = 6;

} // namespace

unsigned devport_open_status(int open_errno)
{
    switch (open_errno) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return 3;
    case EACCES:
    case EPERM:
    case EROFS:
        return 2;
    default:
        return STATUS_UNKNOWN;
    }
}

std::uint8_t devport_read_byte(int fd, std::uint16_t port)
{
    std::uint8_t b;
    return pread(fd, &b, 1, port) == 1 ? b : 0xFF;
}

bool devport_write_byte(int fd, std::uint16_t port, std::uint8_t value)
{
    return pwrite(fd, &value, 1, port) == 1;
}

std::string pci_config_path(std::uint32_t pci_address)
{
    char path[64];
    std::snprintf(path, sizeof path, "/sys/bus/pci/devices/0000:%02x:%02x.%x/config",
                  pci_address >> 8 & 0xFF, pci_address >> 3 & 0x1F, pci_address & 7);
    return path;
}

int pci_config_read_dword(const char *path, std::uint32_t reg, std::uint32_t *value)
{
    file_fd f(path);
    if (f.fd < 0)
        return 0;
    std::uint8_t b[4];
    if (pread(f.fd, b, sizeof b, reg) != static_cast<ssize_t>(sizeof b))
        return 0;
    *value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
             static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return 1;
}

std::string read_first_line(const char *path)
{
    file_fd f(path);
    if (f.fd < 0)
        return {};
    char buf[256];
    ssize_t n = read(f.fd, buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string s(buf, static_cast<std::size_t>(n));
    std::size_t nl = s.find('\n');
    return nl == std::string::npos ? s : s.substr(0, nl);
}
