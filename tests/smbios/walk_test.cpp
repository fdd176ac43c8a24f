// The structure walk: what is displayed, broken tables, the final report.
#include "fixture.h"

#include <gtest/gtest.h>

namespace {

bytes board(std::uint16_t handle, const std::string &product)
{
    return structure(2, handle, {1, 2, 0, 0}, {"Maker", product});
}

// How -u shows one string: its bytes with the terminating zero, then the text.
std::string string_dump(const std::string &text)
{
    std::string rows = "\t\t";
    char hex[4];
    for (unsigned char c : text) {
        std::snprintf(hex, sizeof hex, "%02X ", c);
        rows += hex;
    }
    return rows + "00\n\t\t\"" + text + "\"\n";
}

// The hex dump (-u) of board(handle, "P<handle>").
std::string board_dump(unsigned handle)
{
    char head[64], data[64];
    std::snprintf(head, sizeof head, "Handle 0x%04X, DMI type 2, 8 bytes\n", handle);
    std::snprintf(data, sizeof data, "\t\t02 08 %02X %02X 01 02 00 00\n", handle & 0xFF, handle >> 8);
    return std::string(head) + "\tHeader and Data:\n" + data + "\tStrings:\n" + string_dump("Maker") +
           string_dump("P" + std::to_string(handle)) + "\n";
}

struct walk_run {
    std::string path;
    run_result r;
};

walk_run from_dump(const bytes &entry, const bytes &table, const std::vector<std::string> &args)
{
    static int serial = 0;
    static scratch_dir dir;
    walk_run w;
    w.path = dir.file("walk" + std::to_string(serial++) + ".bin");
    write_file(w.path, dump_image(entry, table));
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--from-dump", w.path});
    w.r = run_dmi(all);
    return w;
}

std::string heading(const walk_run &w) { return "# kelb-dmi 1.0\nReading SMBIOS/DMI data from file " + w.path + ".\n"; }

std::uint16_t size16(const bytes &b) { return static_cast<std::uint16_t>(b.size()); }

TEST(Walk, BrokenLengthStopsEverythingAfterIt)
{
    bytes table = concat({board(1, "P1"), structure(9, 9, {}, {}, 3), board(2, "P2"), end_of_table(3)});
    walk_run w = from_dump(entry_sm(32, size16(table), 4), table, {"-u"});
    EXPECT_EQ(w.r.status, 0);
    EXPECT_EQ(w.r.err, "");
    EXPECT_EQ(w.r.out, heading(w) + "SMBIOS 2.7 present.\n4 structures occupying " + std::to_string(table.size()) +
                           " bytes.\n\n" + board_dump(1) +
                           "Invalid entry length (3). DMI table is broken! Stop.\n\n");
    // Quiet mode silences everything else, not the broken table; without a
    // --string keyword it stays on standard output.
    walk_run quiet = from_dump(entry_sm(32, size16(table), 4), table, {"-q", "-t", "250"});
    EXPECT_EQ(quiet.r.out, "Invalid entry length (3). DMI table is broken! Stop.\n\n");
    EXPECT_EQ(quiet.r.err, "");
}

TEST(Walk, FinalReportComparesWithTheEntryPoint)
{
    bytes many;
    for (unsigned i = 0; i < 38; i++)
        many = concat({many, structure(200, static_cast<std::uint16_t>(i), {})});
    bytes two = concat({board(1, "P1"), board(2, "P2")}); // 18 bytes each
    struct report_case {
        const char *name;
        bytes entry, table;
        std::string report;
        int status = 0; // 1: the dump ends before the table does
    };
    const std::vector<report_case> cases = {
        {"count above the structures", entry_sm(32, size16(many), 40), many,
         "Wrong DMI structures count: 40 announced, only 38 decoded.\n"},
        {"exact count and length", entry_sm(32, size16(many), 38), many, ""},
        {"length above the structures", entry_sm(32, 46, 2), two,
         "Wrong DMI structures length: 46 bytes announced, structures occupy 36 bytes.\n", 1},
        {"count below the structures", entry_dmi(32, 36, 1), two,
         "Wrong DMI structures length: 36 bytes announced, structures occupy 18 bytes.\n"},
        {"strings cut by the table end", entry_sm(32, 33, 2), two,
         "Wrong DMI structures length: 33 bytes announced, structures occupy 34 bytes.\n"},
        {"64-bit table ending after End of Table", entry_sm3(32, 24),
         concat({board(1, "P1"), end_of_table(2)}), ""},
        {"64-bit table with room to spare", entry_sm3(32, 100), concat({board(1, "P1"), end_of_table(2)}), ""},
        {"64-bit table cut inside a structure", entry_sm3(32, 33), two,
         "Wrong DMI structures length: 33 bytes announced, structures occupy 34 bytes.\n"},
    };
    for (const report_case &c : cases) {
        SCOPED_TRACE(c.name);
        // Types nobody displays keep the output to the headings and the report.
        walk_run w = from_dump(c.entry, c.table, {"-t", "250"});
        std::string present = c.entry[3] == '_'   ? "SMBIOS 2.7 present.\n"
                              : c.entry[3] == 'I' ? "Legacy DMI 2.1 present.\n"
                                                  : "SMBIOS 3.0.0 present.\n";
        EXPECT_EQ(w.r.out, heading(w) + present + "\n" + c.report);
        EXPECT_EQ(w.r.status, c.status);
    }
}

TEST(Walk, TruncatedStructureIsShownAsSuch)
{
    bytes two = concat({board(1, "P1"), board(2, "P2")});
    walk_run w = from_dump(entry_sm(32, 33, 2), two, {"-u"});
    EXPECT_EQ(w.r.out, heading(w) + "SMBIOS 2.7 present.\n2 structures occupying 33 bytes.\n\n" + board_dump(1) +
                           "Handle 0x0002, DMI type 2, 8 bytes\n\t<TRUNCATED>\n\n" +
                           "Wrong DMI structures length: 33 bytes announced, structures occupy 34 bytes.\n");
}

TEST(Walk, EndOfTableEndsTheWalkOnlyWhenAsked)
{
    bytes table = concat({board(1, "P1"), end_of_table(2), board(3, "P3")});
    std::string end_dump = "Handle 0x0002, DMI type 127, 4 bytes\n\tHeader and Data:\n\t\t7F 04 02 00\n\n";
    // The 32-bit entry point announces three structures: all are walked.
    walk_run sm = from_dump(entry_sm(32, size16(table), 3), table, {"-u"});
    EXPECT_EQ(structures_part(sm.r.out), board_dump(1) + end_dump + board_dump(3));
    // The 64-bit one announces none: the walk ends after End of Table.
    walk_run sm3 = from_dump(entry_sm3(32, size16(table)), table, {"-u"});
    EXPECT_EQ(structures_part(sm3.r.out), board_dump(1) + end_dump);
    // Quiet mode ends it at End of Table, which is not displayed, nor are
    // inactive structures.
    bytes with_inactive = concat({structure(126, 0x7E, {}), table});
    walk_run quiet = from_dump(entry_sm(32, size16(with_inactive), 4), with_inactive, {"-q", "-u"});
    EXPECT_EQ(quiet.r.out, board_dump(1));
}

TEST(Walk, Type34LengthFixUp)
{
    struct fixup_case {
        const char *name;
        std::string bytes_11_to_15;
        std::string out;
    };
    const std::vector<fixup_case> cases = {
        {"printable", "ABCDE",
         "Handle 0x0022, DMI type 34, 16 bytes\nInvalid entry length (16). Fixed up to 11.\n\tHeader and Data:\n"
         "\t\t22 10 22 00 01 10 00 00 00 00 00\n\tStrings:\n" + string_dump("ABCDE") + "\n"},
        {"not printable", std::string("AB\x01" "DE"),
         "Handle 0x0022, DMI type 34, 16 bytes\n\tHeader and Data:\n"
         "\t\t22 10 22 00 01 10 00 00 00 00 00 41 42 01 44 45\n\n"},
    };
    for (const fixup_case &c : cases) {
        SCOPED_TRACE(c.name);
        bytes table = concat({structure(34, 0x22, {1, 0x10, 0, 0, 0, 0, 0}, {c.bytes_11_to_15}, 16), board(1, "P1")});
        walk_run w = from_dump(entry_sm(32, size16(table), 2), table, {"-u"});
        EXPECT_EQ(structures_part(w.r.out), c.out + board_dump(1));
    }
}

TEST(Walk, NewerVersionsAreAnnounced)
{
    bytes table = concat({board(1, "P1"), end_of_table(2)});
    const std::string newer = "# SMBIOS implementations newer than version 3.0 are not\n"
                              "# fully supported by this version of kelb-dmi.\n";
    walk_run w32 = from_dump(entry_sm3(32, size16(table), 3, 2, 1), table, {"-t", "250"});
    EXPECT_EQ(w32.r.out, heading(w32) + "SMBIOS 3.2.1 present.\n" + newer + "\n");
    walk_run w30 = from_dump(entry_sm3(32, size16(table), 3, 0), table, {"-t", "250"});
    EXPECT_EQ(w30.r.out, heading(w30) + "SMBIOS 3.0.0 present.\n\n");
    walk_run quiet = from_dump(entry_sm3(32, size16(table), 3, 2), table, {"-q", "-t", "250"});
    EXPECT_EQ(quiet.r.out, "");
}

TEST(Walk, TypeFilterSelectsTheDisplayedStructures)
{
    bytes table = concat({board(1, "P1"), structure(3, 2, {1, 3, 0, 0}, {"M"}), board(3, "P3"), end_of_table(4)});
    walk_run w = from_dump(entry_sm(32, size16(table), 4), table, {"-u", "-t", "2"});
    EXPECT_EQ(w.r.out, heading(w) + "SMBIOS 2.7 present.\n\n" + board_dump(1) + board_dump(3));
    walk_run none = from_dump(entry_sm(32, size16(table), 4), table, {"-u", "-t", ""});
    EXPECT_EQ(none.r.out, heading(none) + "SMBIOS 2.7 present.\n\n");
}

} // namespace
