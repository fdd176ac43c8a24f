// The value of one --string keyword, as the platform checks ask for it.
#include "fixture.h"

#include "smbios/decode.h"
#include "smbios/format.h"
#include "smbios/structure.h"

#include <gtest/gtest.h>

namespace {

// A table behind a 32-bit entry point of the given version, in a dump file.
run_result query(const bytes &table, const std::vector<std::string> &args, std::uint8_t minor = 7,
                 int count = -1, int announced_length = -1)
{
    scratch_dir dir;
    std::string path = dir.file("dump.bin");
    std::uint16_t n = static_cast<std::uint16_t>(count >= 0 ? count : 32);
    std::uint16_t length = static_cast<std::uint16_t>(announced_length >= 0 ? announced_length : table.size());
    write_file(path, dump_image(entry_sm(32, length, n, 2, minor), table));
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--from-dump", path});
    return run_dmi(all);
}

bytes board(std::uint16_t handle, const std::string &product)
{
    return structure(2, handle, {1, 2, 0, 0}, {"Maker", product});
}

bytes oem_strings(std::uint8_t count, const std::vector<std::string> &strings)
{
    return structure(11, 0x0B, {count}, strings);
}

bytes system_uuid_fields()
{
    bytes fields = {1, 2, 0, 0};
    for (unsigned i = 0; i < 16; i++)
        fields.push_back(static_cast<std::uint8_t>(i * 0x11));
    fields.insert(fields.end(), {6, 0, 0});
    return fields;
}

bytes system_with_uuid()
{
    return structure(1, 0x01, system_uuid_fields(), {"Maker", "Model"});
}

bytes processor_fields(std::uint8_t family, std::uint16_t mhz)
{
    bytes f(0x1E, 0);
    f[0x06 - 4] = family;
    f[0x07 - 4] = 1;
    f[0x16 - 4] = static_cast<std::uint8_t>(mhz);
    f[0x17 - 4] = static_cast<std::uint8_t>(mhz >> 8);
    return f;
}

bytes processor(std::uint8_t family, std::uint16_t mhz)
{
    return structure(4, 0x04, processor_fields(family, mhz), {"AuthenticAMD"});
}

// A structure whose maker announced only `length` bytes of formatted area:
// its strings begin right after the cut.
bytes cut_to(std::uint8_t type, std::uint16_t handle, bytes fields, unsigned length,
             const std::vector<std::string> &strings)
{
    fields.resize(length - 4);
    return structure(type, handle, fields, strings);
}

// Type 1 structures of 9 to 24 bytes: the UUID at offset 8 fits only the last.
bytes systems_cut_inside_the_uuid()
{
    bytes all;
    for (unsigned length = 9; length <= 24; length++)
        all = concat({all, cut_to(1, static_cast<std::uint16_t>(length), system_uuid_fields(), length, {"M", "P"})});
    return all;
}

struct string_case {
    const char *name;
    bytes table;
    std::vector<std::string> args;
    std::string out;
    std::uint8_t minor = 7;
    int announced_length = -1; // the table's length, when not all of `table`
    std::string err = "";      // faults of the table, kept out of the values
};

// What a later board of the same maker carries after its Base Board: a type
// 34 structure announcing 16 bytes whose bytes 11..15 are its first string.
bytes management_device_of_16()
{
    return structure(34, 0x22, {1, 0x10, 0, 0, 0, 0, 0}, {"ABCDE"}, 16);
}

const std::string FIXED_UP = "Invalid entry length (16). Fixed up to 11.\n";

TEST(StringValue, PrintsOneLinePerMatchingStructure)
{
    const bytes end = end_of_table(0xFFFF);
    const std::vector<string_case> cases = {
        {"last OEM string", concat({oem_strings(3, {"A", "B", "C"}), end}), {"-q", "-s", "oem-string-last"}, "C\n"},
        {"no OEM string", concat({oem_strings(0, {}), end}), {"-q", "-s", "oem-string-last"}, "Not Specified\n"},
        {"OEM count past the set", concat({oem_strings(4, {"A", "B", "C"}), end}), {"-q", "-s", "oem-string-last"},
         "<BAD INDEX>\n"},
        {"two boards and a short one",
         concat({board(1, "P1"), structure(2, 2, {1}, {"Short"}), board(3, "P2"), end}),
         {"-q", "-s", "baseboard-product-name"}, "P1\nP2\n"},
        {"letter case of the keyword", concat({board(1, "P1"), end}), {"-s", "BaseBoard-Product-Name"}, "P1\n"},
        {"unprintable byte", concat({board(1, "X\x07Y"), end}), {"-q", "-s", "baseboard-product-name"}, "X.Y\n"},
        {"unprintable byte kept with -u", concat({board(1, "X\x07Y"), end}),
         {"-u", "-s", "baseboard-product-name"}, "X\x07Y\n"},
        {"string number 0", concat({structure(0, 0, {0, 2, 0, 0, 3}, {"1.0", "01/01/2020"}), end}),
         {"-q", "-s", "bios-vendor"}, "Not Specified\n"},
        {"BIOS date", concat({structure(0, 0, {1, 2, 0, 0, 3}, {"V", "1.0", "01/01/2020"}), end}),
         {"-s", "bios-release-date"}, "01/01/2020\n"},
        {"UUID of 2.6", concat({system_with_uuid(), end}), {"-s", "system-uuid"},
         "33221100-5544-7766-8899-AABBCCDDEEFF\n", 6},
        {"UUID of 2.5", concat({system_with_uuid(), end}), {"-s", "system-uuid"},
         "00112233-4455-6677-8899-AABBCCDDEEFF\n", 5},
        {"UUID cut short by the length", concat({structure(1, 1, bytes(12, 0xFF), {"M"}), end}),
         {"-s", "system-uuid"}, ""},
        {"UUID wider than what is left of the area", concat({systems_cut_inside_the_uuid(), end}),
         {"-s", "system-uuid"}, "33221100-5544-7766-8899-AABBCCDDEEFF\n"},
        {"frequency", concat({processor(0x02, 2400), end}), {"-s", "processor-frequency"}, "2400 MHz\n"},
        // 0x17 bytes hold only the low byte of the word at 0x16; 0x18 hold it all.
        {"frequency wider than what is left of the area",
         concat({cut_to(4, 0x41, processor_fields(0x02, 2400), 0x17, {"AuthenticAMD"}),
                 cut_to(4, 0x42, processor_fields(0x02, 2133), 0x18, {"AuthenticAMD"}), end}),
         {"-s", "processor-frequency"}, "2133 MHz\n"},
        {"unknown frequency", concat({processor(0x02, 0), end}), {"-s", "processor-frequency"}, "Unknown\n"},
        {"chassis type out of range", concat({structure(3, 3, {1, 0x80 | 33, 0, 0}, {"M"}), end}),
         {"-s", "chassis-type"}, "<OUT OF SPEC>\n"},
        {"chassis type zero", concat({structure(3, 3, {1, 0x80, 0, 0}, {"M"}), end}), {"-s", "chassis-type"},
         "<OUT OF SPEC>\n"},
        {"no structure of the type", concat({board(1, "P1"), end}), {"-s", "chassis-manufacturer"}, ""},
        // The announced length ends the table inside the product name.
        {"string cut by the table end", board(1, "Product"), {"-s", "baseboard-product-name"}, "<BAD INDEX>\n", 7,
         static_cast<int>(board(1, "Product").size()) - 6},
        {"fixed-up type 34 before the board", concat({management_device_of_16(), board(1, "P1"), end}),
         {"-q", "-s", "baseboard-product-name"}, "P1\n", 7, -1, FIXED_UP},
        {"fixed-up type 34 after the board", concat({board(1, "H8QG6"), management_device_of_16(), end}),
         {"-q", "-s", "baseboard-product-name"}, "H8QG6\n", 7, -1, FIXED_UP},
        {"fixed-up type 34 without -q", concat({board(1, "H8QG6"), management_device_of_16(), end}),
         {"-s", "baseboard-product-name"}, "H8QG6\n", 7, -1, FIXED_UP},
        {"quiet walk ends at End of Table", concat({board(1, "P1"), end, board(2, "P2")}),
         {"-q", "-s", "baseboard-product-name"}, "P1\n"},
        {"broken length", concat({board(1, "P1"), structure(9, 9, {}, {}, 3), board(2, "P2"), end}),
         {"-q", "-s", "baseboard-product-name"}, "P1\n", 7, -1,
         "Invalid entry length (3). DMI table is broken! Stop.\n\n"},
        // A virtual machine's table: zero bytes after its last structure.
        {"zero-length structure", concat({board(1, "P1"), oem_strings(1, {"KELB 5.3"}), bytes(4, 0)}),
         {"-q", "-s", "oem-string-last"}, "KELB 5.3\n", 7, -1,
         "Invalid entry length (0). DMI table is broken! Stop.\n\n"},
    };
    for (const string_case &c : cases) {
        SCOPED_TRACE(c.name);
        run_result r = query(c.table, c.args, c.minor, -1, c.announced_length);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

// The names come from the structure decoders; the walk passes the right
// structure and value to them.
TEST(StringValue, NamedValuesComeFromTheTypeTables)
{
    bytes chassis = structure(3, 3, {1, 0x80 | 3, 0, 0}, {"M"});
    EXPECT_EQ(query(concat({chassis, end_of_table(9)}), {"-s", "chassis-type"}).out,
              std::string(chassis_type_name(3)) + "\n");

    bytes cpu = processor(0xBE, 2000);
    std::string expected;
    {
        bytes copy = cpu;
        smbios_structure s{4, copy[1], 4, copy.data(), copy.data() + copy.size()};
        expected = std::string(processor_family_name(s, 0x0207)) + "\n";
    }
    EXPECT_EQ(query(concat({cpu, end_of_table(9)}), {"-s", "processor-family"}).out, expected);
}

} // namespace
