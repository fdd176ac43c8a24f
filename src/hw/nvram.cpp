#include "hw/nvram.h"

#include "hw/nvram_identity.h"
#include "hw/ols.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#ifndef O_BINARY
#define O_BINARY 0 // only Windows translates line ends; elsewhere every file is raw
#endif

namespace {

// One run claims the CMOS device once at a time.
bool device_claimed = false;

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
        if (p >= NVRAM_BANK_SIZE)
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

int checksum_difference(std::uint32_t sum, unsigned high, unsigned low)
{
    return static_cast<int>(sum % 65536) - static_cast<int>(high * 256 + low);
}

int file_kind(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return -1;
    return (st.st_mode & S_IFMT) == S_IFREG ? 0 : 1;
}

int open_file(const char *path, int flags)
{
    int fd = ::open(path, flags | O_BINARY);
    // Some systems open a directory read-only; it is no more a backing file
    // than a path that cannot be opened.
    struct stat st;
    if (fd != -1 && fstat(fd, &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR) {
        close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

} // namespace

std::unique_ptr<nvram_device> nvram_device::open()
{
    if (device_claimed) {
        errno = EBUSY;
        return nullptr;
    }
    std::unique_ptr<nvram_device> d(new (std::nothrow) nvram_device);
    if (!d) {
        errno = ENOMEM;
        return nullptr;
    }
    device_claimed = true;
    return d;
}

nvram_device::~nvram_device()
{
    // Only the claim goes here; lock_ is released after this body.
    device_claimed = false;
}

int nvram_device::read(std::uint8_t *dst, std::size_t count, unsigned offset)
{
    return device_transfer(dst, nullptr, count, offset);
}

int nvram_device::write(const std::uint8_t *src, std::size_t count, unsigned offset)
{
    return device_transfer(nullptr, src, count, offset);
}

int nvram_device::write_verified(const std::uint8_t *src, std::size_t count, unsigned offset)
{
    return device_transfer(nullptr, src, count, offset, true);
}

long nvram_device::length()
{
    return NVRAM_BANK_SIZE;
}

int nvram_device::set_length(long)
{
    errno = EINVAL;
    return -1;
}

int nvram_device::checksum()
{
    std::uint8_t saved = ols_read_io_port_byte(CMOS_INDEX_PORT);
    std::uint32_t sum = 0;
    for (unsigned i = PC_CHECKSUM_FIRST; i <= PC_CHECKSUM_LAST; i++)
        sum += device_byte(i);
    unsigned high = device_byte(PC_CHECKSUM_HIGH);
    unsigned low = device_byte(PC_CHECKSUM_LOW);
    ols_write_io_port_byte(CMOS_INDEX_PORT, saved);
    return checksum_difference(sum, high, low);
}

bool nvram_device::short_read_is_end() const
{
    return false;
}

int nvram_device::check_regular()
{
    return 0;
}

nvram_reopen nvram_device::reopen_for_writing()
{
    return nvram_reopen::reopened;
}

nvram_lock_state nvram_device::lock()
{
    return lock_.take(nullptr);
}

const char *nvram_device::lock_place() const
{
    return lock_.place();
}

std::unique_ptr<nvram_file> nvram_file::open(const char *path, int flags)
{
    int fd = open_file(path, flags);
    if (fd == -1)
        return nullptr;
    std::unique_ptr<nvram_file> f(new (std::nothrow) nvram_file(fd, path));
    if (!f) {
        close(fd);
        errno = ENOMEM;
    }
    return f;
}

nvram_file::~nvram_file()
{
    // Only the descriptor closes here; lock_ is released after this body.
    close(fd_);
}

int nvram_file::read(std::uint8_t *dst, std::size_t count, unsigned offset)
{
    if (lseek(fd_, offset, SEEK_SET) < 0)
        return -1;
    return static_cast<int>(::read(fd_, dst, count));
}

int nvram_file::write(const std::uint8_t *src, std::size_t count, unsigned offset)
{
    if (lseek(fd_, offset, SEEK_SET) < 0)
        return -1;
    return static_cast<int>(::write(fd_, src, count));
}

int nvram_file::write_verified(const std::uint8_t *src, std::size_t count, unsigned offset)
{
    errno = 0;
    int n = write(src, count, offset);
    if (n <= 0)
        return n;
    std::uint8_t back[NVRAM_BANK_SIZE];
    std::size_t asked = static_cast<std::size_t>(n) < sizeof back ? static_cast<std::size_t>(n) : sizeof back;
    int got = read(back, asked, offset);
    int kept = 0;
    while (kept < got && back[kept] == src[kept])
        kept++;
    if (static_cast<std::size_t>(kept) < count && errno == 0)
        errno = EIO;
    return kept;
}

long nvram_file::length()
{
    struct stat st;
    if (fstat(fd_, &st) != 0)
        return -1;
    return static_cast<long>(st.st_size);
}

int nvram_file::set_length(long length)
{
    return ftruncate(fd_, length);
}

int nvram_file::checksum()
{
    std::uint8_t b[PC_CHECKSUM_LOW + 1] = {};
    read(b, sizeof b, 0);
    std::uint32_t sum = 0;
    for (unsigned i = PC_CHECKSUM_FIRST; i <= PC_CHECKSUM_LAST; i++)
        sum += b[i];
    return checksum_difference(sum, b[PC_CHECKSUM_HIGH], b[PC_CHECKSUM_LOW]);
}

bool nvram_file::short_read_is_end() const
{
    return true;
}

int nvram_file::check_regular()
{
    return file_kind(fd_);
}

nvram_reopen nvram_file::reopen_for_writing()
{
    if (nvram_check_path(path_.c_str()) != 0)
        return nvram_reopen::not_regular;
    int rw = open_file(path_.c_str(), O_RDWR);
    if (rw == -1)
        return nvram_reopen::failed;
    // A path that names no regular file any more is told as such below, on
    // the descriptor that would be written.
    int same = file_kind(rw) == 0 ? nvram_same_file(fd_, rw) : 1;
    if (same != 1) {
        int err = errno;
        close(rw);
        errno = err;
        return same < 0 ? nvram_reopen::failed : nvram_reopen::other_file;
    }
    close(fd_);
    fd_ = rw;
    return file_kind(fd_) != 0 ? nvram_reopen::not_regular : nvram_reopen::reopened;
}

nvram_lock_state nvram_file::lock()
{
    return lock_.take(path_.c_str());
}

const char *nvram_file::lock_place() const
{
    return lock_.place();
}

int nvram_check_path(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return 0;
    unsigned kind = st.st_mode & S_IFMT;
    return kind == S_IFREG || kind == S_IFDIR ? 0 : 1;
}
