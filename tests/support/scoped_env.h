#pragma once
// Changes one environment variable of the test process for the life of the object.
#include <optional>
#include <string>

class scoped_env {
public:
    // A value sets the variable, none removes it.
    scoped_env(std::string name, const std::optional<std::string> &value);
    ~scoped_env();
    scoped_env(const scoped_env &) = delete;
    scoped_env &operator=(const scoped_env &) = delete;
private:
    std::string name_;
    std::optional<std::string> saved_;
};

// The platform's way of changing the environment.
void set_env(const std::string &name, const std::optional<std::string> &value);
