#include "support/env.h"

#include <cstdlib>

bool set_env(const std::string &name, const std::optional<std::string> &value)
{
    if (value)
        return setenv(name.c_str(), value->c_str(), 1) == 0;
    return unsetenv(name.c_str()) == 0;
}
