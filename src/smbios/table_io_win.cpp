// Table files and the dump file's replacement on Windows: a fresh short name
// beside the target, created exclusively, which takes the target's place with
// its permissions.
#include "smbios/table_io.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

int open_for_reading(const std::string &file, file_ptr *f)
{
    std::error_code ec;
    const auto kind = std::filesystem::status(file, ec).type();
    if (!ec && kind != std::filesystem::file_type::regular && kind != std::filesystem::file_type::directory &&
        kind != std::filesystem::file_type::not_found)
        return -2;
    f->reset(std::fopen(file.c_str(), "rb"));
    return *f ? 0 : -1;
}

std::string create_file_beside(const std::string &target)
{
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    const unsigned long process = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < 1000; attempt++) {
        char leaf[40];
        std::snprintf(leaf, sizeof leaf, ".kelb-dmi-%lu-%u", process, attempt);
        std::string name = (folder / leaf).string();
        int fd = _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            _close(fd);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

int check_writable(const std::string &target)
{
    return _access(target.c_str(), 2);
}

int replace_file(const std::string &temporary, const std::string &target, const char **step)
{
    std::error_code ec;
    const std::filesystem::file_status old = std::filesystem::status(target, ec);
    if (!ec)
        std::filesystem::permissions(temporary, old.permissions(), ec);
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        *step = "rename";
        errno = ec.value() == ERROR_ACCESS_DENIED ? EACCES : EIO;
        return -1;
    }
    return 0;
}

void drop_file_beside(const std::string &temporary)
{
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
}
