#include "cu/driver_advice.h"

#include "hw/driver.h"
#include "hw/ols.h"

#include <cerrno>
#include <string_view>

namespace {

// Since 2025 Defender quarantines WinRing0x64.sys as a vulnerable driver
// (CVE-2020-14979: any local user reads and writes physical memory through it)
// and Windows' vulnerable-driver blocklist refuses to load it; no fixed build
// exists. For an administrator the usual advice is then no help.
constexpr std::string_view DRIVER_REMOVED =
    "This process already runs as administrator. The likely cause: a driver file\n"
    "is missing beside kelb-cu.exe (WinRing0x64.sys, WinRing0x64.dll); Microsoft\n"
    "Defender removes WinRing0x64.sys as a vulnerable driver (CVE-2020-14979).\n";
constexpr std::string_view DRIVER_BLOCKED =
    "This process already runs as administrator. The likely cause: Windows refused\n"
    "to load WinRing0x64.sys through its vulnerable-driver blocklist (Windows 11\n"
    "22H2 and later, memory integrity, Smart App Control, S mode).\n";
constexpr std::string_view LINUX_WAY_OUT =
    "The Linux build of kelb-cu needs no driver (it uses /dev/port as root): run\n"
    "it there instead, with nothing to install: unpack the static Linux programs\n"
    "(kelb-cu-*-linux-x86_64-static.tar.gz) on any live system and run them as\n"
    "root, or boot this machine from the image kelb-cu-boot.iso (CD or USB stick).\n";

std::string windows_advice(const driver_facts &f)
{
    std::string text = "Please run this utility as administrator.\n";
    if (!f.privileged)
        return text;
    if (f.status == OLS_DLL_DRIVER_NOT_FOUND)
        return text.append(DRIVER_REMOVED).append(LINUX_WAY_OUT);
    if (f.status == OLS_DLL_DRIVER_NOT_LOADED)
        return text.append(DRIVER_BLOCKED).append(LINUX_WAY_OUT);
    return text;
}

// A locked-down kernel refuses root as well, and its own line has said so.
std::string linux_advice(const driver_facts &f)
{
    if (f.locked_down || f.privileged)
        return {};
    return "Please run this utility as root.\n";
}

} // namespace

std::string driver_advice(const driver_facts &facts)
{
    // Every failure of sys_init leaves ENODEV; anything else is not its own.
    if (facts.error != ENODEV)
        return {};
    return facts.host == host_system::windows ? windows_advice(facts) : linux_advice(facts);
}

driver_facts failed_driver_facts(int error)
{
    driver_failure f = last_driver_failure();
    return {this_host(), error, f.status, process_privileged(), f.locked_down};
}
