#include "support/trace_linux.h"

#if defined(KELB_TRACE_SYSCALLS)

#include "support/process_linux.h"

#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

int run_traced(const std::vector<std::string> &argv, const std::vector<env_change> &env,
               const std::function<void(const syscall_stop &)> &look)
{
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        close(null);
        // A sanitizer build's leak check traces the process itself, which a
        // traced process cannot be.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        exec_child(argv, env, [] {
            ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
            raise(SIGSTOP);
        });
    }
    if (pid < 0)
        return -1;
    int ws = 0;
    waitpid(pid, &ws, 0);
    ptrace(PTRACE_SETOPTIONS, pid, nullptr,
           reinterpret_cast<void *>(PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL));
    bool in_call = false;
    int deliver = 0;
    for (;;) {
        ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void *>(static_cast<long>(deliver)));
        deliver = 0;
        if (waitpid(pid, &ws, 0) < 0 || WIFEXITED(ws) || WIFSIGNALED(ws))
            break;
        if (!WIFSTOPPED(ws))
            continue;
        if (WSTOPSIG(ws) != (SIGTRAP | 0x80)) {
            if (WSTOPSIG(ws) != SIGTRAP) // an exec event stop is not passed on
                deliver = WSTOPSIG(ws);
            continue;
        }
        in_call = !in_call;
        user_regs_struct regs;
        ptrace(PTRACE_GETREGS, pid, nullptr, &regs);
        syscall_stop s{pid, in_call, static_cast<long>(regs.orig_rax), {regs.rdi, regs.rsi, regs.rdx},
                       static_cast<long>(regs.rax)};
        look(s);
    }
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
}

bool writes_to_descriptor(long call)
{
    return call == SYS_write || call == SYS_pwrite64 || call == SYS_writev || call == SYS_ftruncate;
}

std::string descriptor_target(pid_t pid, long fd)
{
    char target[PATH_MAX] = {};
    std::string link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
    return readlink(link.c_str(), target, sizeof target - 1) > 0 ? target : "";
}

std::optional<file_id> id_of_path(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return file_id{st.st_dev, st.st_ino};
}

std::optional<file_id> id_of_descriptor(pid_t pid, long fd)
{
    return id_of_path("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd));
}

std::vector<long> descriptors_on(pid_t pid, const file_id &file, long except)
{
    std::vector<long> found;
    std::string dir = "/proc/" + std::to_string(pid) + "/fd";
    DIR *d = opendir(dir.c_str());
    if (!d)
        return found;
    while (dirent *e = readdir(d)) {
        char *end = nullptr;
        long fd = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end || fd == except)
            continue;
        if (id_of_descriptor(pid, fd) == file)
            found.push_back(fd);
    }
    closedir(d);
    return found;
}

#endif
