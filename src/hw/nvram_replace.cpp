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
nvram_bytes read_bytes(nvram &store, unsigned offset, std::size_t count, int *error)
{
    nvram_bytes b(count);
    int got = 0;
    for (int t = 0; t < NVRAM_STORE_TRIES; t++) {
        errno = 0;
        got = store.read(b.data(), count, offset);
        if (got == static_cast<int>(count))
            break;
        if (errno != 0)
            *error = errno;
    }
    b.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return b;
}

// Writes `bytes` and reads each back; false at the first that did not take
// (a write that stopped short is taken up again from there, which also tells
// why it stopped: a file that may grow no further says so for the next byte).
bool write_bytes(nvram &store, unsigned offset, std::span<const std::uint8_t> bytes, int *error)
{
    for (std::size_t done = 0; done < bytes.size();) {
        errno = 0;
        int n = store.write_verified(bytes.data() + done, bytes.size() - done,
                                     offset + static_cast<unsigned>(done));
        if (n <= 0) {
            *error = errno != 0 ? errno : EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Takes the record at `offset` from `now` (what it holds, as just read) to
// `target` in the crash-safe order. A `target` shorter than the record (a
// backing file that ended inside it) leaves the bytes it does not hold to the
// caller, who cuts the file back. False when a byte did not take or when what
// the NVRAM holds is not known whole; what it holds then is the old record, or
// one with the interim check byte.
bool move_record(nvram &store, unsigned offset, const nvram_bytes &now, std::span<const std::uint8_t> target,
                 std::size_t size, record_accepted accepted, int *error)
{
    if (same(now, target))
        return true;
    // A read that stopped short before the end of a backing file left bytes unknown.
    long length = store.length();
    if (now.size() < size && (length < 0 || offset + now.size() < static_cast<unsigned long>(length))) {
        *error = EIO;
        return false;
    }
    nvram_bytes from(now), to(target.begin(), target.end());
    from.resize(size, 0); // a file grown by a write past its end reads zeros there
    for (std::size_t i = to.size(); i < size; i++)
        to.push_back(from[i]);
    int interim = interim_check_byte(from, to, accepted);
    if (interim < 0) {
        *error = EINVAL;
        return false;
    }
    const std::size_t check = size - 1;
    const std::uint8_t x = static_cast<std::uint8_t>(interim);
    if (!write_bytes(store, offset + static_cast<unsigned>(check), {&x, 1}, error))
        return false;
    std::size_t data = std::min(target.size(), check);
    if (!write_bytes(store, offset, target.first(data), error))
        return false;
    if (target.size() < size)
        return true;
    return write_bytes(store, offset + static_cast<unsigned>(check), target.subspan(check, 1), error);
}

} // namespace

int interim_check_byte(std::span<const std::uint8_t> from, std::span<const std::uint8_t> to,
                       record_accepted accepted)
{
    const std::size_t size = to.size();
    if (size == 0 || size > 16)
        return -1;
    const std::size_t data = size - 1;
    nvram_bytes image(size);
    for (int x = 0; x < 256; x++) {
        bool refused = true;
        for (unsigned mix = 0; refused && mix < (1u << data); mix++) {
            for (std::size_t i = 0; i < data; i++)
                image[i] = (mix >> i & 1) ? to[i] : (i < from.size() ? from[i] : 0);
            image[data] = static_cast<std::uint8_t>(x);
            refused = !accepted(image);
        }
        if (refused)
            return x;
    }
    return -1;
}

replace_result nvram_replace(nvram &store, unsigned offset, std::span<const std::uint8_t> expected,
                             std::span<const std::uint8_t> wanted, record_accepted accepted)
{
    replace_result r;
    const std::size_t size = wanted.size();
    // A backing file that ended before the record is cut back to its length
    // when the old bytes are put back.
    long length = expected.size() < size ? store.length() : -1;

    r.seen = read_bytes(store, offset, size, &r.error);
    if (!same(r.seen, expected)) {
        r.status = replace_status::changed;
        return r;
    }
    for (int t = 0; t < NVRAM_STORE_TRIES; t++) {
        if (move_record(store, offset, r.seen, wanted, size, accepted, &r.error)) {
            r.error = 0;
            return r;
        }
        r.seen = read_bytes(store, offset, size, &r.error);
    }
    if (r.error == 0)
        r.error = EIO;

    int restore_error = 0;
    r.now = r.seen;
    for (int t = 0; t < NVRAM_STORE_TRIES; t++) {
        move_record(store, offset, r.now, expected, size, accepted, &restore_error);
        if (length >= 0)
            store.set_length(length);
        r.now = read_bytes(store, offset, size, &restore_error);
        if (same(r.now, expected)) {
            r.status = replace_status::restored;
            return r;
        }
    }
    r.status = replace_status::failed;
    return r;
}
