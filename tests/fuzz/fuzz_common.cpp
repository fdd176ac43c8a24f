#include "fuzz_common.h"

#include <sanitizer/common_interface_defs.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

void quiet_stdout()
{
    if (!std::freopen("/dev/null", "w", stdout))
        fuzz_fail("cannot open /dev/null");
}

const char *const fuzz_string_keywords[23] = {
    "bios-vendor", "bios-version", "bios-release-date",
    "system-manufacturer", "system-product-name", "system-version", "system-serial-number", "system-uuid",
    "baseboard-manufacturer", "baseboard-product-name", "baseboard-version", "baseboard-serial-number",
    "baseboard-asset-tag",
    "chassis-manufacturer", "chassis-type", "chassis-version", "chassis-serial-number", "chassis-asset-tag",
    "processor-family", "processor-manufacturer", "processor-version", "processor-frequency",
    "oem-string-last",
};

std::string printed_by(void (*body)())
{
    char name[] = "/tmp/kelb-fuzz-out-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        fuzz_fail("mkstemp");
    close(fd);
    std::fflush(stdout);
    if (!std::freopen(name, "w", stdout))
        fuzz_fail("cannot capture standard output");
    body();
    quiet_stdout();
    std::string text;
    if (std::FILE *f = std::fopen(name, "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
            text.append(buf, n);
        std::fclose(f);
    }
    std::remove(name);
    return text;
}

std::vector<std::uint8_t> known_table()
{
    std::vector<std::uint8_t> t = {1, 8, 0x00, 0x01, 1, 0, 0, 0, 'F', 'u', 'z', 'z', 0, 0, 127, 4, 0x01, 0x01, 0, 0};
    return t;
}

std::vector<std::uint8_t> known_entry_point(std::uint32_t address)
{
    std::uint16_t length = static_cast<std::uint16_t>(known_table().size());
    std::vector<std::uint8_t> e = {'_', 'D', 'M', 'I', '_', 0,
                                   static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                   static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                                   static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 24),
                                   2, 0, 0x21};
    std::uint8_t sum = 0;
    for (std::uint8_t b : e)
        sum = static_cast<std::uint8_t>(sum + b);
    e[5] = static_cast<std::uint8_t>(-sum);
    return e;
}

fuzz_machine fuzz_machine_state;

void fuzz_fail(const char *what)
{
    // Standard error may be closed for the target; the sanitizers' report
    // descriptor stays open.
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    __sanitizer_report_error_summary(("fuzz property failed: " + std::string(what)).c_str());
    std::abort();
}
