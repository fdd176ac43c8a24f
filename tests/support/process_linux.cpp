#include "support/process_linux.h"

#include "support/files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

void reset_signals_for_exec()
{
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    // SIGKILL, SIGSTOP and the C library's own signals refuse; nothing to do for them.
    for (int s = 1; s < NSIG; s++)
        sigaction(s, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

void exec_child(const std::vector<std::string> &argv, const std::vector<env_change> &env, void (*just_before)())
{
    for (const auto &[name, value] : env) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    reset_signals_for_exec();
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    if (just_before)
        just_before();
    execv(args[0], args.data());
    _exit(127);
}

run_result run_program(const std::vector<std::string> &argv,
                       const std::vector<env_change> &env, const std::string &input,
                       const std::string &one_file)
{
    run_result r;
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err))
        return r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        int both = one_file.empty() ? -1 : open(one_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(both >= 0 ? both : out[1], 1);
        dup2(both >= 0 ? both : err[1], 2);
        if (both >= 0)
            close(both);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        exec_child(argv, env);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    // Feed standard input and drain both outputs together so that no pipe fills up.
    signal(SIGPIPE, SIG_IGN);
    std::size_t fed = 0;
    int infd = in[1];
    if (input.empty()) {
        close(infd);
        infd = -1;
    }
    bool out_open = true, err_open = true;
    while (out_open || err_open) {
        pollfd p[3] = {{out_open ? out[0] : -1, POLLIN, 0},
                       {err_open ? err[0] : -1, POLLIN, 0},
                       {infd, POLLOUT, 0}};
        if (poll(p, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        char buf[4096];
        for (int i = 0; i < 2; i++) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            ssize_t n = read(p[i].fd, buf, sizeof buf);
            if (n > 0)
                (i ? r.err : r.out).append(buf, static_cast<std::size_t>(n));
            else
                (i ? err_open : out_open) = false;
        }
        if (infd >= 0 && (p[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(infd, input.data() + fed, input.size() - fed);
            if (n > 0)
                fed += static_cast<std::size_t>(n);
            if (n <= 0 || fed == input.size()) {
                close(infd);
                infd = -1;
            }
        }
    }
    if (infd >= 0)
        close(infd);
    close(out[0]);
    close(err[0]);
    int ws = 0;
    while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    if (!one_file.empty()) {
        bytes b = read_file(one_file);
        r.out.assign(b.begin(), b.end());
    }
    return r;
}
