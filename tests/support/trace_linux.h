#pragma once
// A program run under ptrace, stopped at each of its system calls, so that a
// test can look at the process and its files at the very moment of a call.
// x86-64 only (the system call registers).
#include "support/process.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#if defined(__x86_64__)
#define KELB_TRACE_SYSCALLS 1

// One stop of the traced process: entering a system call or returning from it.
struct syscall_stop {
    pid_t pid;
    bool entry;          // entering; else returning, with `result`
    long call;           // SYS_...
    unsigned long arg[3]; // the first three arguments
    long result;
};

// Runs argv[0] with argv[1..] traced: standard input from /dev/null, standard
// output and error to /dev/null, the environment changed by `env`. `look` sees
// every stop. The exit status, or 128 + the signal that ended it.
int run_traced(const std::vector<std::string> &argv, const std::vector<env_change> &env,
               const std::function<void(const syscall_stop &)> &look);

// Whether system call `call` (SYS_...) writes to or cuts the file its first
// argument's descriptor is open on.
bool writes_to_descriptor(long call);

// What descriptor `fd` of process `pid` names now; "" when it is not open.
std::string descriptor_target(pid_t pid, long fd);
// A file whatever its names: what a rename or a new file at its path leaves
// alone.
struct file_id {
    dev_t dev;
    ino_t ino;
    bool operator==(const file_id &) const = default;
};
std::optional<file_id> id_of_path(const std::string &path);
// The file descriptor `fd` of process `pid` is open on; none when it is not open.
std::optional<file_id> id_of_descriptor(pid_t pid, long fd);
// The descriptors of process `pid` other than `except` open on `file`.
std::vector<long> descriptors_on(pid_t pid, const file_id &file, long except = -1);
#endif
