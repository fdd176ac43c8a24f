#include "capture.h"

#include <fcntl.h>
#include <unistd.h>

int redirect_descriptor(int fd, const std::string &path)
{
    int saved = dup(fd);
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, fd);
    close(file);
    return saved;
}

void restore_descriptor(int fd, int saved)
{
    dup2(saved, fd);
    close(saved);
}
