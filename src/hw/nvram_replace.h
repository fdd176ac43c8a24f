#pragma once
// Replacing a record of the NVRAM as a checked store: the bytes are read again
// just before writing, written and read back byte by byte, written again a few
// times when they did not take, and put back as they were when they never do.
//
// The record's last byte is its check byte. Every write of it (each try and
// putting the old one back) goes in an order that a power cut or a killed
// process may interrupt anywhere: first a check byte that makes no mix of the
// old and the new data bytes a record the firmware takes, then the data bytes,
// then the right check byte. At every moment the NVRAM holds the record it
// held, the record wanted, or one the firmware refuses.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class nvram;

// Tries of each write (and of each read of a device, which another agent of
// the machine can disturb) before the store gives up.
inline constexpr int NVRAM_STORE_TRIES = 3;

using nvram_bytes = std::vector<std::uint8_t>;

enum class replace_status {
    replaced,  // the NVRAM holds the new bytes, read back
    changed,   // the bytes were not the expected ones any more; nothing written
    restored,  // the new bytes did not take; the expected ones are back, read back
    failed,    // neither: the NVRAM holds `now`
};

struct replace_result {
    replace_status status = replace_status::replaced;
    // errno of the last failure (EIO when the device did not keep a byte).
    int error = 0;
    // changed: what the second read found; restored, failed: what the last
    // try of the new bytes read back as. Shorter than asked where the read
    // stopped short or the backing file ends.
    nvram_bytes seen;
    // restored, failed: what the NVRAM holds at the end.
    nvram_bytes now;
};

// Whether the firmware takes an image of the record's length (a valid record,
// or one that carries a mark it reads).
using record_accepted = bool (*)(std::span<const std::uint8_t> image);

// A check byte with which no mix of the data bytes of `from` and `to` (each
// byte from one or the other; all but the last byte of `to`'s length, missing
// bytes of `from` read as zeros) is `accepted`; -1 when there is none.
int interim_check_byte(std::span<const std::uint8_t> from, std::span<const std::uint8_t> to,
                       record_accepted accepted);

// Replaces `expected` at `offset` by `wanted`. `expected` is what this run
// read there at its start; it is shorter than `wanted` only where a backing
// file ended, and putting it back then also gives the file its length again.
replace_result nvram_replace(nvram &store, unsigned offset, std::span<const std::uint8_t> expected,
                             std::span<const std::uint8_t> wanted, record_accepted accepted);
