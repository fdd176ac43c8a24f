#include "support/files.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

scratch_dir::scratch_dir()
{
    static std::atomic<unsigned> serial{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        dir_ = fs::temp_directory_path() /
               ("kelb-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
        if (fs::create_directory(dir_))
            break;
    }
}

scratch_dir::~scratch_dir()
{
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

bytes read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, const bytes &data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
}

void write_file(const std::string &path, const std::string &text)
{
    write_file(path, bytes(text.begin(), text.end()));
}
