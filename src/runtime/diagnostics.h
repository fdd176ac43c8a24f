#pragma once
// Diagnostics on standard error, for every part of the system. Standard
// output is flushed first, so that the two streams appear on a console in
// the order written.
#include "runtime/standard_streams.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

[[gnu::format(gnu_printf, 1, 0)]] inline void report_error_v(const char *format, va_list ap)
{
    std::fflush(stdout);
    std::vfprintf(stderr, format, ap);
}

[[gnu::format(gnu_printf, 1, 2)]] inline void report_error(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    report_error_v(format, ap);
    va_end(ap);
}

// "<tag>: <system text of errno>", as perror prints it.
inline void report_errno(const char *tag)
{
    int saved = errno;
    report_error("%s: %s\n", tag, std::strerror(saved));
}

// The status of a program whose run ended with `status`, once its standard
// output has been flushed: output that could not be written (a full device, a
// closed descriptor) is reported and makes a successful run fail with 1.
inline int standard_output_status(int status)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    if (errno == 0)
        errno = standard_stream_was_closed(1) ? EBADF : EIO; // the error came at an earlier write
    report_errno("standard output");
    return status != 0 ? status : 1;
}
