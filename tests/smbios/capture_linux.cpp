#include "capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

int redirect_to(int fd, const std::string &path)
{
    int saved = dup(fd);
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, fd);
    close(file);
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
    dup2(saved_out_, 1);
    dup2(saved_err_, 2);
    close(saved_out_);
    close(saved_err_);
}
