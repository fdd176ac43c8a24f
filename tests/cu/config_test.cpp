// The record's NVRAM image: encoding, check byte, boot-failure mark, normalisation.
#include "cu/config.h"

#include "hw/cpu.h"
#include "hw/nvram.h"
#include "support/capture.h"
#include "support/env.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>

namespace {

config_image img(std::initializer_list<int> v)
{
    config_image b{};
    int i = 0;
    for (int x : v)
        b[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(x);
    return b;
}

bool same(const nvram_config &a, const nvram_config &b)
{
    return a.target == b.target && a.flags == b.flags && a.htlimit == b.htlimit &&
           a.nbmulti == b.nbmulti && a.nbv == b.nbv && a.vcore == b.vcore && a.cpumulti == b.cpumulti;
}

} // namespace

TEST(ConfigImage, KnownVectorsRoundTrip)
{
    struct {
        nvram_config record;
        config_image image;
    } cases[] = {
        {CFG_DEFAULTS, img({0x40, 0x00, 0x07, 0x08, 0x00, 0xFD})},
        {{230, 0xA81, 2500, 2, 3, 5, 8}, img({0xDE, 0x81, 0xA0, 0x54, 0x40, 0xB9})},
        {{230, 0, 3200, 0, 1, 2, 0}, img({0x5E, 0x00, 0x07, 0x08, 0x00, 0xDF})},
        // Wider image fields than the questions offer survive unchanged.
        {{263, 0, 2500, 7, 0, 0, 31}, img({0x3F, 0x00, 0x00, 0xE0, 0xF8, 0x35})},
    };
    for (const auto &c : cases) {
        config_image b = encode_config(c.record);
        EXPECT_EQ(b, c.image) << "target " << c.record.target;
        int sum = 0;
        for (auto x : b)
            sum += x;
        EXPECT_EQ(sum % 256, 0x4C);
        nvram_config back{};
        ASSERT_EQ(decode_config(c.image, &back), CONFIG_VALID);
        EXPECT_TRUE(same(back, c.record)) << "target " << c.record.target;
    }
}

TEST(ConfigImage, ResetAndInvalidImages)
{
    nvram_config r = CFG_DEFAULTS;
    r.target = 0;
    EXPECT_EQ(encode_config(r), img({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    nvram_config out = CFG_DEFAULTS;
    for (auto b : {img({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), img({0, 0, 0, 0, 0, 0}),
                   img({0x40, 0x00, 0x07, 0x08, 0x00, 0xFC})})
        EXPECT_EQ(decode_config(b, &out), CONFIG_ABSENT);
}

TEST(ConfigImage, BootFailureMarkDecodesTheSettings)
{
    nvram_config out{};
    EXPECT_EQ(decode_config(img({0x40, 0x00, 0x07, 0x08, 0x00, 0x02}), &out), CONFIG_BOOT_FAILED);
    EXPECT_TRUE(same(out, CFG_DEFAULTS));
}

TEST(ConfigImage, OnlyTwelveFlagBitsAreStored)
{
    nvram_config c = CFG_DEFAULTS;
    c.flags = 0xF004;
    nvram_config back{};
    ASSERT_EQ(decode_config(encode_config(c), &back), CONFIG_VALID);
    EXPECT_EQ(back.flags, 0x004);
    // Bits 3 of b2 and 0..1 of b3, 0..2 of b4 are ignored on reading.
    ASSERT_EQ(decode_config(img({0x40, 0x00, 0x0F, 0x0B, 0x07, 0xEB}), &back), CONFIG_VALID);
    EXPECT_TRUE(same(back, CFG_DEFAULTS));
}

TEST(ConfigConstraints, FamilyAndLock)
{
    struct {
        const char *family, *locked;
        nvram_config before, after;
    } cases[] = {
        {"1", "0", {230, 0x410, 3200, 3, 0, 2, 8}, {230, 0x410, 3200, 0, 1, 2, 8}},
        {"6", "0", {230, 0x410, 3200, 3, 0, 2, 8}, {230, 0x000, 3200, 3, 0, 2, 8}},
        {"-1", "1", {230, 0xFFF, 3200, 3, 0, 2, 8}, {230, 0xFFF, 3200, 3, 0, 2, 0}},
        {"16", "-1", {230, 0x410, 3200, 3, 0, 2, 8}, {230, 0x410, 3200, 3, 0, 2, 0}},
        {"x", "", {230, 0x410, 3200, 3, 0, 2, 8}, {230, 0x410, 3200, 3, 0, 2, 8}},
    };
    for (const auto &c : cases) {
        scoped_env env({{ENV_CPU_FAMILY, c.family}, {ENV_CPU_LOCKED, c.locked}});
        if (!*c.locked && !std::getenv(ENV_CPU_LOCKED))
            continue; // Windows drops a variable set to the empty string
        nvram_config cfg = c.before;
        apply_cpu_constraints(&cfg, read_processor_facts());
        EXPECT_TRUE(same(cfg, c.after)) << "family '" << c.family << "' locked '" << c.locked << "'";
    }
}

// Only a backing file that ends before the record means "no configuration";
// a read that fails leaves the record being edited as it was.
TEST(ConfigRead, OnlyAShortFileMeansNoConfiguration)
{
    scratch_dir dir;
    const std::string file = dir.file("nvram.bin");
    const nvram_config stored = {230, 0xA81, 2500, 2, 3, 5, 8};
    bytes with_record(CFG_NVRAM_OFFSET);
    config_image image = encode_config(stored);
    with_record.insert(with_record.end(), image.begin(), image.end());
    const nvram_config marker = {201, 0x3, 2600, 1, 0, 7, 1};
    struct {
        const char *name;
        bytes content;
        int flags;
        config_status want;
        std::string printed;
    } cases[] = {
        {"record", with_record, O_RDWR, CONFIG_VALID, "KELB configuration found.\n\n"},
        {"ends_one_byte_early", bytes(with_record.begin(), with_record.end() - 1), O_RDWR, CONFIG_ABSENT,
         "No valid KELB configuration found. Generating new configuration.\n\n"},
        {"read_error", with_record, O_WRONLY, CONFIG_READ_FAILED, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(file, c.content);
        auto nv = nvram_file::open(file.c_str(), c.flags);
        ASSERT_TRUE(nv);
        record_state r;
        r.cfg = marker;
        r.old_cfg = marker;
        config_status got = CONFIG_ABSENT;
        errno = 0;
        std::string out = capture_stdout([&] { got = read_config(*nv, r); });
        int err = errno;
        nv.reset();
        EXPECT_EQ(got, c.want);
        EXPECT_EQ(out, c.printed);
        EXPECT_TRUE(same(r.cfg, c.want == CONFIG_VALID ? stored : marker));
        if (c.want == CONFIG_READ_FAILED) {
            EXPECT_TRUE(same(r.old_cfg, marker));
            EXPECT_NE(err, 0);
        }
    }
}

TEST(ConfigChange, EachFieldAloneIsStored)
{
    // Every field differs from its default, so a change of one never lands on
    // a default by chance.
    const nvram_config loaded = {230, 0xA81, 2500, 2, 3, 5, 8};
    struct {
        const char *field;
        nvram_config edited;
    } cases[] = {
        {"none", loaded},
        {"target", {231, 0xA81, 2500, 2, 3, 5, 8}},
        {"flags", {230, 0xA80, 2500, 2, 3, 5, 8}},
        {"htlimit", {230, 0xA81, 2600, 2, 3, 5, 8}},
        {"nbmulti", {230, 0xA81, 2500, 1, 3, 5, 8}},
        {"nbv", {230, 0xA81, 2500, 2, 2, 5, 8}},
        {"vcore", {230, 0xA81, 2500, 2, 3, 4, 8}},
        {"cpumulti", {230, 0xA81, 2500, 2, 3, 5, 9}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        scratch_dir dir;
        std::string path = dir.file("nvram.bin");
        bytes file(256, 0);
        config_image image = encode_config(loaded);
        std::copy(image.begin(), image.end(), file.begin() + CFG_NVRAM_OFFSET);
        write_file(path, file);
        auto nv = nvram_file::open(path.c_str(), O_RDWR);
        ASSERT_TRUE(nv);
        record_state r;
        config_status st = CONFIG_ABSENT;
        capture_stdout([&] { st = read_config(*nv, r); });
        ASSERT_EQ(st, CONFIG_VALID);
        r.cfg = c.edited;
        bool changed = config_changed(r);
        EXPECT_EQ(changed, !same(c.edited, loaded));
        if (changed) {
            EXPECT_EQ(write_config(*nv, r, 0).status, replace_status::replaced);
        }
        nv.reset();
        config_image stored;
        bytes after = read_file(path);
        ASSERT_EQ(after.size(), 256u);
        std::copy(after.begin() + CFG_NVRAM_OFFSET, after.begin() + CFG_NVRAM_OFFSET + 6, stored.begin());
        EXPECT_EQ(stored, encode_config(c.edited));
    }
}

namespace {

bool firmware_reads(std::span<const std::uint8_t> image)
{
    config_image b{};
    std::copy(image.begin(), image.end(), b.begin());
    nvram_config ignored;
    return decode_config(b, &ignored) != CONFIG_ABSENT;
}

} // namespace

// The check byte a store writes first: with it, every mix of the old and the
// new data bytes (each byte the old or the new one) is refused by the
// firmware, for pairs whose data bytes differ everywhere, nowhere, and in
// shared running sums, and for old bytes that a short backing file lacks.
TEST(ConfigImage, InterimCheckByteLeavesNoMixTheFirmwareReads)
{
    std::vector<std::pair<config_image, config_image>> pairs = {
        {img({0x40, 0x08, 0x07, 0x08, 0x00, 0xf5}), img({0x48, 0x00, 0x00, 0x08, 0x00, 0xfc})},
        {img({0x40, 0x00, 0x07, 0x08, 0x00, 0xfd}), img({0xff, 0xff, 0xff, 0xff, 0xff, 0xff})},
        {img({0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), img({0x01, 0x01, 0x01, 0x01, 0x01, 0x47})},
    };
    unsigned seed = 12345;
    for (int n = 0; n < 2000; n++) {
        config_image a{}, b{};
        for (std::size_t i = 0; i < a.size(); i++) {
            seed = seed * 1103515245u + 12345u;
            a[i] = static_cast<std::uint8_t>(seed >> 16);
            seed = seed * 1103515245u + 12345u;
            b[i] = static_cast<std::uint8_t>(seed >> 16);
        }
        pairs.emplace_back(a, b);
    }
    for (const auto &[from, to] : pairs) {
        for (std::size_t known : {std::size_t{6}, std::size_t{2}, std::size_t{0}}) {
            std::span<const std::uint8_t> old_bytes(from.data(), known);
            int x = interim_check_byte(old_bytes, to, firmware_reads);
            ASSERT_GE(x, 0);
            for (unsigned mix = 0; mix < 32; mix++) {
                config_image m{};
                for (std::size_t i = 0; i < 5; i++)
                    m[i] = (mix >> i & 1) ? to[i] : (i < known ? from[i] : 0);
                m[5] = static_cast<std::uint8_t>(x);
                nvram_config ignored;
                ASSERT_EQ(decode_config(m, &ignored), CONFIG_ABSENT) << "mix " << mix << " check " << x;
            }
        }
    }
}
