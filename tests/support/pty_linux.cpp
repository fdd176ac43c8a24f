#include "support/pty.h"

#include "support/process_linux.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace {

using clock_type = std::chrono::steady_clock;

int signal_number(control_signal s)
{
    switch (s) {
    case control_signal::interrupt:
        return SIGINT;
    case control_signal::terminate:
        return SIGTERM;
    case control_signal::hangup:
        return SIGHUP;
    case control_signal::quit:
        return SIGQUIT;
    }
    return SIGKILL;
}

// The parent's environment with the changes applied, as NAME=value strings.
std::vector<std::string> child_environment(const std::vector<env_change> &changes)
{
    std::map<std::string, std::string> vars;
    for (char **e = environ; *e; e++) {
        std::string entry = *e;
        std::size_t eq = entry.find('=');
        if (eq != std::string::npos)
            vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto &[name, value] : changes) {
        if (value)
            vars[name] = *value;
        else
            vars.erase(name);
    }
    std::vector<std::string> out;
    for (const auto &[name, value] : vars)
        out.push_back(name + "=" + value);
    return out;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> p;
    for (auto &s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

} // namespace

bool pty_session::supported() { return true; }

int pty_session::killed_status(control_signal s) { return 128 + signal_number(s); }

pty_session::pty_session(const std::vector<std::string> &argv, const std::vector<env_change> &env,
                         const signal_state &signals)
{
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0)
        return;
    const char *name = grantpt(m) == 0 && unlockpt(m) == 0 ? ptsname(m) : nullptr;
    int s = name ? open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (s < 0) {
        close(m);
        return;
    }
    // Canonical input with the signal and end-of-file keys, no echo, output as written.
    termios t;
    tcgetattr(s, &t);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE);
    t.c_lflag |= ICANON | ISIG;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(s, TCSANOW, &t);

    std::vector<std::string> args = argv, vars = child_environment(env);
    std::vector<char *> arg_p = pointers(args), env_p = pointers(vars);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (control_signal c : signals.pending)
        sigaddset(&blocked, signal_number(c));

    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        ioctl(s, TIOCSCTTY, 0);
        dup2(s, 0);
        dup2(s, 1);
        dup2(s, 2);
        reset_signals_for_exec();
        // Ignored signals stay ignored, blocked ones pending, across exec.
        for (control_signal c : signals.ignored)
            std::signal(signal_number(c), SIG_IGN);
        sigprocmask(SIG_SETMASK, &blocked, nullptr);
        for (control_signal c : signals.pending)
            kill(getpid(), signal_number(c));
        execve(arg_p[0], arg_p.data(), env_p.data());
        _exit(127);
    }
    close(s);
    if (pid < 0) {
        close(m);
        return;
    }
    master_ = m;
    pid_ = pid;
}

pty_session::~pty_session()
{
    if (pid_ > 0) {
        kill(static_cast<pid_t>(pid_), SIGKILL);
        waitpid(static_cast<pid_t>(pid_), nullptr, 0);
    }
    if (master_ >= 0)
        close(master_);
}

bool pty_session::read_some(std::chrono::milliseconds timeout)
{
    if (master_ < 0)
        return false;
    pollfd p = {master_, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(timeout.count()));
    if (r < 0 && errno == EINTR)
        return true;
    if (r <= 0)
        return false;
    char buf[4096];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) // EIO once the program has closed the terminal
        return false;
    out_.append(buf, static_cast<std::size_t>(n));
    return true;
}

bool pty_session::expect(const std::string &text, std::chrono::milliseconds timeout)
{
    auto deadline = clock_type::now() + timeout;
    for (;;) {
        std::size_t at = out_.find(text, seen_);
        if (at != std::string::npos) {
            seen_ = at + text.size();
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now());
        if (left.count() <= 0 || !read_some(left))
            return false;
    }
}

void pty_session::type(const std::string &keys)
{
    if (master_ >= 0 && !keys.empty()) {
        ssize_t n = write(master_, keys.data(), keys.size());
        (void)n;
    }
}

void pty_session::send(control_signal s)
{
    if (pid_ > 0)
        kill(static_cast<pid_t>(pid_), signal_number(s));
}

int pty_session::wait(std::chrono::milliseconds timeout)
{
    if (pid_ <= 0)
        return -1;
    auto deadline = clock_type::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now());
        if (left.count() <= 0)
            return -1; // the destructor kills it
        if (!read_some(left))
            break;
    }
    int ws = 0;
    // The terminal closes as the program ends; give it the rest of the time to be reaped.
    for (;;) {
        pid_t r = waitpid(static_cast<pid_t>(pid_), &ws, WNOHANG);
        if (r == static_cast<pid_t>(pid_))
            break;
        if (r < 0 && errno != EINTR)
            return -1;
        if (clock_type::now() >= deadline)
            return -1;
        usleep(1000);
    }
    pid_ = -1;
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
}
