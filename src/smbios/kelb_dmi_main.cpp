// kelb-dmi: the SMBIOS decoder as a program of its own.
#include "runtime/diagnostics.h"
#include "runtime/standard_streams.h"
#include "smbios/options.h"

int main(int argc, char **argv)
{
    // Before anything is opened: a closed standard stream must never become
    // the descriptor of a table source or of the --dump-bin file. What is
    // written to a standard output closed by the invoker reaches nobody: it
    // fails, as on a full device, and a run that writes nothing there loses
    // nothing.
    if (fill_closed_standard_streams(true) != 0)
        return 1;
    return standard_output_status(dmi_decoder_main(argc, argv));
}
