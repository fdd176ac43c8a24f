#pragma once
// Runs of the utility on the simulated machine, and of the production utility
// on a backing file, for end-to-end comparisons. The production utility is
// only ever started here with -d: device runs take the simulated build.
#include "cu/config.h"
#include "cu/run_texts.h"
#include "sim/sim.h"
#include "support/files.h"
#include "support/process.h"
#include "support/sim_chip.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <span>
#include <string>

inline constexpr char WARNING_LINES[] =
    "*** WARNING: -f forces access to incompatible hardware/firmware. ***\n"
    "***          This will almost certainly cause a disaster.        ***\n\n";

inline run_result run_checked(const std::vector<std::string> &argv, const std::vector<env_change> &env)
{
    run_result r = run_program(argv, env);
    // Piped streams are never a console of the utility's own.
    EXPECT_EQ(r.out.find("Press any key"), std::string::npos) << r.out;
    return r;
}

// kelb-cu-sim on the device of the simulated machine.
inline run_result run_device(const std::string &chip, const std::string &log,
                             const std::vector<std::string> &args,
                             const std::vector<env_change> &settings = {})
{
    std::vector<std::string> argv = {KELB_CU_SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_checked(argv, machine_env(chip, log, settings));
}

// The production kelb-cu on a backing file (always -d).
inline run_result run_backing_file(const std::string &file, const std::vector<std::string> &args,
                                   const std::vector<env_change> &env = {})
{
    std::vector<std::string> argv = {KELB_CU_PATH, "-d", file};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_checked(argv, env);
}

// Runs of the production kelb-cu on `file`, one per argument list, while
// another holds the file's lock: each is refused at once and changes nothing.
inline void expect_refused_while_held(const std::string &file, const std::vector<std::vector<std::string>> &runs,
                                      const std::vector<env_change> &env)
{
    const bytes before = read_file(file);
    for (const auto &args : runs) {
        SCOPED_TRACE(args.front());
        run_result r = run_backing_file(file, args, env);
        EXPECT_EQ(r.status, 16);
        EXPECT_EQ(r.out + r.err, BANNER + busy_text(file)); // -l sends the banner to standard error
        EXPECT_EQ(read_file(file), before);
    }
}

inline bytes chip_with_record(unsigned seed, const config_image &record)
{
    bytes chip = make_chip(seed);
    std::copy(record.begin(), record.end(), chip.begin() + CFG_NVRAM_OFFSET);
    return chip;
}

// `image` with the boot-failure mark: its check byte complemented, as the
// firmware leaves it after three failed boots.
inline config_image boot_failure_marked(config_image image)
{
    image[CFG_CHECK_BYTE] ^= 0xFF;
    return image;
}

inline std::string errno_text(int err)
{
    return std::strerror(err);
}

// Bytes as the run's reports write them: " 5e 90 43 0c 00 0f".
inline std::string hex_of(std::span<const std::uint8_t> b)
{
    std::string t;
    for (std::uint8_t x : b) {
        char s[4];
        std::snprintf(s, sizeof s, " %02x", x);
        t += s;
    }
    return t;
}

// The record's six bytes in a chip's (or a backing file's) bytes.
inline std::string record_hex(const bytes &chip)
{
    return hex_of(std::span(chip).subspan(CFG_NVRAM_OFFSET, CFG_IMAGE_SIZE));
}
