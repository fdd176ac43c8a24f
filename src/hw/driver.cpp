#include "hw/driver.h"

#include "hw/ols.h"
#include "runtime/diagnostics.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::array<const char *, 6> STATUS_TEXTS = {
    nullptr,
    "unsupported platform\n",
    "driver not loaded\n",
    "driver not found\n",
    "driver unloaded by other process\n",
    "driver not loaded from network\n",
};

const char *status_text(unsigned status)
{
    return status < STATUS_TEXTS.size() ? STATUS_TEXTS[status] : "unknown error\n";
}

driver_failure failure{};

} // namespace

int sys_init()
{
    // Its result says nothing the status does not say better.
    ols_initialize();
    unsigned status = ols_get_dll_status();
    failure = {status, ols_locked_down()};
    if (status != OLS_DLL_NO_ERROR) {
        report_error("Unable to initialize %s: %s", ols_access_name(), status_text(status));
        if (const char *note = ols_status_note())
            report_error("%s", note);
        // Set last: writing the reason may itself change errno.
        errno = ENODEV;
        return -1;
    }
    // A library that fills in nothing must not pass for a good driver.
    std::uint8_t major = 0, minor = 0, revision = 0, release = 0;
    ols_get_driver_version(&major, &minor, &revision, &release);
    if (major == 0 || minor < 2) {
        ols_deinitialize();
        errno = ENODEV;
        return -1;
    }
    return 0;
}

driver_failure last_driver_failure() { return failure; }

int sys_deinit()
{
    ols_deinitialize();
    return 0;
}
