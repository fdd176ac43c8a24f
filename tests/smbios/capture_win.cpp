#include "capture.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

namespace {

int redirect_to(int fd, const std::string &path)
{
    int saved = _dup(fd);
    int file = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    _dup2(file, fd);
    _close(file);
    return saved;
}

} // namespace

std_streams_redirect::std_streams_redirect(const std::string &out_path, const std::string &err_path)
{
    std::fflush(stdout);
    std::fflush(stderr);
    saved_out_ = redirect_to(1, out_path);
    saved_err_ = redirect_to(2, err_path);
}

std_streams_redirect::~std_streams_redirect()
{
    std::fflush(stdout);
    std::fflush(stderr);
    _dup2(saved_out_, 1);
    _dup2(saved_err_, 2);
    _close(saved_out_);
    _close(saved_err_);
}
