#include "runtime/environment.h"

#include <cstdlib>

int set_environment_variable(const char *name, const char *value)
{
    return setenv(name, value, 1) == 0 ? 0 : -1;
}
