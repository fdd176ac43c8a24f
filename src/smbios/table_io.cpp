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

std::uint8_t *read_chunk(std::uint64_t base, std::uint32_t length, const char *source, bool physical,
                         std::uint32_t *got)
{
    if (physical) {
        std::uint8_t *p = read_physical_memory(base, length, source);
        if (p && got)
            *got = length;
        return p;
    }
    file_ptr f(std::fopen(resolve_system_path(source).c_str(), "rb"));
    if (!f) {
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
    std::memset(buf.get() + n, 0, size - n);
    if (got)
        *got = static_cast<std::uint32_t>(n);
    return buf.release();
}

std::uint8_t *read_whole_file(std::size_t size, const char *path, std::size_t *got)
{
    *got = 0;
    file_ptr f(std::fopen(resolve_system_path(path).c_str(), "rb"));
    if (!f) {
        if (errno != ENOENT)
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

int dump_write_at(std::uint64_t offset, std::uint32_t length, const void *data, const char *path, bool update)
{
    auto fail = [path](const char *step) {
        int saved = errno;
        report_error("%s: ", path);
        errno = saved;
        report_errno(step);
        dump_run.failed = true;
        return -1;
    };
    const std::string file = resolve_system_path(path);
    std::error_code ec;
    const bool existed = update || std::filesystem::exists(std::filesystem::symlink_status(file, ec));
    std::FILE *f = std::fopen(file.c_str(), update ? "r+b" : "wb");
    if (!f)
        return fail("fopen");
    dump_run.created = dump_run.created || !existed;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) {
        errno = EINVAL;
        std::fclose(f);
        return fail("fseek");
    }
    if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) {
        fail("fseek");
        std::fclose(f);
        return -1;
    }
    // An empty block is written by writing nothing; fwrite would report no item.
    if (length > 0 && std::fwrite(data, length, 1, f) != 1) {
        fail("fwrite");
        std::fclose(f);
        return -1;
    }
    if (std::fclose(f) != 0)
        return fail("fclose");
    return 0;
}
