#pragma once
// Standard descriptors closed by whoever started the program. The system hands
// out the lowest free descriptor, so with descriptor 1 or 2 closed the next
// file opened (the NVRAM, a dump file) would receive every message written to
// standard output or error. At start-up, before anything else is opened, each
// of 0, 1 and 2 that is closed is opened on the null device (Windows: the C
// runtime's descriptors, its stdin, stdout and stderr streams, and the
// process's standard handles), so that the standard streams work on it.

// With `output_refuses_writes`, a closed standard output is opened read-only,
// so that every write to it fails (EBADF) as the invoker's closing meant.
// 0, or -1 when a closed descriptor could not be filled (nothing may be
// opened then).
int fill_closed_standard_streams(bool output_refuses_writes = false);

// Whether descriptor `fd` (0, 1 or 2) was closed when the program started:
// what is written to it now reaches no reader.
bool standard_stream_was_closed(int fd);

// For the platform files: records that `fd` was found closed.
void note_closed_standard_stream(int fd);
