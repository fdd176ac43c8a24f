#pragma once
// The system the utility runs on and the rights of its process, as far as the
// advice after a refused driver connection needs them.

enum class host_system { windows, linux_kernel };

host_system this_host();

// An elevated administrator token on Windows, effective user root on Linux:
// the rights that raw hardware access asks for.
bool process_privileged();
