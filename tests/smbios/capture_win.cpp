#include "capture.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

int redirect_descriptor(int fd, const std::string &path)
{
    int saved = _dup(fd);
    int file = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    _dup2(file, fd);
    _close(file);
    return saved;
}

void restore_descriptor(int fd, int saved)
{
    _dup2(saved, fd);
    _close(saved);
}
