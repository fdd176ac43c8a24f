#include "support/env.h"

#include <cstdlib>

bool set_env(const std::string &name, const std::optional<std::string> &value)
{
    // The C runtime removes a variable given an empty value.
    if (_putenv_s(name.c_str(), value ? value->c_str() : "") != 0)
        return false;
    return !value || !value->empty();
}
