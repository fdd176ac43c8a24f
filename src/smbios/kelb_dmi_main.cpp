// kelb-dmi: the SMBIOS decoder as a program of its own.
#include "runtime/standard_streams.h"
#include "smbios/options.h"

int main(int argc, char **argv)
{
    // Before anything is opened: a closed standard stream must never become
    // the descriptor of a table source or of the --dump-bin file.
    if (fill_closed_standard_streams() != 0)
        return 1;
    return dmi_decoder_main(argc, argv);
}
