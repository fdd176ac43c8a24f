// The simulated utility refused its driver as an ordinary user would meet it:
// not root. Under a root test run the child drops to nobody through setpriv.
#include "hw/lockdown.h"
#include "machine_run.h"

#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr char SETPRIV[] = "/usr/bin/setpriv";

TEST(driver_advice_linux, unprivileged_run_is_told_to_run_as_root_unless_locked_down)
{
    if (geteuid() == 0 && !std::filesystem::exists(SETPRIV))
        GTEST_SKIP() << "running as root without " << SETPRIV << " to drop to an ordinary user";
    // What sys_init prints after its prefix, and the advice after the sys_init line.
    const struct { std::vector<env_change> settings; std::string reason, advice; } cases[] = {
        {{{SIM_DLL_STATUS, "2"}}, "driver not loaded\n", "Please run this utility as root.\n"},
        {{{SIM_DLL_STATUS, "3"}}, "driver not found\n", "Please run this utility as root.\n"},
        {{{SIM_LOCKDOWN, "none [integrity] confidentiality"}}, std::string("driver not loaded\n") + LOCKDOWN_NOTE, ""},
    };
    for (const auto &c : cases) {
        scratch_dir dir;
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        const bytes before = make_chip(21);
        write_file(chip, before);
        std::vector<std::string> argv;
        if (geteuid() == 0)
            argv = {SETPRIV, "--reuid=65534", "--regid=65534", "--clear-groups"};
        argv.insert(argv.end(), {KELB_CU_SIM_PATH, "-f", "-f", "230"});
        run_result r = run_checked(argv, machine_env(chip, log, c.settings));
        EXPECT_EQ(r.status, 15) << r.err;
        EXPECT_EQ(r.err, WARNING_LINES + std::string("Unable to initialize WinRing0 library: ") + c.reason +
                             "sys_init: " + errno_text(ENODEV) + "\n" + c.advice);
        EXPECT_EQ(read_file(chip), before);
    }
}

} // namespace
