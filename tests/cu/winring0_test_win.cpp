// The production kelb-cu.exe loading WinRing0 libraries made of the simulated
// machine: the real loading backend, where (under wine, with the simulated
// library beside the utility) no hardware can be reached.
#include "machine_run.h"

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A host path as handed over by the build, as this program can open it.
fs::path host_path(const std::string &p)
{
    return fs::path(!p.empty() && p[0] == '/' ? "Z:" + p : p);
}

run_result run_exe(const std::string &exe, const std::string &chip, const std::string &log,
                   const std::vector<std::string> &args, const std::vector<env_change> &settings = {})
{
    std::vector<std::string> argv = {exe};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_checked(argv, machine_env(chip, log, settings));
}

const nvram_config PRIOR = {215, CFG_MEMFAST | CFG_NOXMP, 3000, 1, 0, 4, 5};

TEST(winring0, production_utility_stores_through_the_library_as_in_a_backing_file)
{
    const struct { const char *pci80, *locked; } cases[] = {
        {"0x00080000", "0"}, {"0x00088000", "1"}, {"fail", "-1"},
    };
    for (const auto &c : cases) {
        scratch_dir dir;
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), file = dir.file("nvram.bin");
        const bytes before = chip_with_record(31, encode_config(PRIOR));
        write_file(chip, before);
        write_file(file, before);

        // The processor here is the real one: its family is pinned for both runs.
        run_result dev = run_exe(KELB_CU_PATH, chip, log, {"-f", "-f", "230"},
                                 {{SIM_PCI80, c.pci80}, {"KELB_DEBUG_CPU_EXTENDED_FAMILY", "10"}});
        run_result deb = run_backing_file(file, {"230"}, {{"KELB_DEBUG_CPU_LOCKED", c.locked},
                                                          {"KELB_DEBUG_CPU_EXTENDED_FAMILY", "10"}});
        EXPECT_EQ(dev.status, 0) << c.pci80 << "\n" << dev.err;
        EXPECT_EQ(deb.status, 0) << deb.err;
        EXPECT_EQ(dev.err, WARNING_LINES);
        EXPECT_EQ(dev.out, deb.out);
        const bytes after = read_file(chip);
        EXPECT_EQ(after, read_file(file)) << c.pci80;
        EXPECT_NE(after, before);
        expect_unchanged_outside(before, after, CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);

        auto lines = read_lines(log);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.front(), "init");
        EXPECT_EQ(lines.back(), "deinit");
        EXPECT_EQ(port_lines(lines).size(), (64u + 2) + (3u * 6 + 2) * 2);
        bool pci_read = false;
        for (const auto &l : lines)
            pci_read = pci_read || l.rfind("pci 0 80 ", 0) == 0;
        EXPECT_TRUE(pci_read);
    }
}

TEST(winring0, library_status_and_version_come_from_the_library)
{
    const struct { const char *var, *value, *reason; std::vector<std::string> log; } cases[] = {
        {SIM_DLL_STATUS, "4", "Unable to initialize WinRing0 library: driver unloaded by other process\n", {"init"}},
        {SIM_DRIVER_VERSION, "2.0.0.0", "", {"init", "deinit"}},
    };
    for (const auto &c : cases) {
        scratch_dir dir;
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        const bytes before = make_chip(12);
        write_file(chip, before);
        run_result r = run_exe(KELB_CU_PATH, chip, log, {"-f", "-f", "230"}, {{c.var, c.value}});
        EXPECT_EQ(r.status, 15) << c.value;
        EXPECT_EQ(r.err, std::string(WARNING_LINES) + c.reason + "sys_init: " + errno_text(ENODEV) +
                         "\nPlease run this utility as administrator.\n");
        EXPECT_EQ(read_lines(log), c.log);
        EXPECT_EQ(read_file(chip), before);
    }
}

// Beside a copy of the utility: no library, or one that lacks a function.
TEST(winring0, missing_or_incomplete_library_is_a_driver_not_found)
{
    for (const char *library : {"", KELB_WINRING0_INCOMPLETE_PATH}) {
        scratch_dir dir;
        fs::path exe = dir.path() / "kelb-cu.exe";
        fs::copy_file(host_path(KELB_CU_PATH), exe);
        if (*library)
            fs::copy_file(host_path(library), dir.path() / host_path(library).filename());
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        const bytes before = make_chip(13);
        write_file(chip, before);

        run_result r = run_exe(exe.string(), chip, log, {"-f", "-f", "230"});
        EXPECT_EQ(r.status, 15) << library;
        EXPECT_EQ(r.err, std::string(WARNING_LINES) + "Unable to initialize WinRing0 library: driver not found\n" +
                         "sys_init: " + errno_text(ENODEV) + "\nPlease run this utility as administrator.\n");
        // Nothing of an incomplete library is called.
        EXPECT_FALSE(fs::exists(log)) << library;
        EXPECT_EQ(read_file(chip), before);
    }
}

} // namespace
