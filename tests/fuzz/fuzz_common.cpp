#include "fuzz_common.h"

#include <sanitizer/common_interface_defs.h>

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

fuzz_machine fuzz_machine_state;

void fuzz_fail(const char *what)
{
    // Standard error may be closed for the target; the sanitizers' report
    // descriptor stays open.
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    __sanitizer_report_error_summary(("fuzz property failed: " + std::string(what)).c_str());
    std::abort();
}
