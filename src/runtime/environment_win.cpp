#include "runtime/environment.h"

#include <cstdlib>

// The C runtime keeps a copy of the environment of its own, which getenv
// reads; SetEnvironmentVariable would change only the system's.
int set_environment_variable(const char *name, const char *value)
{
    return _putenv_s(name, value) == 0 ? 0 : -1;
}
