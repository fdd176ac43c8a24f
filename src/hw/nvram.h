#pragma once
// The NVRAM store: one interface with two implementations, the CMOS device
// through its index/data ports and a debug backing file of the same bytes.
// Each holds its own state, its lock against other runs among it; the caller
// owns the one it opened, which closes when it goes and releases its lock
// only then.
#include "hw/nvram_lock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

inline constexpr std::uint16_t CMOS_INDEX_PORT = 0x72;
inline constexpr std::uint16_t CMOS_DATA_PORT = 0x73;
// The bytes the index port selects among: offsets 0..255.
inline constexpr unsigned NVRAM_BANK_SIZE = 256;
// The PC NVRAM checksum: the sum of bytes 16..45, stored high byte first at
// 46 and 47.
inline constexpr unsigned PC_CHECKSUM_FIRST = 16;
inline constexpr unsigned PC_CHECKSUM_LAST = 45;
inline constexpr unsigned PC_CHECKSUM_HIGH = 46;
inline constexpr unsigned PC_CHECKSUM_LOW = 47;

// What opening the NVRAM again for writing came to.
enum class nvram_reopen {
    reopened,
    not_regular, // a backing file's path now names something else than a regular file
    other_file,  // a backing file's path now names another file
    failed,      // errno tells why
};

class nvram {
public:
    nvram() = default;
    nvram(const nvram &) = delete;
    nvram &operator=(const nvram &) = delete;
    virtual ~nvram() = default;

    // The count of bytes transferred at `offset`, or -1 with errno. A device
    // transfer stops short (errno EIO) past the bank or when another agent
    // moved the index; a backing file's read stops at its end.
    virtual int read(std::uint8_t *dst, std::size_t count, unsigned offset) = 0;
    virtual int write(const std::uint8_t *src, std::size_t count, unsigned offset) = 0;
    // write, each byte read back: the count of those written and kept, in
    // order; a byte the NVRAM did not keep ends the write (errno EIO). The
    // device reads each byte back while its index is still selected, one port
    // access more.
    virtual int write_verified(const std::uint8_t *src, std::size_t count, unsigned offset) = 0;
    // Its length in bytes (NVRAM_BANK_SIZE for the device); -1 with errno.
    virtual long length() = 0;
    // Cuts a backing file to `length` bytes (or extends it with zeros); 0, or
    // -1 with errno. The device has no length to set (EINVAL).
    virtual int set_length(long length) = 0;
    // 0 when the PC NVRAM checksum over PC_CHECKSUM_FIRST..PC_CHECKSUM_LAST
    // matches the one stored, else the sum modulo 65536 less the stored one.
    // Bytes a backing file does not hold count as zeros.
    virtual int checksum() = 0;
    // True when a read that stopped short reached the end of the NVRAM (a
    // backing file gives the same count again); false when another agent of
    // the machine disturbed it and asking again may succeed (the device).
    virtual bool short_read_is_end() const = 0;
    // 0 when the NVRAM is what it is taken for: the device, or a backing file
    // that is a regular file; 1 when the file is of another kind, -1 when its
    // status is unavailable.
    virtual int check_regular() = 0;
    // Opens the NVRAM again for writing, for a store of a run that opened it
    // read-only. The device has no read-only mode. A backing file's path is
    // opened again and must still name the file first opened (whatever path
    // it was opened by); otherwise this one stays open as it was.
    virtual nvram_reopen reopen_for_writing() = 0;
    // Takes this run's exclusive lock on the NVRAM (see hw/nvram_lock.h),
    // right after the open and before the first read; no port access. Held
    // until the object goes, and released after the NVRAM itself is closed.
    virtual nvram_lock_state lock() = 0;
    // The lock's place, as messages name it: the backing file's path, or the
    // device's lock.
    virtual const char *lock_place() const = 0;
};

class nvram_device final : public nvram {
public:
    // Claims the device, without a port access, for the life of the object;
    // null with errno EBUSY while another object holds it.
    static std::unique_ptr<nvram_device> open();
    ~nvram_device() override;

    int read(std::uint8_t *dst, std::size_t count, unsigned offset) override;
    int write(const std::uint8_t *src, std::size_t count, unsigned offset) override;
    int write_verified(const std::uint8_t *src, std::size_t count, unsigned offset) override;
    long length() override;
    int set_length(long length) override;
    int checksum() override;
    bool short_read_is_end() const override;
    int check_regular() override;
    nvram_reopen reopen_for_writing() override;
    nvram_lock_state lock() override;
    const char *lock_place() const override;

private:
    nvram_device() = default;
    // Released when the object's members go, after the destructor's body has
    // given up the claim: the device stays this run's as long as it is locked.
    nvram_lock_handle lock_;
};

class nvram_file final : public nvram {
public:
    // Opens the backing file at `path` with `flags` (raw bytes added); a
    // directory is refused with EISDIR. Null with errno.
    static std::unique_ptr<nvram_file> open(const char *path, int flags);
    ~nvram_file() override;

    int read(std::uint8_t *dst, std::size_t count, unsigned offset) override;
    int write(const std::uint8_t *src, std::size_t count, unsigned offset) override;
    int write_verified(const std::uint8_t *src, std::size_t count, unsigned offset) override;
    long length() override;
    int set_length(long length) override;
    int checksum() override;
    bool short_read_is_end() const override;
    int check_regular() override;
    nvram_reopen reopen_for_writing() override;
    nvram_lock_state lock() override;
    const char *lock_place() const override;

private:
    nvram_file(int fd, const char *path) : fd_(fd), path_(path) {}
    int fd_;
    std::string path_;
    // Released when the object's members go, after the destructor's body has
    // closed fd_: by the time another run can take the lock, this one holds no
    // descriptor that could still write the file.
    nvram_lock_handle lock_;
};

// A backing file's path before it is opened, since opening a device file can
// act on the device: 1 when the path exists and is neither a regular file nor
// a directory; 0 otherwise (the open then reports what is wrong, a missing
// path or a directory).
int nvram_check_path(const char *path);
