#include "runtime/standard_streams.h"

namespace {
unsigned closed_at_start = 0; // bit n: descriptor n
} // namespace

void note_closed_standard_stream(int fd)
{
    closed_at_start |= 1u << fd;
}

bool standard_stream_was_closed(int fd)
{
    return fd >= 0 && fd <= 2 && (closed_at_start >> fd & 1u) != 0;
}
