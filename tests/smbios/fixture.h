#pragma once
// Small SMBIOS tables, entry points and simulated machines built by the tests.
#include "support/files.h"
#include "support/process.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// One structure: type, handle, the formatted area after the four header
// bytes, and the string set (two zero bytes when empty). The length byte is
// 4 + fields.size() unless `length` says otherwise.
bytes structure(std::uint8_t type, std::uint16_t handle, const bytes &fields,
                const std::vector<std::string> &strings = {}, int length = -1);
bytes end_of_table(std::uint16_t handle);
bytes concat(std::initializer_list<bytes> parts);

// Entry points with valid checksums.
bytes entry_sm3(std::uint64_t address, std::uint32_t max_size, std::uint8_t major = 3, std::uint8_t minor = 0,
                std::uint8_t docrev = 0);
bytes entry_sm(std::uint32_t address, std::uint16_t length, std::uint16_t count, std::uint8_t major = 2,
               std::uint8_t minor = 7);
bytes entry_dmi(std::uint32_t address, std::uint16_t length, std::uint16_t count, std::uint8_t bcd = 0x21);

// The dump file of a table whose entry point already points at offset 32.
bytes dump_image(const bytes &entry, const bytes &table);
// The firmware-table service's block: header of eight bytes, then the table.
bytes raw_block(std::uint8_t major, std::uint8_t minor, const bytes &table, std::uint32_t announced = 0xFFFFFFFF);

void put(bytes &into, std::size_t at, const bytes &what);
unsigned byte_sum(const bytes &b, std::size_t from, std::size_t count);
std::uint64_t le_at(const bytes &b, std::size_t at, unsigned width);

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
