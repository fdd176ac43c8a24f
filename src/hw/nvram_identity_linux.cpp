#include "hw/nvram_identity.h"

#include <sys/stat.h>

int nvram_same_file(int a, int b)
{
    struct stat sa, sb;
    if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0)
        return -1;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino ? 1 : 0;
}
