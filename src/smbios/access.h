#pragma once
// Locating and reading the SMBIOS structure table, the entry points, and the
// decoder's dump file.
#include <cstddef>
#include <cstdint>

// Walk flag of this file's own: the source is the memory device, read through
// the platform's physical-memory access rather than opened as a file.
inline constexpr unsigned WALK_PHYSICAL_SOURCE = 0x100;

// Tries every access method in order; the decoder's exit status.
int smbios_access_sequence();

// `length` bytes at `base` of `source` (malloc'd, or null after a message).
// From physical memory (`physical`) the bytes are all there or none is; a file
// may hold fewer, and *got (when asked for) says how many were read.
std::uint8_t *read_chunk(std::uint64_t base, std::uint32_t length, const char *source,
                         bool physical, std::uint32_t *got);

// Each answers whether the entry point at `entry`, of which `available`
// bytes may be read, is valid; a valid one has had its table walked.
bool decode_entry_sm3(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags);
bool decode_entry_sm(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags);
bool decode_entry_dmi(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags);

std::uint32_t count_structures(const std::uint8_t *table, std::uint32_t length);
bool entry_checksum_ok(const std::uint8_t *bytes, std::size_t length);

// At most `size` bytes of a file from its start, in a zero-filled buffer of
// `size` bytes; *got says how many were read. Null when the file cannot be
// read (reported, unless it does not exist).
std::uint8_t *read_whole_file(std::size_t size, const char *path, std::size_t *got);

// Writes `length` bytes at `offset` of the dump file: created (or truncated)
// unless `update`, then opened for update. 0, or -1 after a message.
int dump_write_at(std::uint64_t offset, std::uint32_t length, const void *data, const char *path, bool update);
