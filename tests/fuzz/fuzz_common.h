#pragma once
// Shared pieces of the fuzz targets: quiet standard output, running the
// decoder like a command line, and the simulated machine they answer from.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Sends standard output to the null device, so that every formatting path
// still runs but nothing is shown. Call once, from LLVMFuzzerInitialize.
void quiet_stdout();

// dmi_decoder_reset, then dmi_decoder_main with {"kelb-dmi", args...}.
int run_decoder(std::initializer_list<const char *> args);

// What `body` prints on standard output (which then goes back to the null
// device). The targets check once, at start, that a well-formed input of
// theirs reaches the decoding, so that a seam that lets every input fail
// early cannot pass for a clean run.
std::string printed_by(void (*body)());

// A table of two structures: System Information (manufacturer "Fuzz") and
// End-of-Table; and the same as a legacy (_DMI_) entry point for a table at
// `address`.
std::vector<std::uint8_t> known_table();
std::vector<std::uint8_t> known_entry_point(std::uint32_t address);

// The 23 string keywords of --string.
extern const char *const fuzz_string_keywords[23];

// What the fuzz platform answers: physical memory is `memory_size` bytes
// from `memory_base` (nothing else exists), and the firmware-table service
// returns a copy of `raw_block` (none when null). System files never exist.
struct fuzz_machine {
    const std::uint8_t *memory = nullptr;
    std::uint64_t memory_base = 0;
    std::size_t memory_size = 0;
    const std::uint8_t *raw_block = nullptr;
    std::size_t raw_size = 0;
};
extern fuzz_machine fuzz_machine_state;

// Dies with a message when a property of the code under test fails.
[[noreturn]] void fuzz_fail(const char *what);
