// Reading table bytes from a file or from physical memory, and writing the
// decoder's dump file.
#include "smbios/table_io.h"
#include "smbios/platform.h"
#include "runtime/diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

namespace {

// First allocation for a table read from a file; it doubles as data comes.
constexpr std::size_t FILE_CHUNK = 64 * 1024;

} // namespace

dump_run_state dump_run = {};

int open_source_file(const char *path, file_ptr *f)
{
    int opened = open_for_reading(resolve_system_path(path), f);
    if (opened == -2)
        report_error("%s: not a regular file\n", path);
    return opened;
}

std::uint8_t *read_chunk(std::uint64_t base, std::uint32_t length, const char *source, bool physical,
                         std::uint32_t *got, bool *beyond_bound)
{
    if (beyond_bound)
        *beyond_bound = false;
    const bool bounded = length > MAX_TABLE_SIZE;
    length = std::min(length, MAX_TABLE_SIZE);
    if (physical) {
        std::uint8_t *p = read_physical_memory(base, length, source);
        if (p && got)
            *got = length;
        return p;
    }
    file_ptr f;
    int opened = open_source_file(source, &f);
    if (opened != 0) {
        if (opened == -1)
            report_errno(source);
        return nullptr;
    }
    if (base > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) {
        errno = EINVAL;
        report_errno(source);
        return nullptr;
    }
    if (std::fseek(f.get(), static_cast<long>(base), SEEK_SET) != 0) {
        report_errno(source);
        return nullptr;
    }
    // A file may end before the announced length (the sysfs table file holds
    // the table itself, not its announced maximum, and a dump file may announce
    // anything up to 4 GiB): the buffer grows with the bytes that are there,
    // so a short file never costs the announced length in memory. A caller
    // that does not ask how many were read gets all `length` bytes, the
    // missing ones zero.
    std::size_t size = got ? std::min<std::size_t>(length, FILE_CHUNK) : length;
    buffer_ptr buf(static_cast<std::uint8_t *>(std::malloc(size ? size : 1)));
    std::size_t n = 0;
    while (buf) {
        n += std::fread(buf.get() + n, 1, size - n, f.get());
        if (n < size || size == length)
            break;
        size = std::min<std::size_t>(length, 2 * size);
        auto *bigger = static_cast<std::uint8_t *>(std::realloc(buf.get(), size));
        if (!bigger) {
            buf.reset(); // realloc left the old block to be freed
            break;
        }
        buf.release(); // realloc has taken it over
        buf.reset(bigger);
    }
    if (!buf) {
        report_errno("malloc");
        return nullptr;
    }
    if (n < size && std::ferror(f.get())) {
        report_errno(source);
        return nullptr;
    }
    // One byte more tells a file cut by the bound from one that ends there.
    if (bounded && beyond_bound && n == length)
        *beyond_bound = std::fgetc(f.get()) != EOF;
    std::memset(buf.get() + n, 0, size - n);
    if (got)
        *got = static_cast<std::uint32_t>(n);
    return buf.release();
}

std::uint8_t *read_whole_file(std::size_t size, const char *path, std::size_t *got)
{
    *got = 0;
    file_ptr f;
    int opened = open_source_file(path, &f);
    if (opened != 0) {
        if (opened == -1 && errno != ENOENT)
            report_errno(path);
        return nullptr;
    }
    buffer_ptr buf(static_cast<std::uint8_t *>(std::calloc(size ? size : 1, 1)));
    if (!buf) {
        report_errno("malloc");
        return nullptr;
    }
    while (*got < size) {
        std::size_t n = std::fread(buf.get() + *got, 1, size - *got, f.get());
        if (n == 0) {
            if (!std::ferror(f.get()))
                break;
            if (errno == EINTR) {
                std::clearerr(f.get());
                continue;
            }
            report_errno(path);
            *got = 0;
            return nullptr;
        }
        *got += n;
    }
    return buf.release();
}

namespace {

// "<path>: <step>: <system text>", once per run: after a failure the dump is
// abandoned, and later writes are skipped rather than reported again.
int dump_failure(const char *path, const char *step)
{
    int saved = errno;
    report_error("%s: ", path);
    errno = saved;
    report_errno(step);
    dump_run.failed = true;
    return -1;
}

// Links followed at most, as the system follows them in one path.
constexpr int MAX_LINKS = 40;

// The file that the dump replaces: a symbolic link is followed, so that the
// link stays and the file it names (created when missing) gets the new
// content. -1 with errno set for a loop or a link that cannot be read.
int dump_destination(const char *path, std::filesystem::path *file)
{
    namespace fs = std::filesystem;
    *file = resolve_system_path(path);
    for (int followed = 0; followed <= MAX_LINKS; followed++) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(*file, ec)))
            return 0;
        fs::path named = fs::read_symlink(*file, ec);
        if (ec) {
            errno = ec.value();
            return -1;
        }
        *file = named.is_absolute() ? named : file->parent_path() / named;
    }
    errno = ELOOP;
    return -1;
}

// Creates the run's new dump file beside the file it replaces. Only a
// regular file (or none) that the invoker could write in place is replaced.
int start_dump(const char *path)
{
    namespace fs = std::filesystem;
    fs::path destination;
    if (dump_destination(path, &destination) != 0)
        return dump_failure(path, "symbolic link");
    std::error_code ec;
    const fs::file_status old = fs::status(destination, ec);
    if (old.type() == fs::file_type::directory) {
        errno = EISDIR;
        return dump_failure(path, "fopen");
    }
    if (!ec && old.type() != fs::file_type::regular) {
        report_error("%s: not a regular file\n", path);
        dump_run.failed = true;
        return -1;
    }
    if (!ec && check_writable(destination.string()) != 0)
        return dump_failure(path, "access");
    dump_run.destination = destination.string();
    dump_run.temporary = create_file_beside(dump_run.destination);
    if (dump_run.temporary.empty()) {
        int saved = errno;
        const fs::path folder = destination.has_parent_path() ? destination.parent_path() : fs::path(".");
        report_error("%s: creating its new file in %s: %s\n", path, folder.string().c_str(), std::strerror(saved));
        dump_run.failed = true;
        return -1;
    }
    return 0;
}

} // namespace

int dump_write_at(std::uint64_t offset, std::uint32_t length, const void *data, const char *path, bool update)
{
    if (dump_run.failed || (dump_run.temporary.empty() && start_dump(path) != 0))
        return -1;
    file_ptr f(std::fopen(dump_run.temporary.c_str(), update ? "r+b" : "wb"));
    if (!f)
        return dump_failure(path, "fopen");
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) {
        errno = EINVAL;
        return dump_failure(path, "fseek");
    }
    if (std::fseek(f.get(), static_cast<long>(offset), SEEK_SET) != 0)
        return dump_failure(path, "fseek");
    // An empty block is written by writing nothing; fwrite would report no item.
    if (length > 0 && std::fwrite(data, length, 1, f.get()) != 1)
        return dump_failure(path, "fwrite");
    if (std::fclose(f.release()) != 0)
        return dump_failure(path, "fclose");
    return 0;
}

bool dump_pending()
{
    return !dump_run.temporary.empty();
}

int dump_finish(const char *path, bool keep)
{
    int result = dump_run.failed ? -1 : 0;
    if (!dump_run.temporary.empty()) {
        if (keep && result == 0) {
            const char *step = "rename";
            if (replace_file(dump_run.temporary, dump_run.destination, &step) != 0)
                result = dump_failure(path, step);
        }
        drop_file_beside(dump_run.temporary);
    }
    dump_run = {};
    return result;
}
