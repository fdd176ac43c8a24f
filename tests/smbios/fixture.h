#pragma once
// Small SMBIOS tables, entry points and simulated machines built by the tests.
#include "support/files.h"
#include "support/process.h"
#include "support/smbios_tables.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// The firmware-table service's block: header of eight bytes, then the table.
bytes raw_block(std::uint8_t major, std::uint8_t minor, const bytes &table, std::uint32_t announced = 0xFFFFFFFF);

// Standard output and error with a platform's text-mode line ends made plain.
std::string plain(const std::string &text);

// The production decoder, for the runs it may make: --from-dump, help,
// version and option errors.
run_result run_dmi(const std::vector<std::string> &args);

// A simulated machine: a root directory for the system locations and,
// optionally, an answer of the firmware-table service.
class sim_machine {
public:
    // Places `data` at a system location such as "/dev/mem".
    void place(const std::string &system_path, const bytes &data);
    void place(const std::string &system_path, const std::string &text);
    void firmware_table(const bytes &block);
    std::string root() const { return dir_.file("root"); }
    std::string file(const std::string &name) const { return dir_.file(name); }
    run_result run(const std::vector<std::string> &args) const;

private:
    scratch_dir dir_;
    std::optional<std::string> firmware_table_;
};

// A physical memory image of 1 MiB, zero but for what the test places.
bytes memory_image();

// The part of a run's output from the first structure on (after the first
// empty line), which stays the same whichever way the table was found.
std::string structures_part(const std::string &out);
