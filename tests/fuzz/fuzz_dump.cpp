// The whole decoder over an arbitrary dump file (--from-dump): entry-point
// decoding, table read from the file, walk and decodings. An input whose
// entry point has a wrong checksum is also tried with its checksums made
// right, so that mutations of the entry point still reach the table.
#include "fuzz_common.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string dump_path;

void write_dump(const std::uint8_t *data, std::size_t size)
{
    std::FILE *f = std::fopen(dump_path.c_str(), "wb");
    if (!f || (size && std::fwrite(data, size, 1, f) != 1) || std::fclose(f) != 0)
        fuzz_fail("cannot write the dump file");
}

void decode_dump(const std::uint8_t *data, std::size_t size)
{
    write_dump(data, size);
    const char *path = dump_path.c_str();
    if (run_decoder({"--from-dump", path}) == 2 || run_decoder({"-u", "--from-dump", path}) == 2 ||
        run_decoder({"-q", "-s", "oem-string-last", "--from-dump", path}) == 2 ||
        run_decoder({"-t", "memory", "--from-dump", path}) == 2)
        fuzz_fail("the fuzz target's own options were refused");
}

void set_checksum(std::vector<std::uint8_t> &b, std::size_t from, std::size_t length, std::size_t at)
{
    if (from + length > b.size() || at >= b.size())
        return;
    b[at] = 0;
    std::uint8_t sum = 0;
    for (std::size_t i = from; i < from + length; i++)
        sum = static_cast<std::uint8_t>(sum + b[i]);
    b[at] = static_cast<std::uint8_t>(-sum);
}

// The input with the checksums of its entry point made valid.
std::vector<std::uint8_t> repaired(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::uint8_t> b(data, data + size);
    if (size >= 7 && std::memcmp(data, "_SM3_", 5) == 0) {
        set_checksum(b, 0, b[6], 5);
    } else if (size >= 6 && std::memcmp(data, "_SM_", 4) == 0) {
        set_checksum(b, 0x10, 15, 0x15);
        set_checksum(b, 0, b[5], 4);
    } else if (size >= 5 && std::memcmp(data, "_DMI_", 5) == 0) {
        set_checksum(b, 0, 15, 5);
    }
    return b;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quiet_stdout();
    char name[] = "/tmp/kelb-fuzz-dump-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        fuzz_fail("mkstemp");
    close(fd);
    dump_path = name;
    std::atexit([] { std::remove(dump_path.c_str()); });

    std::vector<std::uint8_t> dump = known_entry_point(32);
    dump.resize(32, 0);
    std::vector<std::uint8_t> t = known_table();
    dump.insert(dump.end(), t.begin(), t.end());
    write_dump(dump.data(), dump.size());
    std::string out = printed_by([] { run_decoder({"-q", "-s", "system-manufacturer", "--from-dump", dump_path.c_str()}); });
    if (out != "Fuzz\n")
        fuzz_fail("a well-formed dump file does not reach the walk");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    decode_dump(data, size);
    std::vector<std::uint8_t> fixed = repaired(data, size);
    if (fixed.size() == size && size && std::memcmp(fixed.data(), data, size) != 0)
        decode_dump(fixed.data(), fixed.size());
    return 0;
}
