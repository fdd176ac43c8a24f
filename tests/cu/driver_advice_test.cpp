// The advice after a refused driver connection, for every status and both
// kinds of rights, on both systems.
#include "cu/driver_advice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

const std::string ADMINISTRATOR = "Please run this utility as administrator.\n";
const std::string ROOT = "Please run this utility as root.\n";
const std::string LINUX_WAY_OUT =
    "The Linux build of kelb-cu needs no driver (it uses /dev/port as root): run\n"
    "it there instead, with nothing to install: unpack the static Linux programs\n"
    "(kelb-cu-*-linux-x86_64-static.tar.gz) on any live system and run them as\n"
    "root, or boot this machine from the image kelb-cu-boot.iso (CD or USB stick).\n";
const std::string REMOVED = ADMINISTRATOR +
    "This process already runs as administrator. The likely cause: a driver file\n"
    "is missing beside kelb-cu.exe (WinRing0x64.sys, WinRing0x64.dll); Microsoft\n"
    "Defender removes WinRing0x64.sys as a vulnerable driver (CVE-2020-14979).\n" + LINUX_WAY_OUT;
const std::string BLOCKED = ADMINISTRATOR +
    "This process already runs as administrator. The likely cause: Windows refused\n"
    "to load WinRing0x64.sys through its vulnerable-driver blocklist (Windows 11\n"
    "22H2 and later, memory integrity, Smart App Control, S mode).\n" + LINUX_WAY_OUT;

constexpr host_system WIN = host_system::windows;
constexpr host_system LINUX = host_system::linux_kernel;

struct advice_case {
    driver_facts facts;
    std::string advice;
};

// Statuses: 1 unsupported platform, 2 driver not loaded, 3 driver not found,
// 4 unloaded by another process, 5 not loaded from network, 9 unknown, 0 the
// driver too old.
const advice_case CASES[] = {
    // host, errno, status, privileged, locked down
    {{WIN, ENODEV, 3, true, false}, REMOVED},
    {{WIN, ENODEV, 2, true, false}, BLOCKED},
    {{WIN, ENODEV, 3, false, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 2, false, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 1, true, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 4, true, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 5, true, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 9, true, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 0, true, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 1, false, false}, ADMINISTRATOR},
    {{WIN, ENODEV, 0, false, false}, ADMINISTRATOR},
    // Not the connection's own failure: no advice at all.
    {{WIN, EACCES, 3, false, false}, ""},
    {{WIN, 0, 2, true, false}, ""},
    {{LINUX, ENODEV, 2, false, false}, ROOT},
    {{LINUX, ENODEV, 3, false, false}, ROOT},
    {{LINUX, ENODEV, 0, false, false}, ROOT},
    {{LINUX, ENODEV, 9, false, false}, ROOT},
    {{LINUX, ENODEV, 2, true, false}, ""},
    {{LINUX, ENODEV, 3, true, false}, ""},
    {{LINUX, ENODEV, 0, true, false}, ""},
    // The lockdown line has said that root does not help either.
    {{LINUX, ENODEV, 2, false, true}, ""},
    {{LINUX, ENODEV, 2, true, true}, ""},
    {{LINUX, EPERM, 2, false, false}, ""},
};

TEST(driver_advice, names_what_is_really_there)
{
    for (const auto &c : CASES) {
        const driver_facts &f = c.facts;
        EXPECT_EQ(driver_advice(f), c.advice)
            << (f.host == WIN ? "windows" : "linux") << " errno " << f.error << " status " << f.status
            << (f.privileged ? " privileged" : " unprivileged") << (f.locked_down ? " locked down" : "");
    }
}

// Console lines: whole lines that fit 80 columns.
TEST(driver_advice, every_text_is_whole_lines_that_fit_a_console)
{
    for (const auto &c : CASES) {
        std::string text = driver_advice(c.facts);
        EXPECT_TRUE(text.empty() || text.back() == '\n') << text;
        std::size_t start = 0;
        for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
            EXPECT_LE(nl - start, 79u) << text.substr(start, nl - start);
    }
}

} // namespace
