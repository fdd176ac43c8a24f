#include "support/env.h"

#include <cstdlib>

scoped_env::scoped_env(const std::vector<std::pair<std::string, std::optional<std::string>>> &changes)
{
    for (const auto &[name, value] : changes) {
        const char *old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        set_env(name, value);
    }
}

scoped_env::~scoped_env()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
        set_env(it->first, it->second);
}
