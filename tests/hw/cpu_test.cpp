// Processor facts: the decisions on raw values, the environment overrides and
// the hardware paths through the simulated machine.
#include "hw/cpu.h"
#include "hw/ols.h"
#include "sim_fixture.h"

#include <cstdint>

namespace {

TEST(cpu_lock, unlocked_exactly_when_bit_19_is_set_and_bit_15_clear)
{
    const struct { std::uint32_t reg; int locked; } cases[] = {
        {0x00080000, 0}, {0xFFFF7FFF, 0}, {0x00087FFF, 0}, {0x00088000, 1},
        {0x00000000, 1}, {0xFFFFFFFF, 1}, {0x00008000, 1}, {0xFFF7FFFF, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cpu_lock_from_register(c.reg), c.locked) << std::hex << c.reg;
}

TEST(cpu_family, extended_family_is_bits_27_to_20)
{
    const struct { std::uint32_t eax; int family; } cases[] = {
        {0x00100F00, 1}, {0xF01FFFFF, 1}, {0x00600F20, 6}, {0xF06FFFFF, 6},
        {0x0FF00000, 255}, {0xF00FFFFF, 0}, {0x0A000000, 0xA0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cpu_family_from_eax(c.eax), c.family) << std::hex << c.eax;
}

struct override_case {
    const char *value;
    int result;
};

// Converted as atoi converts; present counts as set whatever the text.
const override_case OVERRIDES[] = {
    {"0", 0}, {"", 0}, {"-1", -1}, {"6", 6}, {"  7x", 7}, {"abc", 0}, {"+3", 3},
};

TEST_F(sim_test, overrides_answer_without_reaching_the_hardware)
{
    for (const auto &c : OVERRIDES) {
        // A processor without the instruction and a failing register: only the
        // override can give an answer.
        configure(make_chip(1), {{SIM_CPUID_MAXLEAF, "none"}, {SIM_PCI80, "fail"},
                                 {ENV_CPU_LOCKED, c.value}, {ENV_CPU_FAMILY, c.value}});
        if (!std::getenv(ENV_CPU_LOCKED)) {
            // Windows cannot hold a variable set to the empty string.
            EXPECT_STREQ(c.value, "");
            continue;
        }
        ASSERT_TRUE(ols_initialize());
        EXPECT_EQ(cpu_is_locked(), c.result) << '"' << c.value << '"';
        EXPECT_EQ(cpu_extended_family(), c.result) << '"' << c.value << '"';
        ols_deinitialize();
        EXPECT_EQ(read_lines(log_path), (std::vector<std::string>{"init", "deinit"}));
        std::remove(log_path.c_str());
    }
}

TEST_F(sim_test, lock_comes_from_register_0x80_of_device_0)
{
    const struct { const char *reg; int locked; } cases[] = {
        {"0x00080000", 0}, {"0xFFFF7FFF", 0}, {"0x00088000", 1}, {"0", 1}, {"fail", -1},
    };
    for (const auto &c : cases) {
        configure(make_chip(1), {{SIM_PCI80, c.reg}});
        ASSERT_TRUE(ols_initialize());
        EXPECT_EQ(cpu_is_locked(), c.locked) << c.reg;
        ols_deinitialize();
        auto log = read_lines(log_path);
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[1].rfind("pci 0 80 ", 0), 0u) << log[1];
        std::remove(log_path.c_str());
    }
}

TEST_F(sim_test, lock_register_is_unreadable_without_the_driver)
{
    configure(make_chip(1), {{SIM_PCI80, "0x00080000"}});
    EXPECT_EQ(cpu_is_locked(), -1);
}

TEST_F(sim_test, family_comes_from_leaf_1)
{
    const struct { const char *eax; const char *max; int family; } cases[] = {
        {"0x00100F00", "1", 1}, {"0x00600F20", "1", 6}, {"0xFFFFFFFF", "1", 255}, {"0x00A00F10", "0xd", 10},
    };
    for (const auto &c : cases) {
        configure(make_chip(1), {{SIM_CPUID_EAX1, c.eax}, {SIM_CPUID_MAXLEAF, c.max}});
        EXPECT_EQ(cpu_extended_family(), c.family) << c.eax;
    }
}

using sim_DeathTest = sim_test;

TEST_F(sim_DeathTest, processor_without_leaf_1_ends_the_process)
{
    for (const char *max : {"0", "none"}) {
        configure(make_chip(1), {{SIM_CPUID_MAXLEAF, max}});
        EXPECT_DEATH(cpu_extended_family(), "") << max;
    }
}

} // namespace
