#pragma once
// In-process tests on the simulated machine: a chip file and a port log in a
// scratch directory, every other setting of the machine at its default.
#include "sim/sim.h"
#include "support/env.h"
#include "support/files.h"
#include "support/sim_chip.h"

#include <gtest/gtest.h>

#include <memory>

class sim_test : public ::testing::Test {
protected:
    scratch_dir dir;
    std::string chip_path = dir.file("cmos.bin");
    std::string log_path = dir.file("ports.log");

    // Writes the chip and sets the machine up: index register 0x5a, the
    // processor overrides unset, and the given settings on top.
    void configure(const bytes &chip, const std::vector<std::pair<std::string, std::optional<std::string>>> &extra = {})
    {
        write_file(chip_path, chip);
        env_.reset(); // back to the test's own environment before the next change
        env_ = std::make_unique<scoped_env>(machine_env(chip_path, log_path, extra));
    }

    // The chip as the machine saved it when the library was released.
    bytes saved_chip() const { return read_file(chip_path); }
    std::vector<std::string> ports() const { return port_lines(read_lines(log_path)); }

private:
    std::unique_ptr<scoped_env> env_;
};
