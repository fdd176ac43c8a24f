// The structure walk and every decoding over an arbitrary in-memory table.
// Input: SMBIOS major and minor version, the announced structure count
// (16-bit little-endian), the walk flags, then the table itself.
#include "fuzz_common.h"

#include "smbios/options.h"
#include "smbios/structure.h"
#include "smbios/walk.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Walks a fresh copy of exactly `size` bytes (string lookups rewrite the
// table in place, and an exact allocation lets the sanitizer catch any read
// past the end) with the options of one command line.
void walk(std::initializer_list<const char *> args, const std::uint8_t *table, std::size_t size,
          std::uint16_t count, std::uint16_t version, unsigned flags)
{
    std::vector<char *> argv = {const_cast<char *>("kelb-dmi")};
    for (const char *a : args)
        argv.push_back(const_cast<char *>(a));
    argv.push_back(nullptr);
    dmi_decoder_reset();
    decoder_options.device_path = "/dev/mem";
    decoder_options.mode = 0;
    if (parse_decoder_options(static_cast<int>(argv.size() - 1), argv.data()) != 0)
        fuzz_fail("the fuzz target's own options were refused");

    auto *copy = static_cast<std::uint8_t *>(std::malloc(size ? size : 1));
    if (size)
        std::memcpy(copy, table, size);
    walk_structure_table(reinterpret_cast<std::uintptr_t>(copy), static_cast<std::uint32_t>(size),
                         count, version, nullptr, flags);
    std::free(copy);
    std::free(decoder_options.type_filter);
    decoder_options.type_filter = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quiet_stdout();
    std::string out = printed_by([] {
        std::vector<std::uint8_t> t = known_table();
        walk({"-s", "system-manufacturer"}, t.data(), t.size(), 2, 0x0208, 0);
    });
    if (out != "Fuzz\n")
        fuzz_fail("a well-formed table does not reach the walk");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 5)
        return 0;
    std::uint16_t version = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    std::uint16_t count = static_cast<std::uint16_t>(data[2] | data[3] << 8);
    unsigned flags = data[4] & WALK_STOP_AT_END;
    const std::uint8_t *table = data + 5;
    std::size_t length = size - 5;

    walk({}, table, length, count, version, flags);
    walk({"-u"}, table, length, count, version, flags);
    walk({"-q"}, table, length, count, version, flags);
    walk({"-t", "1,2,3,4,11,17,127"}, table, length, count, version, flags);
    for (const char *keyword : fuzz_string_keywords) {
        walk({"-s", keyword}, table, length, count, version, flags);
        walk({"-u", "-s", keyword}, table, length, count, version, flags);
    }
    return 0;
}
