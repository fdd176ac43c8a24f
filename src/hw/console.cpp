#include "hw/console.h"

#include <cstdio>
#include <unistd.h>

void pause_if_own_console()
{
    if (!isatty(fileno(stdin)))
        return;
    if (!isatty(fileno(stdout)))
        return;
    int owner = console_owner_pid();
    if (owner == -1)
        return;
    // A console inherited from a command prompt or shell stays open after us.
    if (owner != static_cast<int>(getpid()))
        return;
    std::printf("\nPress any key to continue.\n");
    wait_for_key();
}
