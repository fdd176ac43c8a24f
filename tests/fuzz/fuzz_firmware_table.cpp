// The table as the firmware-table service returns it: an arbitrary raw block
// (calling method, version, length of the table, the table), of which the
// walk must not read past the bytes the service actually returned.
#include "fuzz_common.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quiet_stdout();
    static std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> t = known_table();
    block = {0, 2, 8, 0, static_cast<std::uint8_t>(t.size()), 0, 0, 0};
    block.insert(block.end(), t.begin(), t.end());
    fuzz_machine_state = {nullptr, 0, 0, block.data(), block.size()};
    std::string out = printed_by([] { run_decoder({"-q", "-s", "system-manufacturer"}); });
    fuzz_machine_state = {};
    if (out != "Fuzz\n")
        fuzz_fail("a well-formed firmware-table block does not reach the walk");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Physical memory stays empty: a block the decoder refuses leads to a
    // scan that finds nothing to read.
    fuzz_machine_state = {nullptr, 0, 0, data, size};
    run_decoder({});
    run_decoder({"-q", "-s", "oem-string-last"});
    run_decoder({"-u"});
    fuzz_machine_state = {};
    return 0;
}
