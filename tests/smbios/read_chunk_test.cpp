// Tables read from files: only the bytes the file holds are taken, whatever
// length the entry point announces.
#include "fixture.h"
#include "read_chunk_size.h"

#include "smbios/access.h"
#include "smbios/table_io.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

struct freed {
    void operator()(std::uint8_t *p) const { std::free(p); }
};
using chunk = std::unique_ptr<std::uint8_t, freed>;

bytes pattern(std::size_t n)
{
    bytes b(n);
    for (std::size_t i = 0; i < n; i++)
        b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return b;
}

TEST(ReadChunk, AShortFileCostsItsOwnSizeNotTheAnnouncedLength)
{
    scratch_dir dir;
    bytes file = pattern(40);
    write_file(dir.file("d.bin"), file);
    std::uint32_t got = 0;
    chunk p(read_chunk(32, 0xFFFFFFF0u, dir.file("d.bin").c_str(), false, &got));
    ASSERT_TRUE(p);
    EXPECT_EQ(got, 8u);
    EXPECT_EQ(bytes(p.get(), p.get() + 8), bytes(file.begin() + 32, file.end()));
    EXPECT_LT(allocated_size(p.get()), std::size_t{1} << 20);
}

TEST(ReadChunk, FilesLongerThanOneStepOfTheBufferAreReadWhole)
{
    scratch_dir dir;
    // Sizes below, at and above the first allocation and its doublings.
    for (std::size_t size : {std::size_t{1000}, std::size_t{64 * 1024}, std::size_t{64 * 1024 + 1},
                             std::size_t{300000}}) {
        bytes file = pattern(size);
        write_file(dir.file("t.bin"), file);
        for (std::uint32_t length : {static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(size + 4096),
                                     static_cast<std::uint32_t>(size - 1)}) {
            std::uint32_t got = 0;
            chunk p(read_chunk(0, length, dir.file("t.bin").c_str(), false, &got));
            ASSERT_TRUE(p) << size;
            std::size_t expected = std::min<std::size_t>(size, length);
            ASSERT_EQ(got, expected) << size << " " << length;
            EXPECT_EQ(bytes(p.get(), p.get() + got), bytes(file.begin(), file.begin() + got)) << size;
        }
    }
}

TEST(ReadChunk, WithoutAskingHowManyTheMissingBytesAreZero)
{
    scratch_dir dir;
    write_file(dir.file("e.bin"), pattern(10));
    chunk p(read_chunk(4, 32, dir.file("e.bin").c_str(), false, nullptr));
    ASSERT_TRUE(p);
    bytes expected = pattern(10);
    expected.erase(expected.begin(), expected.begin() + 4);
    expected.resize(32, 0);
    EXPECT_EQ(bytes(p.get(), p.get() + 32), expected);
}

TEST(ReadChunk, ADumpAnnouncingFourGigabytesDecodesItsTable)
{
    scratch_dir dir;
    bytes table = concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), end_of_table(2)});
    write_file(dir.file("small.bin"), dump_image(entry_sm3(32, static_cast<std::uint32_t>(table.size())), table));
    write_file(dir.file("huge.bin"), dump_image(entry_sm3(32, 0xFFFFFFF0u), table));
    run_result small = run_dmi({"-u", "--from-dump", dir.file("small.bin")});
    run_result huge = run_dmi({"-u", "--from-dump", dir.file("huge.bin")});
    EXPECT_EQ(huge.status, 0);
    EXPECT_EQ(huge.err, "");
    ASSERT_NE(structures_part(small.out), "");
    EXPECT_EQ(structures_part(huge.out), structures_part(small.out));
}

} // namespace
