#pragma once
// Standard output captured into a private, self-deleting temporary file while
// the in-process SMBIOS decoder runs.
#include <cstddef>

// The saved descriptor of standard output, with descriptor 1 now writing into
// a fresh temporary file; or -1 with standard output unchanged.
int capture_stdout_begin();
// Bytes read from the start of the captured output (at most size), or -1.
int capture_stdout_read(char *buffer, std::size_t size);
// Points descriptor 1 back where `saved` points and closes `saved`.
int capture_stdout_end(int saved);
