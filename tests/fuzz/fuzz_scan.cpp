// The memory scan over an arbitrary legacy BIOS area: the input is the 64 KiB
// of physical memory at 0xF0000 (zero-padded), the only memory there is, so
// entry points found in it must place their tables inside it as well.
#include "fuzz_common.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quiet_stdout();
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
    if (run_decoder({"-d", "/nonexistent/kelb-fuzz-mem"}) != 0 ||
        run_decoder({"-u", "--no-sysfs"}) != 0 ||
        run_decoder({"-q", "-s", "baseboard-product-name"}) != 0)
        fuzz_fail("the scan of a readable area failed");
    fuzz_machine_state = {};
    return 0;
}
