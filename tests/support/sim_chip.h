#pragma once
// Fixtures for the simulated machine: CMOS chip images and the port log.
#include "support/files.h"
#include "support/process.h"

#include <string>
#include <vector>

// A bank of deterministic filler (NVRAM_BANK_SIZE bytes) that differs from
// seed to seed, with a valid PC NVRAM checksum.
bytes make_chip(unsigned seed);
// Stores the sum of bytes PC_CHECKSUM_FIRST..PC_CHECKSUM_LAST at
// PC_CHECKSUM_HIGH and PC_CHECKSUM_LOW.
void set_pc_checksum(bytes &chip);

// The lines of a text file (none when it does not exist).
std::vector<std::string> read_lines(const std::string &path);
// The port accesses among logged library calls ("in ..." and "out ...").
std::vector<std::string> port_lines(const std::vector<std::string> &log);

// Fails the current test unless `after` equals `before` outside [first, last].
void expect_unchanged_outside(const bytes &before, const bytes &after, unsigned first, unsigned last);

// The simulated machine's environment: its defaults except the chip file, the
// port log and index register 0x5a, the processor overrides unset so that the
// hardware answers, then `settings` on top.
std::vector<env_change> machine_env(const std::string &chip, const std::string &log,
                                    const std::vector<env_change> &settings = {});
