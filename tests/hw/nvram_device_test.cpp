// The NVRAM store on the CMOS device of the simulated machine.
#include "hw/nvram.h"
#include "hw/ols.h"
#include "sim_fixture.h"

#include <cerrno>
#include <cstdio>

namespace {

std::string port_line(const char *dir, unsigned port, unsigned value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, dir[0] == 'i' ? "in %x -> %02x" : "out %x <- %02x", port, value);
    return buf;
}

struct transfer_case {
    const char *name;
    bool write;
    unsigned offset;
    std::size_t count;
    const char *readback; // KELB_SIM_INDEX_READBACK, or null
    int result;           // bytes counted
    unsigned reached;     // bytes whose data-port access took place
};

// Failures name the case rather than dump its bytes.
void PrintTo(const transfer_case &c, std::ostream *os) { *os << c.name; }

const transfer_case TRANSFERS[] = {
    {"read_record", false, 248, 6, nullptr, 6, 6},
    {"write_record", true, 248, 6, nullptr, 6, 6},
    {"read_nothing", false, 248, 0, nullptr, 0, 0},
    {"write_nothing", true, 248, 0, nullptr, 0, 0},
    {"read_to_last_byte", false, 250, 6, nullptr, 6, 6},
    {"read_past_last_byte", false, 254, 4, nullptr, 2, 2},
    {"write_past_last_byte", true, 253, 6, nullptr, 3, 3},
    {"read_index_not_read_back", false, 248, 6, "broken", 0, 1},
    {"write_index_not_read_back", true, 248, 6, "broken", 0, 1},
    {"read_index_moved_on_third", false, 248, 6, "drift:3", 2, 3},
    {"write_index_moved_on_third", true, 248, 6, "drift:3", 2, 3},
    {"write_index_moved_on_last", true, 248, 6, "drift:6", 5, 6},
};

class transfer_test : public sim_test, public ::testing::WithParamInterface<transfer_case> {};

TEST_P(transfer_test, counts_bytes_and_leaves_the_rest_of_the_chip_and_the_index)
{
    const transfer_case &c = GetParam();
    const bytes before = make_chip(7);
    if (c.readback)
        configure(before, {{SIM_INDEX_READBACK, c.readback}});
    else
        configure(before);
    bytes data(c.count + 1, 0xEE);
    for (std::size_t i = 0; i < c.count && c.offset + i < 256; i++)
        data[i] = static_cast<std::uint8_t>(~before[c.offset + i]);

    ASSERT_TRUE(ols_initialize());
    auto nv = nvram_device::open();
    ASSERT_TRUE(nv);
    errno = 0;
    int n = c.write ? nv->write(data.data(), c.count, c.offset) : nv->read(data.data(), c.count, c.offset);
    int err = errno;
    nv.reset();
    ols_deinitialize();

    EXPECT_EQ(n, c.result);
    if (static_cast<std::size_t>(c.result) < c.count) {
        EXPECT_EQ(err, EIO);
    }
    bytes after = saved_chip();
    if (c.write) {
        for (unsigned i = 0; i < c.reached; i++)
            EXPECT_EQ(after[c.offset + i], data[i]) << "byte " << i;
        expect_unchanged_outside(before, after, c.offset, c.offset + c.reached - 1);
    } else {
        EXPECT_EQ(after, before);
        for (int i = 0; i < n; i++)
            EXPECT_EQ(data[i], before[c.offset + i]) << "byte " << i;
        EXPECT_EQ(data[c.count], 0xEE) << "read beyond the count";
    }
    auto p = ports();
    ASSERT_EQ(p.size(), 2 + 3 * c.reached);
    std::uint8_t index = c.readback && c.readback[0] == 'b' ? 0xa5 : 0x5a; // what the index port shows
    EXPECT_EQ(p.front(), port_line("in", 0x72, index));
    EXPECT_EQ(p.back(), port_line("out", 0x72, index));
}

INSTANTIATE_TEST_SUITE_P(device, transfer_test, ::testing::ValuesIn(TRANSFERS),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(sim_test, device_transfers_select_each_byte_and_read_the_index_back)
{
    bytes chip = make_chip(3);
    configure(chip);
    ASSERT_TRUE(ols_initialize());
    auto nv = nvram_device::open();
    ASSERT_TRUE(nv);
    std::uint8_t two[2];
    ASSERT_EQ(nv->read(two, 2, 0xF8), 2);
    const std::uint8_t one = 0x1E;
    ASSERT_EQ(nv->write(&one, 1, 0x20), 1);
    nv.reset();
    ols_deinitialize();

    const std::vector<std::string> expected = {
        port_line("in", 0x72, 0x5a),
        port_line("out", 0x72, 0xf8), port_line("in", 0x73, chip[0xf8]), port_line("in", 0x72, 0xf8),
        port_line("out", 0x72, 0xf9), port_line("in", 0x73, chip[0xf9]), port_line("in", 0x72, 0xf9),
        port_line("out", 0x72, 0x5a),
        port_line("in", 0x72, 0x5a),
        port_line("out", 0x72, 0x20), port_line("out", 0x73, 0x1e), port_line("in", 0x72, 0x20),
        port_line("out", 0x72, 0x5a),
    };
    EXPECT_EQ(ports(), expected);
    EXPECT_EQ(two[0], chip[0xf8]);
    EXPECT_EQ(two[1], chip[0xf9]);
}

struct checksum_case {
    const char *name;
    int fill;             // value of bytes 16..45, or -1 to keep the filler
    std::uint8_t stored[2];
    bool fix;             // store the correct checksum instead
    const char *readback;
    int result;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const checksum_case &c, std::ostream *os) { *os << c.name; }

const checksum_case CHECKSUMS[] = {
    {"all_zero", 0, {0, 0}, false, nullptr, 0},
    {"filler_with_its_sum", -1, {0, 0}, true, nullptr, 0},
    {"sum_is_not_checked_by_index_read_back", -1, {0, 0}, true, "broken", 0},
    {"all_ones_against_zero", 0xFF, {0, 0}, false, nullptr, 30 * 0xFF},
    {"zero_against_ffff", 0, {0xFF, 0xFF}, false, nullptr, -65535},
};

class checksum_test : public sim_test, public ::testing::WithParamInterface<checksum_case> {};

TEST_P(checksum_test, compares_the_sum_of_16_to_45_with_46_47_and_writes_nothing)
{
    const checksum_case &c = GetParam();
    bytes chip = make_chip(11);
    if (c.fill >= 0)
        std::fill(chip.begin() + 16, chip.begin() + 46, static_cast<std::uint8_t>(c.fill));
    chip[46] = c.stored[0];
    chip[47] = c.stored[1];
    if (c.fix)
        set_pc_checksum(chip);
    if (c.readback)
        configure(chip, {{SIM_INDEX_READBACK, c.readback}});
    else
        configure(chip);

    ASSERT_TRUE(ols_initialize());
    auto nv = nvram_device::open();
    ASSERT_TRUE(nv);
    int r = nv->checksum();
    nv.reset();
    ols_deinitialize();

    EXPECT_EQ(r, c.result);
    EXPECT_EQ(saved_chip(), chip);
    auto p = ports();
    ASSERT_EQ(p.size(), 66u);
    for (const auto &line : p)
        EXPECT_NE(line.rfind("out 73", 0), 0u) << line;
    std::uint8_t index = c.readback ? 0xa5 : 0x5a; // what the broken index port shows
    EXPECT_EQ(p.front(), port_line("in", 0x72, index));
    EXPECT_EQ(p.back(), port_line("out", 0x72, index));
}

INSTANTIATE_TEST_SUITE_P(device, checksum_test, ::testing::ValuesIn(CHECKSUMS),
                         [](const auto &info) { return std::string(info.param.name); });

// The single-byte cases: a low byte of 1 balances byte 16 = 1, a high byte of
// 1 stands for 256.
TEST_F(sim_test, checksum_is_stored_high_byte_first)
{
    const struct { std::uint8_t high, low; int result; } cases[] = {{0x00, 0x01, 0}, {0x01, 0x00, 1 - 256}};
    for (const auto &c : cases) {
        bytes chip = make_chip(5);
        std::fill(chip.begin() + 16, chip.begin() + 46, 0);
        chip[16] = 1;
        chip[46] = c.high;
        chip[47] = c.low;
        configure(chip);
        ASSERT_TRUE(ols_initialize());
        auto nv = nvram_device::open();
        ASSERT_TRUE(nv);
        EXPECT_EQ(nv->checksum(), c.result) << int(c.high) << " " << int(c.low);
        nv.reset();
        ols_deinitialize();
    }
}

TEST_F(sim_test, device_is_claimed_once_without_touching_a_port)
{
    configure(make_chip(1));
    auto nv = nvram_device::open();
    ASSERT_TRUE(nv);
    errno = 0;
    EXPECT_FALSE(nvram_device::open());
    EXPECT_EQ(errno, EBUSY);
    nv.reset();
    // Released with the object that claimed it.
    nv = nvram_device::open();
    EXPECT_TRUE(nv);
    nv.reset();
    EXPECT_TRUE(read_lines(log_path).empty());
}

// What the device is to the callers that also take a backing file: a fixed
// bank, a short read that is worth asking again, no length to set, nothing to
// open again for writing; none of it a port access.
TEST_F(sim_test, device_has_a_fixed_bank_and_no_file_traits)
{
    configure(make_chip(1));
    auto nv = nvram_device::open();
    ASSERT_TRUE(nv);
    EXPECT_EQ(nv->length(), 256);
    EXPECT_FALSE(nv->short_read_is_end());
    errno = 0;
    EXPECT_EQ(nv->set_length(6), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(nv->check_regular(), 0);
    EXPECT_EQ(nv->reopen_for_writing(), nvram_reopen::reopened);
    nv.reset();
    EXPECT_TRUE(read_lines(log_path).empty());
}

} // namespace
