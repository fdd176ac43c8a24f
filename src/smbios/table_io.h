#pragma once
// Reading table bytes from a file or from physical memory, and writing the
// decoder's dump file.
#include "smbios/platform.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

// Owners of an open file and of a buffer these functions return.
struct file_closer {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

struct malloc_free {
    void operator()(void *p) const { std::free(p); }
};
using buffer_ptr = std::unique_ptr<std::uint8_t, malloc_free>;

// Opens a file that a table source names, for reading, into *f: 0; -1 when
// it cannot be opened (errno set, nothing reported); -2 for a FIFO, socket or
// device, refused without being read since reading it may block for ever
// ("<path>: not a regular file" reported). A directory is left to the system.
int open_source_file(const char *path, file_ptr *f);

// The platform's part of it: `file` opened without waiting for a writer, and
// kept only when what was opened is a regular file or a directory (0; -1
// with errno set; -2, closed again, for anything else). Nothing reported.
int open_for_reading(const std::string &file, file_ptr *f);

// `length` bytes at `base` of `source` (malloc'd, or null after a message),
// never more than MAX_TABLE_SIZE. From physical memory (`physical`) the bytes
// are all there or none is; a file may hold fewer, and *got (when asked for)
// says how many were read: only those are in the buffer, which is never much
// larger than the file. *beyond_bound (when asked for) says that `length`
// was cut to the bound and the file holds more bytes after those read.
std::uint8_t *read_chunk(std::uint64_t base, std::uint32_t length, const char *source,
                         bool physical, std::uint32_t *got, bool *beyond_bound = nullptr);

// At most `size` bytes of a file from its start, in a zero-filled buffer of
// `size` bytes; *got says how many were read. Null when the file cannot be
// read (reported, unless it does not exist).
std::uint8_t *read_whole_file(std::size_t size, const char *path, std::size_t *got);

// The dump file of a run is written as a new file beside it, which takes the
// dump file's place only when the run has written all of it: a failure never
// costs what was there. `temporary` is that new file (empty until the first
// write), `destination` the file it replaces (a symbolic link followed),
// `failed` says that a step failed (reported once; later writes are skipped).
struct dump_run_state {
    std::string temporary;
    std::string destination;
    bool failed;
};
extern dump_run_state dump_run;

// Writes `length` bytes at `offset` of the run's new dump file: created (or
// truncated) unless `update`. `path` is the dump file it will replace. 0, or
// -1 after a message.
int dump_write_at(std::uint64_t offset, std::uint32_t length, const void *data, const char *path, bool update);

// Whether the run has begun a new dump file that is not yet finished.
bool dump_pending();

// Ends the run's dump: with `keep` (the run succeeded) the new file replaces
// `path`, otherwise it is removed. -1 when a step failed or the replacement
// did (both reported; `path` is then as it was), else 0.
int dump_finish(const char *path, bool keep);

// The platform's part (table_io_linux.cpp, table_io_win.cpp).
//
// A new, empty file of a fresh short name in the folder of `target`, that
// only the invoker can read or write; until drop_file_beside, a signal that
// ends the run removes it first. Answered by its name; empty, with errno set,
// when none can be created.
std::string create_file_beside(const std::string &target);
// Whether the invoker may write the existing `target` in place, as a shell's
// ">" would: 0, or -1 with errno set.
int check_writable(const std::string &target);
// Puts `temporary` in the place of `target`, with the permissions of the
// file it replaces (never setuid or setgid; a new file's with the invoker's
// file-creation mask), and, where the system lets the run, its owner, group
// and extended attributes. 0, or -1 with errno set and *step naming what
// failed; `target` is then as it was.
int replace_file(const std::string &temporary, const std::string &target, const char **step);
// Removes `temporary` unless it has replaced its target, and ends the
// protection create_file_beside gave it.
void drop_file_beside(const std::string &temporary);
