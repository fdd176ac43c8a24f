#include "cu/program.h"
#include "runtime/standard_streams.h"

int main(int argc, char **argv)
{
    // Before anything is opened: a closed standard stream must never become
    // the NVRAM's descriptor.
    if (fill_closed_standard_streams() != 0)
        return EXIT_NVRAM_OPEN;
    return kelb_cu_main(argc, argv);
}
