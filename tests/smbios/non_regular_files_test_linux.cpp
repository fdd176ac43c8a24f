// kelb-dmi against special files: FIFOs in the place of its sources or of its
// dump file are refused without blocking, and standard output that cannot be
// written makes the run fail.
#include "fixture.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

const std::string BANNER = "# kelb-dmi 1.0\n";

bytes sample_table()
{
    return concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), end_of_table(2)});
}

// A FIFO that nobody ever writes to: opening it for reading waits for ever.
void make_fifo(const std::string &path)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
}

// A program under a time limit, so that a run that blocks fails the test
// (status 124) instead of hanging it.
run_result run_limited(std::vector<std::string> argv, const std::vector<env_change> &env = {})
{
    argv.insert(argv.begin(), {"/usr/bin/timeout", "20"});
    run_result r = run_program(argv, env);
    r.out = plain(r.out);
    r.err = plain(r.err);
    return r;
}

TEST(SpecialFiles, FifosAreRefusedWithoutBlocking)
{
    struct fifo_case {
        const char *name;
        const char *fifo;               // system location made a FIFO
        std::vector<std::pair<std::string, bytes>> placed;
        std::string err_start;
    };
    const std::vector<fifo_case> cases = {
        {"sysfs entry point", "/sys/firmware/dmi/tables/smbios_entry_point", {},
         "/sys/firmware/dmi/tables/smbios_entry_point: not a regular file\n"},
        {"sysfs table", "/sys/firmware/dmi/tables/DMI",
         {{"/sys/firmware/dmi/tables/smbios_entry_point", entry_sm3(0, 0x100)}},
         "/sys/firmware/dmi/tables/DMI: not a regular file\nTable is unreachable, sorry.\n"},
        {"EFI system table", "/sys/firmware/efi/systab", {}, "/sys/firmware/efi/systab: not a regular file\n"},
        {"memory device", "/dev/mem", {}, "/dev/mem: not a regular file\n"},
    };
    for (const fifo_case &c : cases) {
        SCOPED_TRACE(c.name);
        sim_machine m;
        for (const auto &[where, what] : c.placed)
            m.place(where, what);
        make_fifo(m.root() + c.fifo);
        run_result r = run_limited({KELB_DMI_SIM_PATH, "-q", "-s", "bios-vendor"}, {{"KELB_SIM_ROOT", m.root()}});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(c.err_start, 0), 0u) << r.err;
    }
    {
        scratch_dir dir;
        std::string fifo = dir.file("dump.fifo");
        make_fifo(fifo);
        run_result r = run_limited({KELB_DMI_PATH, "--from-dump", fifo});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, BANNER + "Reading SMBIOS/DMI data from file " + fifo + ".\n");
        EXPECT_EQ(r.err, fifo + ": not a regular file\n");
    }
    {
        // The production program's own memory-device path, given a FIFO
        // (a file, not this machine's memory): refused, without waiting for a
        // writer. Sysfs is left out, so that no real table is read first.
        scratch_dir dir;
        std::string fifo = dir.file("mem.fifo");
        make_fifo(fifo);
        run_result r = run_limited({KELB_DMI_PATH, "-q", "--no-sysfs", "-d", fifo});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(fifo + ": not a memory device\n"), std::string::npos) << r.err;
    }
}

TEST(SpecialFiles, ADumpIsNeverWrittenIntoAFifo)
{
    sim_machine m;
    m.place("/sys/firmware/dmi/tables/smbios_entry_point", entry_sm3(0, static_cast<std::uint32_t>(sample_table().size())));
    m.place("/sys/firmware/dmi/tables/DMI", sample_table());
    std::string fifo = m.file("dump.fifo");
    make_fifo(fifo);
    run_result r = run_limited({KELB_DMI_SIM_PATH, "-q", "--dump-bin", fifo}, {{"KELB_SIM_ROOT", m.root()}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, fifo + ": not a regular file\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m.file("")), std::filesystem::directory_iterator()),
              2); // the FIFO and the machine's root
}

TEST(SpecialFiles, AReplacedDumpKeepsItsLinkAndPermissions)
{
    namespace fs = std::filesystem;
    sim_machine m;
    bytes table = sample_table();
    m.place("/sys/firmware/dmi/tables/smbios_entry_point", entry_sm3(0, static_cast<std::uint32_t>(table.size())));
    m.place("/sys/firmware/dmi/tables/DMI", table);
    fs::create_directories(m.file("real"));
    std::string file = m.file("real") + "/dump.bin", link = m.file("link.bin");
    write_file(file, bytes(10, 1));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    fs::create_symlink(file, link);
    run_result r = m.run({"-q", "--dump-bin", link});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read_file(file), dump_image(entry_sm3(32, static_cast<std::uint32_t>(table.size())), table));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read);
}

TEST(SpecialFiles, OutputThatCannotBeWrittenIsAFailure)
{
    scratch_dir dir;
    bytes table = sample_table();
    std::string dump = dir.file("d.bin");
    write_file(dump, dump_image(entry_sm3(32, static_cast<std::uint32_t>(table.size())), table));
    struct output_case {
        const char *redirection;
        std::vector<std::string> args;
        std::string err;
    };
    const std::string full = "standard output: " + std::string(std::strerror(ENOSPC)) + "\n";
    const std::string closed = "standard output: " + std::string(std::strerror(EBADF)) + "\n";
    const std::vector<output_case> cases = {
        {">/dev/full", {"--from-dump", dump}, full},
        {">/dev/full", {"-s", "bios-vendor", "--from-dump", dump}, ""},
        {">/dev/full", {"-s", "baseboard-product-name", "--from-dump", dump}, full},
        {">/dev/full", {"-h"}, full},
        {">/dev/full", {"-V"}, full},
        {">&-", {"-u", "--from-dump", dump}, closed},
    };
    for (const output_case &c : cases) {
        SCOPED_TRACE(std::string(c.redirection) + " " + c.args[0]);
        std::vector<std::string> argv = {"/bin/sh", "-c", "\"$0\" \"$@\" " + std::string(c.redirection), KELB_DMI_PATH};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        run_result r = run_program(argv);
        // Nothing to write is no failure: no structure holds the BIOS vendor.
        EXPECT_EQ(r.status, c.err.empty() ? 0 : 1);
        EXPECT_EQ(r.err, c.err);
    }
    // Written where it can be, the same runs succeed.
    EXPECT_EQ(run_dmi({"-s", "baseboard-product-name", "--from-dump", dump}).status, 0);
}

} // namespace
