// The memory scan over an arbitrary legacy BIOS area: the input is the 64 KiB
// of physical memory at 0xF0000 (zero-padded), the only memory there is, so
// entry points found in it must place their tables inside it as well.
#include "fuzz_common.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quiet_stdout();
    static std::vector<std::uint8_t> memory(0x10000, 0);
    std::vector<std::uint8_t> e = known_entry_point(0xF0400), t = known_table();
    std::copy(e.begin(), e.end(), memory.begin() + 0x100);
    std::copy(t.begin(), t.end(), memory.begin() + 0x400);
    fuzz_machine_state = {memory.data(), 0xF0000, memory.size(), nullptr, 0};
    std::string out = printed_by([] { run_decoder({"-q", "-s", "system-manufacturer"}); });
    fuzz_machine_state = {};
    if (out != "Fuzz\n")
        fuzz_fail("an entry point in the scanned area does not reach the walk");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t area = 0x10000;
    if (size > area)
        return 0;
    std::vector<std::uint8_t> memory(area, 0);
    std::memcpy(memory.data(), data, size);
    fuzz_machine_state = {memory.data(), 0xF0000, area, nullptr, 0};
    // The scan reads through the memory device; it is named, never opened.
    // The area is readable, so the only failure is a table outside it (1).
    if (run_decoder({"-d", "/nonexistent/kelb-fuzz-mem"}) > 1 ||
        run_decoder({"-u", "--no-sysfs"}) > 1 ||
        run_decoder({"-q", "-s", "baseboard-product-name"}) > 1)
        fuzz_fail("the scan of a readable area failed");
    fuzz_machine_state = {};
    return 0;
}
