// parse_version over arbitrary text, and the round trip through print_version:
// any packed version printed and parsed again is the same version.
#include "fuzz_common.h"

#include "ident/identify.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string printed(std::uint32_t v)
{
    char *text = nullptr;
    std::size_t length = 0;
    std::FILE *f = open_memstream(&text, &length);
    if (!f)
        fuzz_fail("open_memstream");
    print_version(f, v);
    std::fclose(f);
    std::string s(text, length);
    std::free(text);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An exact, terminated copy: the parser writes into its text.
    char *text = static_cast<char *>(std::malloc(size + 1));
    std::memcpy(text, data, size);
    text[size] = 0;
    std::uint32_t v = 0xA5A5A5A5;
    int r = parse_version(text, &v);
    std::free(text);
    if (r == -1) {
        if (v != 0xA5A5A5A5)
            fuzz_fail("a refused version changed the result");
        return 0;
    }
    if (r != 0)
        fuzz_fail("parse_version returned neither 0 nor -1");

    std::string again = printed(v);
    std::uint32_t w = ~v;
    if (parse_version(again.data(), &w) != 0 || w != v)
        fuzz_fail("a printed version does not parse back to itself");
    return 0;
}
