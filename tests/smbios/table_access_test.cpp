// The table-access helpers, called directly.
#include "capture.h"
#include "fixture.h"

#include "smbios/access.h"
#include "smbios/options.h"
#include "smbios/table_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>

namespace {

// A heap block of exactly the bytes, so that a read past them is caught.
std::unique_ptr<std::uint8_t[]> exact_copy(const bytes &b)
{
    auto p = std::make_unique<std::uint8_t[]>(b.size() ? b.size() : 1);
    std::copy(b.begin(), b.end(), p.get());
    return p;
}

TEST(TableAccess, CountStructures)
{
    bytes two = concat({structure(2, 1, {1, 2, 0, 0}, {"M", "P"}), end_of_table(2)});
    struct count_case {
        const char *name;
        bytes table;
        std::uint32_t count;
    };
    const std::vector<count_case> cases = {
        {"two structures and four zero bytes", concat({two, bytes(4, 0)}), 4},
        {"two structures", two, 2},
        {"empty", {}, 0},
        {"strings never ending", {2, 8, 0, 0, 1, 2, 0, 0, 'A', 'B'}, 1},
        {"length beyond the end", {2, 0xFF, 0, 0}, 1},
        {"one byte left after a structure", concat({two, bytes{0x7F}}), 2},
        {"zero length byte", {9, 0, 1, 0, 0, 0}, 1},
    };
    for (const count_case &c : cases) {
        SCOPED_TRACE(c.name);
        auto table = exact_copy(c.table);
        EXPECT_EQ(count_structures(table.get(), static_cast<std::uint32_t>(c.table.size())), c.count);
    }
}

TEST(TableAccess, ChecksumOfARange)
{
    const bytes b = {0x10, 0xF0, 0x01};
    EXPECT_TRUE(entry_checksum_ok(b.data(), 0));
    EXPECT_TRUE(entry_checksum_ok(b.data(), 2));
    EXPECT_FALSE(entry_checksum_ok(b.data(), 3));
    EXPECT_FALSE(entry_checksum_ok(b.data(), 1));
}

TEST(TableAccess, EntryPointLongerThanTheBytesAtHandIsInvalid)
{
    dmi_decoder_reset();
    decoder_options.mode = MODE_QUIET;
    bytes sm3 = entry_sm3(32, 0x100);
    bytes sm = entry_sm(32, 0x100, 1);
    bytes dmi = entry_dmi(32, 0x100, 1);
    scratch_dir dir;
    {
        std_streams_redirect quiet(dir.file("out"), dir.file("err"));
        auto a = exact_copy(bytes(sm3.begin(), sm3.begin() + 0x17));
        EXPECT_FALSE(decode_entry_sm3(a.get(), 0x17, "unused", 0));
        auto b = exact_copy(bytes(sm.begin(), sm.begin() + 0x1E));
        EXPECT_FALSE(decode_entry_sm(b.get(), 0x1E, "unused", 0));
        auto c = exact_copy(bytes(dmi.begin(), dmi.begin() + 14));
        EXPECT_FALSE(decode_entry_dmi(c.get(), 14, "unused", 0));
    }
    EXPECT_TRUE(read_file(dir.file("out")).empty());
    EXPECT_TRUE(read_file(dir.file("err")).empty());
    dmi_decoder_reset();
}

TEST(TableAccess, ReadWholeFile)
{
    scratch_dir dir;
    bytes ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    write_file(dir.file("ten"), ten);
    std::size_t got = 99;
    std::uint8_t *p = read_whole_file(32, dir.file("ten").c_str(), &got);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(got, 10u);
    bytes expected = ten;
    expected.resize(32, 0);
    EXPECT_EQ(bytes(p, p + 32), expected);
    std::free(p);

    // A missing file is no error; one that cannot be read is reported.
    {
        std_streams_redirect quiet(dir.file("out"), dir.file("err"));
        EXPECT_EQ(read_whole_file(32, dir.file("absent").c_str(), &got), nullptr);
    }
    EXPECT_TRUE(read_file(dir.file("err")).empty());
    {
        std_streams_redirect quiet(dir.file("out"), dir.file("err"));
        EXPECT_EQ(read_whole_file(32, dir.path().string().c_str(), &got), nullptr);
    }
    bytes err = read_file(dir.file("err"));
    EXPECT_EQ(std::string(err.begin(), err.end()).rfind(dir.path().string() + ": ", 0), 0u);
}

TEST(TableAccess, DumpWriteAt)
{
    scratch_dir dir;
    std::string path = dir.file("dump.bin");
    const bytes table = {0xA, 0xB, 0xC};
    const bytes entry = {0x1, 0x2};
    write_file(path, bytes{7, 7, 7});
    EXPECT_EQ(dump_write_at(32, 3, table.data(), path.c_str(), false), 0);
    EXPECT_EQ(dump_write_at(0, 2, entry.data(), path.c_str(), true), 0);
    // Until the run ends, the dump file is as it was.
    EXPECT_EQ(read_file(path), (bytes{7, 7, 7}));
    EXPECT_EQ(dump_finish(path.c_str(), true), 0);
    bytes expected(32, 0);
    put(expected, 0, entry);
    put(expected, 32, table);
    EXPECT_EQ(read_file(path), expected);

    // A second table truncates the new file: an empty one leaves nothing.
    EXPECT_EQ(dump_write_at(32, 3, table.data(), path.c_str(), false), 0);
    EXPECT_EQ(dump_write_at(32, 0, table.data(), path.c_str(), false), 0);
    EXPECT_EQ(dump_finish(path.c_str(), true), 0);
    EXPECT_EQ(read_file(path), bytes{});

    // A run that fails leaves the old file and no new one.
    EXPECT_EQ(dump_write_at(32, 3, table.data(), path.c_str(), false), 0);
    EXPECT_EQ(dump_finish(path.c_str(), false), 0);
    EXPECT_EQ(read_file(path), bytes{});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
              1);

    std::string absent = dir.file("absent") + "/dump.bin";
    {
        std_streams_redirect quiet(dir.file("out"), dir.file("err"));
        EXPECT_EQ(dump_write_at(32, 3, table.data(), absent.c_str(), false), -1);
        EXPECT_EQ(dump_write_at(0, 2, entry.data(), absent.c_str(), true), -1);
        EXPECT_EQ(dump_finish(absent.c_str(), true), -1);
    }
    bytes err = read_file(dir.file("err"));
    std::string text(err.begin(), err.end());
    EXPECT_EQ(text.rfind(absent + ": creating its new file in " + dir.file("absent") + ": ", 0), 0u) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
}

} // namespace
