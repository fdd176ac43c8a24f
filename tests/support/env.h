#pragma once
// Changes to this process's environment that undo themselves.
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Sets (a value) or unsets (none) each variable, and puts back what was there
// before when it goes out of scope.
class scoped_env {
public:
    explicit scoped_env(const std::vector<std::pair<std::string, std::optional<std::string>>> &changes);
    scoped_env(const std::string &name, const std::optional<std::string> &value)
        : scoped_env(std::vector<std::pair<std::string, std::optional<std::string>>>{{name, value}}) {}
    ~scoped_env();
    scoped_env(const scoped_env &) = delete;
    scoped_env &operator=(const scoped_env &) = delete;
private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// One variable; false when the platform cannot hold it as asked (Windows
// drops a variable set to the empty string).
bool set_env(const std::string &name, const std::optional<std::string> &value);
