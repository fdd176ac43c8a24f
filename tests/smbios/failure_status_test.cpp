// Runs that cannot read their table, or all of it, end as failures; the
// table read is bounded; entry points too short for their fields are not
// taken; a dump replaces its file only when the run succeeded.
#include "fixture.h"

#include "smbios/table_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

namespace {

const std::string BANNER = "# kelb-dmi 1.0\n";
const std::string NOT_FOUND = "# No SMBIOS nor DMI entry point found, sorry.\n";
const std::string UNREACHABLE = "Table is unreachable, sorry.\n";
const char SYSFS_ENTRY[] = "/sys/firmware/dmi/tables/smbios_entry_point";
const char SYSFS_TABLE[] = "/sys/firmware/dmi/tables/DMI";
constexpr std::uint32_t TABLE_ADDRESS = 0x10000;

bytes sample_table()
{
    return concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), end_of_table(2)});
}

std::uint16_t sample_size()
{
    return static_cast<std::uint16_t>(sample_table().size());
}

bool ends_with(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::size_t files_in(const std::filesystem::path &dir)
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

// Entry point `e` with the checksum byte at `at` made right over `length` bytes from `from`.
bytes with_checksum(bytes e, std::size_t at, std::size_t from, std::size_t length)
{
    e[at] = 0;
    e[at] = static_cast<std::uint8_t>(0x100 - byte_sum(e, from, length) % 0x100);
    return e;
}

TEST(FailureStatus, ATableThatCannotBeReadEndsWithStatus1)
{
    struct unreadable_case {
        const char *name;
        std::vector<std::pair<std::string, bytes>> placed;
        bool table_folder;
        std::string efi;
    };
    bytes memory = memory_image();
    put(memory, 0xF0000, entry_sm(0x200000, sample_size(), 2));
    const std::vector<unreadable_case> cases = {
        {"sysfs table missing", {{SYSFS_ENTRY, entry_sm3(0x1000, 0x100)}}, false, ""},
        {"sysfs table a folder", {{SYSFS_ENTRY, entry_sm3(0x1000, 0x100)}}, true, ""},
        {"EFI address past memory", {{"/dev/mem", memory}}, false, "SMBIOS=0xF0000\n"},
        {"scanned entry point past memory", {{"/dev/mem", memory}}, false, ""},
    };
    for (const unreadable_case &c : cases) {
        SCOPED_TRACE(c.name);
        sim_machine m;
        for (const auto &[where, what] : c.placed)
            m.place(where, what);
        if (c.table_folder)
            std::filesystem::create_directories(m.root() + SYSFS_TABLE);
        if (!c.efi.empty())
            m.place("/sys/firmware/efi/systab", c.efi);
        for (const std::vector<std::string> &args :
             {std::vector<std::string>{}, std::vector<std::string>{"-q", "-s", "baseboard-product-name"}}) {
            run_result r = m.run(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(ends_with(r.err, "\n" + UNREACHABLE)) << r.err;
            if (!args.empty()) {
                EXPECT_EQ(r.out, "");
            }
        }
    }
    {
        // From a dump whose table lies past the end of the file.
        scratch_dir dir;
        bytes far = entry_sm3(0xFFFFFFFFFFFFFF00ull, 0x100);
        write_file(dir.file("far.bin"), dump_image(far, sample_table()));
        run_result r = run_dmi({"--from-dump", dir.file("far.bin")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, BANNER + "Reading SMBIOS/DMI data from file " + dir.file("far.bin") +
                             ".\nSMBIOS 3.0.0 present.\n\n");
        EXPECT_TRUE(ends_with(r.err, "\n" + UNREACHABLE)) << r.err;
        EXPECT_EQ(run_dmi({"-q", "-s", "bios-vendor", "--from-dump", dir.file("far.bin")}).status, 1);
    }
}

TEST(FailureStatus, ATableNotAllThereEndsWithStatus1)
{
    // Board, OEM strings A, B, C and End of Table: 18 + 12 + 6 bytes.
    const bytes table = concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}),
                                structure(11, 2, {3}, {"A", "B", "C"}), end_of_table(3)});
    const auto size = static_cast<std::uint16_t>(table.size());
    struct cut_case {
        const char *name;
        bytes dump;
        std::string present, note, board, oem;
    };
    auto cut = [](bytes b, std::size_t length) {
        b.resize(length);
        return b;
    };
    const std::string sm_note = ": table of 36 bytes announced, only 0 of them could be read.\n";
    const std::vector<cut_case> cases = {
        {"64-bit, table past the end", dump_image(entry_sm3(0x100000, size), table), "SMBIOS 3.0.0 present.\n",
         ": table of up to 36 bytes announced, the 0 bytes that could be read end before its End-of-Table "
         "structure.\n",
         "", ""},
        {"32-bit, table past the end", dump_image(entry_sm(0x100000, size, 3), table), "SMBIOS 2.7 present.\n",
         sm_note, "", ""},
        {"legacy, table past the end", dump_image(entry_dmi(0x100000, size, 3), table),
         "Legacy DMI 2.1 present.\n", sm_note, "", ""},
        {"32-bit, cut in the OEM strings", cut(dump_image(entry_sm(32, size, 3), table), 32 + 18 + 8),
         "SMBIOS 2.7 present.\n", ": table of 36 bytes announced, only 26 of them could be read.\n", "P1\n",
         "<BAD INDEX>\n"},
        {"64-bit, cut before End of Table", cut(dump_image(entry_sm3(32, size), table), 32 + 30),
         "SMBIOS 3.0.0 present.\n",
         ": table of up to 36 bytes announced, the 30 bytes that could be read end before its End-of-Table "
         "structure.\n",
         "P1\n", "C\n"},
    };
    for (const cut_case &c : cases) {
        SCOPED_TRACE(c.name);
        scratch_dir dir;
        const std::string file = dir.file("cut.bin");
        write_file(file, c.dump);
        run_result r = run_dmi({"-t", "250", "--from-dump", file});
        EXPECT_EQ(r.out.rfind(BANNER + "Reading SMBIOS/DMI data from file " + file + ".\n" + c.present, 0), 0u)
            << r.out;
        EXPECT_EQ(r.err, file + c.note);
        EXPECT_EQ(r.status, 1);
        // The strings that are there are still printed, but the run fails.
        run_result board = run_dmi({"-q", "-s", "baseboard-product-name", "--from-dump", file});
        EXPECT_EQ(board.out, c.board);
        EXPECT_EQ(board.err, file + c.note);
        EXPECT_EQ(board.status, 1);
        run_result oem = run_dmi({"-q", "-s", "oem-string-last", "--from-dump", file});
        EXPECT_EQ(oem.out, c.oem);
        EXPECT_EQ(oem.status, 1);
    }
    {
        // An empty sysfs table file: the run fails, and no dump of it is saved.
        sim_machine m;
        m.place(SYSFS_ENTRY, entry_sm3(0, size));
        m.place(SYSFS_TABLE, bytes{});
        const std::string dump = m.file("dump.bin");
        for (const std::vector<std::string> &args :
             {std::vector<std::string>{"-q", "-s", "baseboard-product-name"}, {"-q", "--dump-bin", dump}}) {
            run_result r = m.run(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, std::string(SYSFS_TABLE) +
                                 ": table of up to 36 bytes announced, the 0 bytes that could be read end before "
                                 "its End-of-Table structure.\n");
        }
        EXPECT_FALSE(std::filesystem::exists(dump));
        // The same machine with its table there dumps it.
        m.place(SYSFS_TABLE, table);
        EXPECT_EQ(m.run({"-q", "--dump-bin", dump}).status, 0);
        EXPECT_EQ(read_file(dump), dump_image(entry_sm3(32, size), table));
    }
}

TEST(FailureStatus, AScanGoesOnAfterAnUnreadableTableAndStillFails)
{
    sim_machine m;
    bytes memory = memory_image();
    put(memory, TABLE_ADDRESS, sample_table());
    put(memory, 0xF0000, entry_dmi(0x200000, sample_size(), 2));
    put(memory, 0xF0100, entry_dmi(TABLE_ADDRESS, sample_size(), 2));
    m.place("/dev/mem", memory);
    run_result r = m.run({"-q", "-s", "baseboard-product-name"});
    EXPECT_EQ(r.out, "P1\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(ends_with(r.err, "\n" + UNREACHABLE)) << r.err;
}

TEST(FailureStatus, EntryPointsShorterThanTheirFieldsAreNotTaken)
{
    // Each checksum still holds over the length the entry point gives itself.
    bytes sm3_zero = entry_sm3(32, sample_size());
    sm3_zero[0x06] = 0;
    bytes sm3_short = entry_sm3(32, sample_size());
    sm3_short[0x06] = 0x17;
    sm3_short = with_checksum(sm3_short, 0x05, 0, 0x17);
    bytes sm_short = entry_sm(32, sample_size(), 2);
    sm_short[0x05] = 0x1D;
    sm_short = with_checksum(sm_short, 0x04, 0, 0x1D);
    bytes sm_2_1 = entry_sm(32, sample_size(), 2);
    sm_2_1[0x05] = 0x1E; // as some SMBIOS 2.1 firmware has it: every field read is covered
    sm_2_1 = with_checksum(sm_2_1, 0x04, 0, 0x1E);
    struct short_case {
        const char *name;
        bytes entry;
        bool taken;
    };
    for (const short_case &c : {short_case{"64-bit, length 0", sm3_zero, false},
                                short_case{"64-bit, length 23", sm3_short, false},
                                short_case{"32-bit, length 29", sm_short, false},
                                short_case{"32-bit, length 30", sm_2_1, true}}) {
        SCOPED_TRACE(c.name);
        scratch_dir dir;
        write_file(dir.file("d.bin"), dump_image(c.entry, sample_table()));
        run_result r = run_dmi({"--from-dump", dir.file("d.bin")});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.find(NOT_FOUND) == std::string::npos, c.taken) << r.out;
        EXPECT_EQ(run_dmi({"-q", "-s", "baseboard-product-name", "--from-dump", dir.file("d.bin")}).out,
                  c.taken ? "P1\n" : "");
    }
}

TEST(FailureStatus, TheTableReadStopsAtItsBound)
{
    const std::string cut_note = "Table of 4294967295 bytes announced: only its first " +
                                 std::to_string(MAX_TABLE_SIZE) + " bytes were read.\n";
    {
        // A dump file of more than the bound behind an entry point announcing 4 GiB.
        scratch_dir dir;
        std::string dump = dir.file("big.bin");
        write_file(dump, dump_image(entry_sm3(32, 0xFFFFFFFF), sample_table()));
        std::filesystem::resize_file(dump, 32 + std::uintmax_t{MAX_TABLE_SIZE} + 4096);
        run_result r = run_dmi({"-q", "-s", "baseboard-product-name", "--from-dump", dump});
        EXPECT_EQ(r.out, "P1\n");
        EXPECT_EQ(r.err, cut_note);
        EXPECT_EQ(r.status, 1);
        // A file that ends at the bound holds the whole of a 64-bit table
        // that ends inside it: no bound is met.
        std::filesystem::resize_file(dump, 32 + std::uintmax_t{MAX_TABLE_SIZE});
        r = run_dmi({"-q", "-s", "baseboard-product-name", "--from-dump", dump});
        EXPECT_EQ(r.out, "P1\n");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
    {
        // Physical memory is read up to the bound, not as far as announced.
        sim_machine m;
        bytes memory = memory_image();
        put(memory, TABLE_ADDRESS, sample_table());
        put(memory, 0xF0000, entry_sm3(TABLE_ADDRESS, 0xFFFFFFFF));
        m.place("/dev/mem", memory);
        std::filesystem::resize_file(m.root() + "/dev/mem", TABLE_ADDRESS + std::uintmax_t{MAX_TABLE_SIZE});
        run_result r = m.run({"-q", "-s", "baseboard-product-name"});
        EXPECT_EQ(r.out, "P1\n");
        EXPECT_EQ(r.err, cut_note);
        EXPECT_EQ(r.status, 1);
    }
}

TEST(FailureStatus, ADumpReplacesItsFileOnlyAfterASuccessfulRun)
{
    const bytes old_content(100, 0xAB);
    // Dumps the machine's tables over an existing file; the folder must hold
    // that one file afterwards, whatever the outcome.
    auto dump_over_old_file = [&](sim_machine &m, bytes *after) {
        std::filesystem::create_directories(m.file("out"));
        std::string dump = m.file("out") + "/dump.bin";
        write_file(dump, old_content);
        run_result r = m.run({"-q", "--dump-bin", dump});
        *after = read_file(dump);
        EXPECT_EQ(files_in(m.file("out")), 1u);
        return r;
    };
    bytes after;
    {
        // The table cannot be read: the old file stays, and no new one is left.
        sim_machine m;
        m.place(SYSFS_ENTRY, entry_sm3(0x1000, 0x100));
        EXPECT_EQ(dump_over_old_file(m, &after).status, 1);
        EXPECT_EQ(after, old_content);
    }
    {
        // One table of the scan is written, another cannot be read: the run
        // fails, and what was written is not kept.
        sim_machine m;
        bytes memory = memory_image();
        put(memory, TABLE_ADDRESS, sample_table());
        put(memory, 0xF0000, entry_dmi(TABLE_ADDRESS, sample_size(), 2));
        put(memory, 0xF0100, entry_dmi(0x200000, sample_size(), 2));
        m.place("/dev/mem", memory);
        EXPECT_EQ(dump_over_old_file(m, &after).status, 1);
        EXPECT_EQ(after, old_content);
    }
    {
        // A longer old file is replaced by exactly the new dump.
        sim_machine m;
        m.place(SYSFS_ENTRY, entry_sm3(0x1000, sample_size()));
        m.place(SYSFS_TABLE, sample_table());
        run_result r = dump_over_old_file(m, &after);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(after, dump_image(entry_sm3(32, sample_size()), sample_table()));
    }
}

} // namespace
