#include "hw/nvram_replace.h"

#include "hw/nvram.h"

#include <algorithm>
#include <cerrno>

namespace {

bool same(const nvram_bytes &got, std::span<const std::uint8_t> want)
{
    return std::equal(got.begin(), got.end(), want.begin(), want.end());
}

// The bytes at `offset`, fewer where the read stops short. The device is asked
// again when another agent moved its index in the middle; at the end of a
// backing file the same short count comes back each time.
nvram_bytes read_bytes(int fd, unsigned offset, std::size_t count, int *error)
{
    nvram_bytes b(count);
    int got = 0;
    for (int t = 0; t < NVRAM_STORE_TRIES; t++) {
        errno = 0;
        got = nvram_read(fd, b.data(), count, offset);
        if (got == static_cast<int>(count))
            break;
        if (errno != 0)
            *error = errno;
    }
    b.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return b;
}

// A write that stops short goes on from there, which also tells why it stopped
// (a file that may grow no further reports that only for the next byte).
void write_bytes(int fd, unsigned offset, std::span<const std::uint8_t> bytes, int *error)
{
    for (std::size_t done = 0; done < bytes.size();) {
        errno = 0;
        int n = nvram_write(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<unsigned>(done));
        if (n <= 0) {
            *error = errno != 0 ? errno : EIO;
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

replace_result nvram_replace(int fd, unsigned offset, std::span<const std::uint8_t> expected,
                             std::span<const std::uint8_t> wanted)
{
    replace_result r;
    // A backing file that ended before the record is cut back to its length
    // when the old bytes are put back.
    long length = expected.size() < wanted.size() ? nvram_length(fd) : -1;

    r.seen = read_bytes(fd, offset, wanted.size(), &r.error);
    if (!same(r.seen, expected)) {
        r.status = replace_status::changed;
        return r;
    }
    for (int t = 0; t < NVRAM_STORE_TRIES; t++) {
        write_bytes(fd, offset, wanted, &r.error);
        r.seen = read_bytes(fd, offset, wanted.size(), &r.error);
        if (same(r.seen, wanted)) {
            r.error = 0;
            return r;
        }
    }
    if (r.error == 0)
        r.error = EIO; // written in full, but read back otherwise: the bytes did not take

    int restore_error = 0;
    for (int t = 0; t < NVRAM_STORE_TRIES; t++) {
        write_bytes(fd, offset, expected, &restore_error);
        if (length >= 0)
            nvram_set_length(fd, length);
        r.now = read_bytes(fd, offset, wanted.size(), &restore_error);
        if (same(r.now, expected)) {
            r.status = replace_status::restored;
            return r;
        }
    }
    r.status = replace_status::failed;
    return r;
}
