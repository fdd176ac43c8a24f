#include "support/capture.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

std::string capture_stdout(const std::function<void()> &body)
{
    std::fflush(stdout);
    std::FILE *tmp = std::tmpfile();
    int saved = dup(1);
    dup2(fileno(tmp), 1);
    body();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string out;
    std::rewind(tmp);
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, tmp)) > 0)
        out.append(buf, n);
    std::fclose(tmp);
    return out;
}
