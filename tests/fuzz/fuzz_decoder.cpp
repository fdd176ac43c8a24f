// Running the decoder the way its command line does.
#include "fuzz_common.h"

#include "smbios/options.h"

#include <cstdio>
#include <vector>

int run_decoder(std::initializer_list<const char *> args)
{
    // The decoder's scanner may permute its argument vector; give it a copy.
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>("kelb-dmi"));
    for (const char *a : args)
        argv.push_back(const_cast<char *>(a));
    argv.push_back(nullptr);
    dmi_decoder_reset();
    int status = dmi_decoder_main(static_cast<int>(argv.size() - 1), argv.data());
    std::fflush(stdout);
    return status;
}
