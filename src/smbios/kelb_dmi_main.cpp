// kelb-dmi: the SMBIOS decoder as a program of its own.
#include "runtime/diagnostics.h"
#include "runtime/standard_streams.h"
#include "smbios/options.h"

#include <cerrno>

int main(int argc, char **argv)
{
    // Before anything is opened: a closed standard stream must never become
    // the descriptor of a table source or of the --dump-bin file.
    if (fill_closed_standard_streams() != 0)
        return 1;
    int status = standard_output_status(dmi_decoder_main(argc, argv));
    // What went to a standard output closed by the invoker reached nobody.
    if (status == 0 && standard_stream_was_closed(1)) {
        errno = EBADF;
        report_errno("standard output");
        status = 1;
    }
    return status;
}
