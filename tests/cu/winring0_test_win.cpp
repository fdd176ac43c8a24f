// The production kelb-cu.exe loading WinRing0 libraries made of the simulated
// machine: the real loading backend, where (under wine, with the simulated
// library beside a copy of the utility) no hardware can be reached.
#include "cu/driver_advice.h"
#include "machine_run.h"
#include "support/process_win.h"

#include <cctype>
#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A host path as handed over by the build, as this program can open it.
fs::path host_path(const std::string &p)
{
    return fs::path(!p.empty() && p[0] == '/' ? "Z:" + p : p);
}

// A copy of the production kelb-cu.exe in `dir`, with the test library
// `library` beside it (none when empty).
std::string utility_in(const scratch_dir &dir, const std::string &library)
{
    fs::path exe = dir.path() / "kelb-cu.exe";
    fs::copy_file(host_path(KELB_CU_PATH), exe);
    if (!library.empty())
        fs::copy_file(host_path(library), dir.path() / host_path(library).filename());
    return exe.string();
}

enum class rights { elevated, unelevated };

run_result run_exe(const std::string &exe, const std::string &chip, const std::string &log,
                   const std::vector<std::string> &args, const std::vector<env_change> &settings = {},
                   rights as = rights::elevated)
{
    std::vector<std::string> argv = {exe};
    argv.insert(argv.end(), args.begin(), args.end());
    if (as == rights::elevated)
        return run_checked(argv, machine_env(chip, log, settings));
    run_result r = run_program_unelevated(argv, machine_env(chip, log, settings));
    EXPECT_NE(r.status, -1) << "no filtered token to start the utility with";
    return r;
}

std::string advice(unsigned status, rights as)
{
    return driver_advice({host_system::windows, ENODEV, status, as == rights::elevated, false});
}

const std::string SYS_INIT_LINE = "sys_init: " + errno_text(ENODEV) + "\n";
const std::string PREFIX = "Unable to initialize WinRing0 library: ";
const nvram_config PRIOR = {215, CFG_MEMFAST | CFG_NOXMP, 3000, 1, 0, 4, 5};

TEST(winring0, production_build_folder_holds_no_test_library)
{
    fs::path folder = host_path(KELB_CU_PATH).parent_path();
    ASSERT_TRUE(fs::exists(host_path(KELB_CU_PATH)));
    ASSERT_TRUE(fs::exists(host_path(KELB_WINRING0_SIM_PATH))); // built, elsewhere
    for (const auto &entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        for (char &c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_NE(name.rfind("winring0", 0), 0u) << entry.path().string();
    }
}

TEST(winring0, production_utility_stores_through_the_library_as_in_a_backing_file)
{
    scratch_dir dir;
    const std::string exe = utility_in(dir, KELB_WINRING0_SIM_PATH);
    const struct { const char *pci80, *locked; } cases[] = {
        {"0x00080000", "0"}, {"0x00088000", "1"}, {"fail", "-1"},
    };
    for (const auto &c : cases) {
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), file = dir.file("nvram.bin");
        fs::remove(log);
        const bytes before = chip_with_record(31, encode_config(PRIOR));
        write_file(chip, before);
        write_file(file, before);

        // The processor here is the real one: its family is pinned for both runs.
        run_result dev = run_exe(exe, chip, log, {"-f", "-f", "230"},
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
        // The checksum, then the record read and read again, then the interim
        // check byte, the data bytes and the check byte, each read back.
        EXPECT_EQ(port_lines(lines).size(), (64u + 2) + (3u * 6 + 2) * 2 + (4u * 1 + 2) + (4u * 5 + 2) + (4u * 1 + 2));
        bool pci_read = false;
        for (const auto &l : lines)
            pci_read = pci_read || l.rfind("pci 0 80 ", 0) == 0;
        EXPECT_TRUE(pci_read);
    }
}

// Each library status, and a driver too old, from an elevated process and
// from an administrator's unelevated one: the same three lines, and for an
// elevated administrator whose driver was removed or blocked, the likely
// cause after them.
TEST(winring0, refused_driver_gets_the_advice_of_its_status_and_rights)
{
    const struct {
        const char *var, *value;
        unsigned status;
        const char *reason;
        std::vector<std::string> log;
    } cases[] = {
        {SIM_DLL_STATUS, "1", 1, "unsupported platform\n", {"init"}},
        {SIM_DLL_STATUS, "2", 2, "driver not loaded\n", {"init"}},
        {SIM_DLL_STATUS, "3", 3, "driver not found\n", {"init"}},
        {SIM_DLL_STATUS, "4", 4, "driver unloaded by other process\n", {"init"}},
        {SIM_DLL_STATUS, "5", 5, "driver not loaded from network\n", {"init"}},
        {SIM_DLL_STATUS, "9", 9, "unknown error\n", {"init"}},
        {SIM_DRIVER_VERSION, "2.0.0.0", 0, "", {"init", "deinit"}},
    };
    scratch_dir dir;
    const std::string exe = utility_in(dir, KELB_WINRING0_SIM_PATH);
    for (const auto &c : cases) {
        for (rights as : {rights::elevated, rights::unelevated}) {
            std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
            fs::remove(log);
            const bytes before = make_chip(12);
            write_file(chip, before);
            run_result r = run_exe(exe, chip, log, {"-f", "-f", "230"}, {{c.var, c.value}}, as);
            const bool elevated = as == rights::elevated;
            SCOPED_TRACE(std::string(c.value) + (elevated ? " elevated" : " unelevated"));
            EXPECT_EQ(r.status, 15);
            std::string reason = *c.reason ? PREFIX + c.reason : "";
            EXPECT_EQ(r.err, WARNING_LINES + reason + SYS_INIT_LINE + advice(c.status, as));
            // The administrator line is always there; the cause only where it is known.
            const std::string admin = SYS_INIT_LINE + "Please run this utility as administrator.\n";
            EXPECT_NE(r.err.find(admin), std::string::npos);
            bool explained = r.err.find("already runs as administrator") != std::string::npos;
            EXPECT_EQ(explained, elevated && (c.status == 2 || c.status == 3));
            EXPECT_EQ(read_lines(log), c.log);
            EXPECT_EQ(read_file(chip), before);
        }
    }
}

// Beside a copy of the utility: no library, or one that lacks a function.
// Either is a driver not found, with a line that names the file.
TEST(winring0, missing_or_incomplete_library_is_named_with_its_place)
{
    const struct { std::string library, note_start, note_end; } cases[] = {
        {"", "Cannot load ", ""},
        {KELB_WINRING0_INCOMPLETE_PATH, "", " lacks the function ReadPciConfigDwordEx.\n"},
    };
    for (const auto &c : cases) {
        scratch_dir dir;
        std::string exe = utility_in(dir, c.library);
        std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log");
        const bytes before = make_chip(13);
        write_file(chip, before);

        run_result r = run_exe(exe, chip, log, {"-f", "-f", "230"});
        EXPECT_EQ(r.status, 15) << c.library;
        const std::string head = std::string(WARNING_LINES) + PREFIX + "driver not found\n";
        const std::string tail = SYS_INIT_LINE + advice(3, rights::elevated);
        ASSERT_EQ(r.err.rfind(head, 0), 0u) << r.err;
        ASSERT_GE(r.err.size(), head.size() + tail.size());
        EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;
        std::string note = r.err.substr(head.size(), r.err.size() - head.size() - tail.size());
        // Where it was looked for: beside the program, and nowhere else.
        std::string path = (dir.path() / "WinRing0x64.dll").make_preferred().string();
        std::string expected_start = c.note_start + path + (c.note_end.empty() ? ": " : c.note_end);
        EXPECT_EQ(note.rfind(expected_start, 0), 0u) << note;
        EXPECT_EQ(note.find('\n'), note.size() - 1) << note; // one line
        if (c.note_end.empty()) {
            EXPECT_GT(note.size(), expected_start.size() + 1) << "no reason given: " << note;
        }
        // Nothing of an incomplete library is called.
        EXPECT_FALSE(fs::exists(log)) << c.library;
        EXPECT_EQ(read_file(chip), before);
    }
}

} // namespace
