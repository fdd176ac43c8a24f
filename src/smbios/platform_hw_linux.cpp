// Table access on Linux: system paths as they are, no firmware-table
// service, and physical memory read from the memory device file.
#include "smbios/platform.h"
#include "runtime/diagnostics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

std::string resolve_system_path(const char *path)
{
    return path;
}

std::uint8_t *fetch_raw_smbios(std::uint32_t *size)
{
    *size = 0;
    return nullptr;
}

std::uint8_t *read_physical_memory(std::uint64_t base, std::uint32_t length, const char *device)
{
    // Opened without waiting, so that a FIFO in the device's place cannot
    // block the run; only a device or a regular file is read.
    int fd = open(device, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        report_errno(device);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISREG(st.st_mode))) {
        report_error("%s: not a memory device\n", device);
        close(fd);
        return nullptr;
    }
    auto *buf = static_cast<std::uint8_t *>(std::malloc(length ? length : 1));
    if (!buf) {
        report_errno("malloc");
        close(fd);
        return nullptr;
    }
    std::uint32_t done = 0;
    while (done < length) {
        ssize_t n = pread(fd, buf + done, length - done, static_cast<off_t>(base + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The device ends before the range does: the memory is not there.
            if (n == 0)
                errno = EFAULT;
            report_errno(device);
            std::free(buf);
            close(fd);
            return nullptr;
        }
        done += static_cast<std::uint32_t>(n);
    }
    close(fd);
    return buf;
}
