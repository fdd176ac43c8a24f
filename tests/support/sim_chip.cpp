#include "support/sim_chip.h"

#include "hw/nvram.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <fstream>

bytes make_chip(unsigned seed)
{
    bytes chip(NVRAM_BANK_SIZE);
    std::uint32_t x = seed * 2654435761u + 12345;
    for (auto &b : chip) {
        x = x * 1103515245u + 12345;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    set_pc_checksum(chip);
    return chip;
}

void set_pc_checksum(bytes &chip)
{
    unsigned sum = 0;
    for (unsigned i = PC_CHECKSUM_FIRST; i <= PC_CHECKSUM_LAST; i++)
        sum += chip[i];
    chip[PC_CHECKSUM_HIGH] = static_cast<std::uint8_t>(sum >> 8 & 0xFF);
    chip[PC_CHECKSUM_LOW] = static_cast<std::uint8_t>(sum & 0xFF);
}

std::vector<std::string> read_lines(const std::string &path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> port_lines(const std::vector<std::string> &log)
{
    std::vector<std::string> ports;
    for (const auto &l : log)
        if (l.rfind("in ", 0) == 0 || l.rfind("out ", 0) == 0)
            ports.push_back(l);
    return ports;
}

void expect_unchanged_outside(const bytes &before, const bytes &after, unsigned first, unsigned last)
{
    ASSERT_EQ(after.size(), before.size());
    for (unsigned i = 0; i < before.size(); i++) {
        if (i < first || i > last) {
            EXPECT_EQ(after[i], before[i]) << "byte " << i << " changed";
        }
    }
}

std::vector<env_change> machine_env(const std::string &chip, const std::string &log,
                                    const std::vector<env_change> &settings)
{
    std::vector<env_change> env;
    for (const char *v : SIM_VARIABLES)
        env.emplace_back(v, std::nullopt);
    env.emplace_back("KELB_DEBUG_CPU_LOCKED", std::nullopt);
    env.emplace_back("KELB_DEBUG_CPU_EXTENDED_FAMILY", std::nullopt);
    env.emplace_back(SIM_CMOS, chip);
    env.emplace_back(SIM_PORT_LOG, log);
    env.emplace_back(SIM_INDEX, "0x5a");
    env.insert(env.end(), settings.begin(), settings.end());
    return env;
}
