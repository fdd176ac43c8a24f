#pragma once
// Reading table bytes from a file or from physical memory, and writing the
// decoder's dump file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

// Owners of an open file and of a buffer these functions return.
struct file_closer {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

struct malloc_free {
    void operator()(void *p) const { std::free(p); }
};
using buffer_ptr = std::unique_ptr<std::uint8_t, malloc_free>;

// `length` bytes at `base` of `source` (malloc'd, or null after a message).
// From physical memory (`physical`) the bytes are all there or none is; a file
// may hold fewer, and *got (when asked for) says how many were read: only
// those are in the buffer, which is never much larger than the file.
std::uint8_t *read_chunk(std::uint64_t base, std::uint32_t length, const char *source,
                         bool physical, std::uint32_t *got);

// At most `size` bytes of a file from its start, in a zero-filled buffer of
// `size` bytes; *got says how many were read. Null when the file cannot be
// read (reported, unless it does not exist).
std::uint8_t *read_whole_file(std::size_t size, const char *path, std::size_t *got);

// The dump writes of this run: whether one failed, and whether the run
// created the file, which it then removes rather than leave a part of a dump.
struct dump_run_state {
    bool failed;
    bool created;
};
extern dump_run_state dump_run;

// Writes `length` bytes at `offset` of the dump file: created (or truncated)
// unless `update`, then opened for update. 0, or -1 after a message.
int dump_write_at(std::uint64_t offset, std::uint32_t length, const void *data, const char *path, bool update);
