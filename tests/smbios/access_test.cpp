// Each way to the table, end to end on the simulated machine.
#include "fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string BANNER = "# kelb-dmi 1.0\n";
const std::string NOT_FOUND = "# No SMBIOS nor DMI entry point found, sorry.\n";
const std::string SCANNING = "Scanning /dev/mem for entry point.\n";
const char SYSFS_ENTRY[] = "/sys/firmware/dmi/tables/smbios_entry_point";
const char SYSFS_TABLE[] = "/sys/firmware/dmi/tables/DMI";
constexpr std::uint32_t TABLE_ADDRESS = 0x10000;

bytes sample_table()
{
    return concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), structure(11, 2, {3}, {"A", "B", "C"}),
                   end_of_table(3)});
}
const std::uint16_t SAMPLE_SIZE = static_cast<std::uint16_t>(sample_table().size());

// The walk of the sample table as --from-dump shows it with -u.
std::string sample_walk()
{
    static const std::string walk = [] {
        scratch_dir dir;
        write_file(dir.file("d.bin"), dump_image(entry_sm(32, SAMPLE_SIZE, 3), sample_table()));
        return structures_part(run_dmi({"-u", "--from-dump", dir.file("d.bin")}).out);
    }();
    return walk;
}

bytes head_of(const bytes &b, std::size_t n)
{
    return bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

bool ends_with(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A 32-bit entry point whose own checksum still holds while the checksum of
// its intermediate "_DMI_" part does not: one byte moved from the
// intermediate checksum to the outer one.
bytes broken_intermediate_checksum(bytes entry)
{
    entry[0x15]++;
    entry[0x04]--;
    return entry;
}

bytes memory_with(std::initializer_list<std::pair<std::uint32_t, bytes>> placed)
{
    bytes m = memory_image();
    put(m, TABLE_ADDRESS, sample_table());
    for (const auto &[address, what] : placed)
        put(m, address, what);
    return m;
}

TEST(Access, SysfsEntryPointOfEachKind)
{
    struct sysfs_case {
        const char *name;
        bytes entry;
        std::string headings;
    };
    const std::vector<sysfs_case> cases = {
        {"64-bit, table file shorter than its maximum", entry_sm3(0x7FFE1000, 0x1000),
         "SMBIOS 3.0.0 present.\nTable at 0x7FFE1000.\n\n"},
        {"32-bit", entry_sm(0xE0000, SAMPLE_SIZE, 3),
         "SMBIOS 2.7 present.\n3 structures occupying 36 bytes.\nTable at 0x000E0000.\n\n"},
        {"legacy", entry_dmi(0xE0000, SAMPLE_SIZE, 3),
         "Legacy DMI 2.1 present.\n3 structures occupying 36 bytes.\nTable at 0x000E0000.\n\n"},
    };
    for (const sysfs_case &c : cases) {
        SCOPED_TRACE(c.name);
        sim_machine m;
        m.place(SYSFS_ENTRY, c.entry);
        m.place(SYSFS_TABLE, sample_table());
        run_result r = m.run({"-u"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, BANNER + "Getting SMBIOS data from sysfs.\n" + c.headings + sample_walk());
        EXPECT_EQ(m.run({"-q", "-s", "oem-string-last"}).out, "C\n");
    }
}

TEST(Access, SysfsWithTypeFilterShowsNoTableHeadings)
{
    sim_machine m;
    m.place(SYSFS_ENTRY, entry_sm(0xE0000, SAMPLE_SIZE, 3));
    m.place(SYSFS_TABLE, sample_table());
    run_result r = m.run({"-u", "-t", "11"});
    std::string walk = sample_walk();
    std::string oem_only = walk.substr(walk.find("Handle 0x0002"), walk.find("Handle 0x0003") - walk.find("Handle 0x0002"));
    EXPECT_EQ(r.out, BANNER + "Getting SMBIOS data from sysfs.\nSMBIOS 2.7 present.\n\n" + oem_only);
}

TEST(Access, SysfsFailuresGoOnOrEndTheRun)
{
    {
        // An invalid entry point: the sequence goes on, here to a machine without memory.
        sim_machine m;
        bytes broken = entry_sm(0xE0000, SAMPLE_SIZE, 3);
        broken[4] ^= 1;
        m.place(SYSFS_ENTRY, broken);
        run_result r = m.run({});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, BANNER + "Getting SMBIOS data from sysfs.\nFailed to get SMBIOS data from sysfs.\n" + SCANNING);
        EXPECT_EQ(r.err.rfind("/dev/mem: ", 0), 0u) << r.err;
    }
    {
        // A valid entry point whose table file is missing ends the run, as a failure.
        sim_machine m;
        m.place(SYSFS_ENTRY, entry_sm3(0x1000, 0x100));
        run_result r = m.run({"-q", "-s", "bios-vendor"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(std::string(SYSFS_TABLE) + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nTable is unreachable, sorry.\n"), std::string::npos) << r.err;
    }
    {
        // Told to skip sysfs, the decoder scans memory.
        sim_machine m;
        m.place(SYSFS_ENTRY, entry_sm(0xE0000, SAMPLE_SIZE, 3));
        m.place(SYSFS_TABLE, bytes{});
        m.place("/dev/mem", memory_with({{0xF0000, entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3)}}));
        run_result r = m.run({"--no-sysfs", "-t", "250"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, BANNER + SCANNING + "SMBIOS 2.7 present.\n\n");
    }
}

TEST(Access, EfiSystemTable)
{
    const bytes sm = entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3);
    const bytes sm3 = entry_sm3(TABLE_ADDRESS, 0x100);
    const std::string sm_walk = "SMBIOS 2.7 present.\n3 structures occupying 36 bytes.\nTable at 0x00010000.\n\n";
    const std::string sm3_walk = "SMBIOS 3.0.0 present.\nTable at 0x00010000.\n\n";
    struct efi_case {
        const char *name;
        const char *file;
        std::string text;
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    const std::string reading = "Found SMBIOS entry point in EFI, reading table from /dev/mem.\n";
    const std::vector<efi_case> cases = {
        {"32-bit entry point", "/sys/firmware/efi/systab", "ACPI20=0xe0000\nSMBIOS=0xE1000\n", {"-u"}, 0,
         "# SMBIOS entry point at 0x000e1000\n" + reading + sm_walk + sample_walk(), ""},
        {"first of both keys: SMBIOS3", "/sys/firmware/efi/systab", "SMBIOS3=0xE2000\nSMBIOS=0xE1000\n", {"-u"}, 0,
         "# SMBIOS3 entry point at 0x000e2000\n" + reading + sm3_walk + sample_walk(), ""},
        {"first of both keys: SMBIOS", "/sys/firmware/efi/systab", "SMBIOS=0xE1000\nSMBIOS3=0xE2000\n", {"-u"}, 0,
         "# SMBIOS entry point at 0x000e1000\n" + reading + sm_walk + sample_walk(), ""},
        {"older location", "/proc/efi/systab", "SMBIOS=921600\n", {"-u"}, 0,
         "# SMBIOS entry point at 0x000e1000\n" + reading + sm_walk + sample_walk(), ""},
        {"line taken in pieces", "/sys/firmware/efi/systab", std::string(62, 'x') + "SMBIOS=0xE1000\n", {"-u"}, 0,
         "# SMBIOS entry point at 0x000e1000\n" + reading + sm_walk + sample_walk(), ""},
        {"other memory device", "/sys/firmware/efi/systab", "SMBIOS=0xE1000\n", {"-t", "250", "-d", "/dev/other"}, 1,
         "# SMBIOS entry point at 0x000e1000\nFound SMBIOS entry point in EFI, reading table from /dev/other.\n",
         "/dev/other: "},
        {"no SMBIOS key", "/sys/firmware/efi/systab", "ACPI=0x1\nSMBIOSX=0xE1000\nSMBIOS\n", {}, 1, "",
         "/sys/firmware/efi/systab: SMBIOS entry point missing\n"},
        {"no entry point at the address", "/sys/firmware/efi/systab", "SMBIOS=0xE3000\n", {}, 0,
         "# SMBIOS entry point at 0x000e3000\n" + reading + NOT_FOUND, ""},
        {"legacy entry point at the address", "/sys/firmware/efi/systab", "SMBIOS=0xE4000\n", {}, 0,
         "# SMBIOS entry point at 0x000e4000\n" + reading + NOT_FOUND, ""},
        {"address at the end of memory", "/sys/firmware/efi/systab", "SMBIOS=0xFFFF0\n", {}, 1,
         "# SMBIOS entry point at 0x000ffff0\n" + reading, "/dev/mem: "},
        {"quiet", "/sys/firmware/efi/systab", "SMBIOS=0xE1000\n", {"-q", "-s", "baseboard-product-name"}, 0,
         "P1\n", ""},
    };
    for (const efi_case &c : cases) {
        SCOPED_TRACE(c.name);
        sim_machine m;
        m.place(c.file, c.text);
        m.place("/dev/mem", memory_with({{0xE1000, sm}, {0xE2000, sm3}, {0xE4000, entry_dmi(TABLE_ADDRESS, 36, 3)}}));
        run_result r = m.run(c.args);
        EXPECT_EQ(r.status, c.status);
        bool quiet = !c.args.empty() && c.args[0] == "-q";
        EXPECT_EQ(r.out, (quiet ? std::string() : BANNER) + c.out);
        if (c.err.empty() || c.err.back() == '\n')
            EXPECT_EQ(r.err, c.err);
        else
            EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
    }
}

TEST(Access, FirmwareTableService)
{
    struct service_case {
        const char *name;
        bytes block;
        std::string counted;
    };
    bytes padded = concat({sample_table(), bytes(4, 0)});
    const std::vector<service_case> cases = {
        {"plain", raw_block(2, 8, sample_table()), "3 structures occupying 36 bytes.\n"},
        {"announced length beyond the block", raw_block(2, 8, sample_table(), 5000),
         "3 structures occupying 36 bytes.\n"},
    };
    for (const service_case &c : cases) {
        SCOPED_TRACE(c.name);
        sim_machine m;
        m.firmware_table(c.block);
        run_result r = m.run({"-u"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        std::string head = BANNER + "Getting SMBIOS data with GetSystemFirmwareTable.\nSMBIOS 2.8 present.\n" +
                           c.counted + "Table at 0x";
        EXPECT_EQ(r.out.substr(0, head.size()), head);
        EXPECT_EQ(structures_part(r.out), sample_walk());
        EXPECT_EQ(m.run({"-q", "-s", "oem-string-last"}).out, "C\n");
    }
    {
        // Trailing zero bytes count as structures, and the walk meets them.
        sim_machine m;
        m.firmware_table(raw_block(2, 8, padded));
        run_result r = m.run({"-u"});
        EXPECT_NE(r.out.find("\n5 structures occupying 40 bytes.\n"), std::string::npos) << r.out;
        EXPECT_TRUE(ends_with(r.out, sample_walk() + "Invalid entry length (0). DMI table is broken! Stop.\n\n"))
            << r.out;
    }
    for (const bytes &nothing : {bytes{}, bytes{0, 2, 8, 0, 0}}) {
        // No usable block: on to the memory scan, without a word.
        sim_machine m;
        m.firmware_table(nothing);
        run_result r = m.run({});
        EXPECT_EQ(r.out, BANNER + SCANNING);
        EXPECT_EQ(r.status, 1);
    }
}

TEST(Access, MemoryScan)
{
    const bytes sm = entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3);
    bytes sm_bad_outer = sm;
    sm_bad_outer[0x08] ^= 0x40; // outside the intermediate part
    struct scan_case {
        const char *name;
        std::vector<std::pair<std::uint32_t, bytes>> placed;
        std::string found;
    };
    const std::string sm_found = "SMBIOS 2.7 present.\n\n";
    const std::vector<scan_case> cases = {
        {"nothing", {}, NOT_FOUND},
        {"32-bit, its intermediate anchor not taken again", {{0xF0010, sm}}, sm_found},
        {"invalid 32-bit, valid intermediate anchor", {{0xF0020, sm_bad_outer}}, "Legacy DMI 2.7 present.\n\n"},
        {"32-bit whose intermediate checksum fails", {{0xF0030, broken_intermediate_checksum(sm)}}, NOT_FOUND},
        {"32-bit in the last paragraph", {{0xFFFF0, head_of(sm, 16)}}, NOT_FOUND},
        {"64-bit in the last paragraph", {{0xFFFF0, head_of(entry_sm3(TABLE_ADDRESS, 0x100), 16)}}, NOT_FOUND},
        {"64-bit in the paragraph before", {{0xFFFE0, entry_sm3(TABLE_ADDRESS, 0x100)}}, "SMBIOS 3.0.0 present.\n\n"},
        {"legacy in the last paragraph", {{0xFFFF0, entry_dmi(TABLE_ADDRESS, SAMPLE_SIZE, 3)}},
         "Legacy DMI 2.1 present.\n\n"},
        {"two entry points", {{0xF0000, entry_sm3(TABLE_ADDRESS, 0x100)}, {0xF8000, entry_dmi(TABLE_ADDRESS, 36, 3)}},
         "SMBIOS 3.0.0 present.\n\nLegacy DMI 2.1 present.\n\n"},
        {"version 2.31", {{0xF0000, entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3, 2, 31)}},
         "SMBIOS version fixup (2.31 -> 2.3).\nSMBIOS 2.3 present.\n\n"},
        {"version 2.33", {{0xF0000, entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3, 2, 33)}},
         "SMBIOS version fixup (2.33 -> 2.3).\nSMBIOS 2.3 present.\n\n"},
        {"version 2.51", {{0xF0000, entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3, 2, 51)}},
         "SMBIOS version fixup (2.51 -> 2.6).\nSMBIOS 2.6 present.\n\n"},
        {"version 3.31", {{0xF0000, entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3, 3, 31)}},
         "SMBIOS 3.31 present.\n# SMBIOS implementations newer than version 3.0 are not\n"
         "# fully supported by this version of kelb-dmi.\n\n"},
    };
    for (const scan_case &c : cases) {
        SCOPED_TRACE(c.name);
        sim_machine m;
        bytes mem = memory_with({});
        for (const auto &[address, what] : c.placed)
            put(mem, address, what);
        m.place("/dev/mem", mem);
        run_result r = m.run({"-t", "250"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, BANNER + SCANNING + c.found);
    }
}

TEST(Access, FixedUpVersionDecodesTheTable)
{
    bytes fields = {1, 2, 0, 0};
    for (unsigned i = 0; i < 16; i++)
        fields.push_back(static_cast<std::uint8_t>(i * 0x11));
    fields.insert(fields.end(), {6, 0, 0});
    bytes table = concat({structure(1, 1, fields, {"M", "P"}), end_of_table(2)});
    struct version_case {
        std::uint8_t minor;
        std::string uuid;
    };
    // Read as announced, 2.31 and 2.33 would be later than 2.6, whose UUID
    // fields are little-endian; as the 2.3 they stand for, they are not.
    for (const version_case &c : {version_case{31, "00112233-4455-6677-8899-AABBCCDDEEFF\n"},
                                  version_case{33, "00112233-4455-6677-8899-AABBCCDDEEFF\n"},
                                  version_case{51, "33221100-5544-7766-8899-AABBCCDDEEFF\n"},
                                  version_case{5, "00112233-4455-6677-8899-AABBCCDDEEFF\n"}}) {
        SCOPED_TRACE(c.minor);
        sim_machine m;
        bytes mem = memory_image();
        put(mem, TABLE_ADDRESS, table);
        put(mem, 0xF0000, entry_sm(TABLE_ADDRESS, static_cast<std::uint16_t>(table.size()), 2, 2, c.minor));
        m.place("/dev/mem", mem);
        EXPECT_EQ(m.run({"-q", "-s", "system-uuid"}).out, c.uuid);
    }
}

TEST(Access, MemoryFailures)
{
    {
        sim_machine m;
        m.place("/dev/mem", memory_with({{0xF0000, entry_sm(0x200000, SAMPLE_SIZE, 3)}}));
        run_result r = m.run({"-t", "250"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, BANNER + SCANNING + "SMBIOS 2.7 present.\n\n");
        EXPECT_TRUE(ends_with(r.err, "\nTable is unreachable, sorry.\n")) << r.err;
        EXPECT_EQ(r.err.rfind("/dev/mem: ", 0), 0u) << r.err;
    }
    {
        sim_machine m;
        m.place("/dev/mem", bytes(0x100, 0));
        run_result r = m.run({"-q"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("/dev/mem: ", 0), 0u) << r.err;
    }
}

// Positions of the table address and the checksum ranges of each kind.
struct kind {
    const char *name;
    bytes entry;
    std::size_t address_at, address_width, own_length;
    std::vector<std::pair<std::size_t, std::size_t>> checksums;
    std::string present;
};

std::vector<kind> kinds()
{
    return {
        {"64-bit", entry_sm3(TABLE_ADDRESS, SAMPLE_SIZE), 0x10, 8, 0x18, {{0, 0x18}},
         "SMBIOS 3.0.0 present.\nTable at 0x00010000.\n\n"},
        {"32-bit", entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3), 0x18, 4, 0x1F, {{0, 0x1F}, {0x10, 15}},
         "SMBIOS 2.7 present.\n3 structures occupying 36 bytes.\nTable at 0x00010000.\n\n"},
        {"legacy", entry_dmi(TABLE_ADDRESS, SAMPLE_SIZE, 3), 0x08, 4, 15, {{0, 15}},
         "Legacy DMI 2.1 present.\n3 structures occupying 36 bytes.\nTable at 0x00010000.\n\n"},
    };
}

TEST(Access, DumpRoundTripOfEachKind)
{
    for (const kind &k : kinds()) {
        SCOPED_TRACE(k.name);
        sim_machine m;
        m.place("/dev/mem", memory_with({{0xF0000, k.entry}}));
        std::string dump = m.file("dump.bin");
        run_result w = m.run({"--dump-bin", dump});
        EXPECT_EQ(w.status, 0);
        EXPECT_EQ(w.err, "");
        EXPECT_EQ(w.out, BANNER + SCANNING + k.present + "# Writing 36 bytes to " + dump + ".\n# Writing " +
                             std::to_string(k.own_length) + " bytes to " + dump + ".\n");

        bytes file = read_file(dump);
        ASSERT_EQ(file.size(), 32u + SAMPLE_SIZE);
        EXPECT_EQ(bytes(file.begin() + 32, file.end()), sample_table());
        EXPECT_EQ(le_at(file, k.address_at, static_cast<unsigned>(k.address_width)), 32u);
        for (const auto &[from, count] : k.checksums)
            EXPECT_EQ(byte_sum(file, from, count) % 256, 0u) << "range at " << from;
        EXPECT_EQ(bytes(file.begin() + static_cast<std::ptrdiff_t>(k.own_length), file.begin() + 32),
                  bytes(32 - k.own_length, 0));
        // Apart from the address and one checksum byte, the entry point is as found.
        unsigned differing = 0;
        for (std::size_t i = 0; i < k.own_length; i++)
            if (file[i] != k.entry[i] && (i < k.address_at || i >= k.address_at + k.address_width))
                differing++;
        EXPECT_EQ(differing, 1u);

        run_result back = run_dmi({"-u", "--from-dump", dump});
        EXPECT_EQ(back.status, 0);
        EXPECT_EQ(structures_part(back.out), sample_walk());
        EXPECT_EQ(structures_part(m.run({"-u"}).out), sample_walk());
    }
}

TEST(Access, DumpOfALongEntryPointKeepsTheTable)
{
    bytes e = entry_sm3(TABLE_ADDRESS, SAMPLE_SIZE);
    e.resize(0x40, 0x33);
    e[0x06] = 0x40;
    e[0x05] = 0;
    e[0x05] = static_cast<std::uint8_t>(0x100 - byte_sum(e, 0, 0x40) % 0x100);
    sim_machine m;
    m.place("/dev/mem", memory_with({{0xF0000, e}}));
    std::string dump = m.file("dump.bin");
    run_result w = m.run({"--dump-bin", dump});
    EXPECT_EQ(w.status, 0);
    EXPECT_TRUE(ends_with(w.out, "# Writing 32 bytes to " + dump + ".\n")) << w.out;
    bytes file = read_file(dump);
    ASSERT_EQ(file.size(), 32u + SAMPLE_SIZE);
    EXPECT_EQ(bytes(file.begin() + 32, file.end()), sample_table());
    EXPECT_EQ(le_at(file, 0x10, 8), 32u);
}

TEST(Access, DumpOfShortSysfsTable)
{
    sim_machine m;
    m.place(SYSFS_ENTRY, entry_sm3(0x7FFE1000, 0x1000));
    m.place(SYSFS_TABLE, sample_table());
    std::string dump = m.file("dump.bin");
    run_result w = m.run({"-q", "--dump-bin", dump});
    EXPECT_EQ(w.out, "");
    EXPECT_EQ(read_file(dump).size(), 32u + SAMPLE_SIZE);
    run_result back = run_dmi({"-u", "--from-dump", dump});
    EXPECT_EQ(back.out, BANNER + "Reading SMBIOS/DMI data from file " + dump + ".\nSMBIOS 3.0.0 present.\n\n" +
                            sample_walk());
}

TEST(Access, DumpOfFirmwareTableHasNoEntryPoint)
{
    sim_machine m;
    m.firmware_table(raw_block(2, 8, sample_table()));
    std::string dump = m.file("dump.bin");
    run_result w = m.run({"--dump-bin", dump});
    EXPECT_EQ(w.status, 0);
    EXPECT_TRUE(ends_with(w.out, ".\n\n# Writing 36 bytes to " + dump + ".\n")) << w.out;
    bytes file = read_file(dump);
    ASSERT_EQ(file.size(), 32u + SAMPLE_SIZE);
    EXPECT_EQ(bytes(file.begin(), file.begin() + 32), bytes(32, 0));
    EXPECT_EQ(bytes(file.begin() + 32, file.end()), sample_table());
    run_result back = run_dmi({"--from-dump", dump});
    EXPECT_EQ(back.status, 0);
    EXPECT_EQ(back.out, BANNER + "Reading SMBIOS/DMI data from file " + dump + ".\n" + NOT_FOUND);
}

TEST(Access, DumpFileFailures)
{
    for (const char *where : {"missing folder", "directory"}) {
        // The dump cannot be created: the first write says so, once, and the run fails.
        SCOPED_TRACE(where);
        sim_machine m;
        m.place("/dev/mem", memory_with({{0xF0000, entry_sm(TABLE_ADDRESS, SAMPLE_SIZE, 3)}}));
        std::string dump = m.file("missing") + "/dump.bin";
        if (std::string(where) == "directory") {
            dump = m.file("folder");
            std::filesystem::create_directory(dump);
        }
        run_result r = m.run({"-q", "--dump-bin", dump});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        // The step that failed is named, and for a missing folder the folder.
        std::string failure = std::string(where) == "directory"
                                  ? dump + ": fopen: "
                                  : dump + ": creating its new file in " + m.file("missing") + ": ";
        ASSERT_EQ(r.err.find(failure), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        // What was there before the run stays.
        EXPECT_EQ(std::filesystem::is_directory(dump), std::string(where) == "directory");
    }
    scratch_dir dir;
    {
        run_result r = run_dmi({"--from-dump", dir.file("absent.bin")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, BANNER + "Reading SMBIOS/DMI data from file " + dir.file("absent.bin") + ".\n");
        EXPECT_EQ(r.err.rfind(dir.file("absent.bin") + ": ", 0), 0u) << r.err;
        // Both streams in one file: the failure follows the lines before it.
        run_result one = run_program({KELB_DMI_PATH, "--from-dump", dir.file("absent.bin")}, {}, {},
                                     dir.file("output.txt"));
        EXPECT_EQ(plain(one.out), r.out + r.err);
    }
    const bytes bad_intermediate =
        dump_image(broken_intermediate_checksum(entry_sm(32, SAMPLE_SIZE, 3)), sample_table());
    for (const bytes &content : {bytes{}, bytes{'_', 'S', 'M', '3'}, bytes(64, 0x5F), bad_intermediate}) {
        write_file(dir.file("junk.bin"), content);
        run_result r = run_dmi({"--from-dump", dir.file("junk.bin")});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, BANNER + "Reading SMBIOS/DMI data from file " + dir.file("junk.bin") + ".\n" + NOT_FOUND);
        EXPECT_EQ(run_dmi({"-q", "--from-dump", dir.file("junk.bin")}).out, "");
    }
}

} // namespace
