// kelb-dmi: the SMBIOS decoder as a program of its own.
#include "runtime/diagnostics.h"
#include "smbios/options.h"

int main(int argc, char **argv)
{
    return standard_output_status(dmi_decoder_main(argc, argv));
}
