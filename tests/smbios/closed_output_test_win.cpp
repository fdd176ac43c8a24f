// kelb-dmi started with no standard handles (as a service, or a program
// without a console, starts it): its output reaches nobody, which the run
// reports as a failure, as with a standard output closed on Linux.
#include "fixture.h"

#include "support/process_win.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

TEST(ClosedOutput, MissingStandardOutputIsAFailure)
{
    scratch_dir dir;
    bytes table = concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), end_of_table(2)});
    std::string dump = dir.file("d.bin");
    write_file(dump, dump_image(entry_sm3(32, static_cast<std::uint32_t>(table.size())), table));
    const std::string closed = "standard output: " + std::string(std::strerror(EBADF)) + "\n";
    const struct {
        unsigned missing; // bit 0 input, 1 output, 2 error
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {7, {"-u", "--from-dump", dump}, 1, ""},
        {3, {"-u", "--from-dump", dump}, 1, closed},
        {3, {"-s", "baseboard-product-name", "--from-dump", dump}, 1, closed},
        // Nothing to write is no failure, as with a full device: no structure
        // holds the BIOS vendor.
        {3, {"-s", "bios-vendor", "--from-dump", dump}, 0, ""},
        // With standard output there, the missing input and error change nothing.
        {5, {"-s", "baseboard-product-name", "--from-dump", dump}, 0, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.missing) + " " + c.args[0] + " " + c.args[1]);
        std::vector<std::string> argv = {KELB_DMI_PATH};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        run_result r = run_program_without_handles(argv, c.missing);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(plain(r.err), c.err);
        if (c.status == 0 && !(c.missing & 2u)) {
            EXPECT_EQ(plain(r.out), "P1\n");
        }
    }
}
