#pragma once
// Scratch directories and whole-file helpers for tests.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using bytes = std::vector<std::uint8_t>;

// A fresh directory under the system's temporary directory, removed with the object.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir &) = delete;
    scratch_dir &operator=(const scratch_dir &) = delete;
    const std::filesystem::path &path() const { return dir_; }
    std::string file(const std::string &name) const { return (dir_ / name).string(); }
private:
    std::filesystem::path dir_;
};

bytes read_file(const std::string &path);
void write_file(const std::string &path, const bytes &data);
void write_file(const std::string &path, const std::string &text);
