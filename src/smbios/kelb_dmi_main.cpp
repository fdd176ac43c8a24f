// kelb-dmi: the SMBIOS decoder as a program of its own.
#include "smbios/options.h"

int main(int argc, char **argv)
{
    return dmi_decoder_main(argc, argv);
}
