// Placeholder until the driver connection exists: every connection fails.
#include "hw/driver.h"

#include <cerrno>

int sys_init()
{
    errno = ENODEV;
    return -1;
}

void sys_deinit() {}
