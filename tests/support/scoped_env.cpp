#include "support/scoped_env.h"

#include <cstdlib>

scoped_env::scoped_env(std::string name, const std::optional<std::string> &value) : name_(std::move(name))
{
    if (const char *old = std::getenv(name_.c_str()))
        saved_ = old;
    set_env(name_, value);
}

scoped_env::~scoped_env()
{
    set_env(name_, saved_);
}
