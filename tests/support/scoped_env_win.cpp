#include "support/scoped_env.h"

#include <cstdlib>
#include <windows.h>

// The C runtime's copy and the process environment both change, so that
// getenv and child processes agree.
void set_env(const std::string &name, const std::optional<std::string> &value)
{
    _putenv_s(name.c_str(), value ? value->c_str() : "");
    SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
}
