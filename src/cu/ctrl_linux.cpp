// Control events on Linux are the signals INT, TERM, HUP and QUIT. They are
// caught without SA_RESTART, so a line read that is waiting for the terminal
// fails with EINTR and the prompt in progress sees `interrupted`. A store
// blocks every signal that can be blocked, and those that came meanwhile end
// nothing when it is over: the run ends with the store's status.
#include "cu/ctrl.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int CONTROL_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

int null_fd = -1;
sigset_t mask_before_store;
std::atomic<int> reading_console{0};
static_assert(std::atomic<int>::is_always_lock_free);

void on_control_signal(int sig)
{
    int saved = errno;
    if (!console_ctrl_handler(static_cast<unsigned long>(sig))) {
        // The default action takes over; the signal, blocked while its handler
        // runs, is delivered as soon as this returns.
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
    errno = saved;
}

} // namespace

bool console_ctrl_handler(unsigned long)
{
    if (!first_control_event())
        return false;
    // A signal that comes between the prompt's look at `interrupted` and its
    // read would interrupt nothing; with standard input at the null device
    // that read ends at once. Before the dialogue standard input is left
    // alone: it must still be seen to be a terminal.
    if (reading_console.load() != 0 && null_fd >= 0)
        dup2(null_fd, 0);
    return true;
}

void install_console_ctrl_handler()
{
    // A store beyond the process's file-size limit is a failed write (EFBIG)
    // that the run reports, not the silent end that SIGXFSZ would make.
    std::signal(SIGXFSZ, SIG_IGN);
    // Likewise a reader that went away: a write error the run reports (or, for
    // a store's report, outlives), not an end that says the run was killed.
    std::signal(SIGPIPE, SIG_IGN);
    if (null_fd < 0)
        null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    struct sigaction sa = {};
    sa.sa_handler = on_control_signal;
    sigemptyset(&sa.sa_mask);
    for (int s : CONTROL_SIGNALS)
        sigaddset(&sa.sa_mask, s);
    sa.sa_flags = 0;
    sigset_t caught;
    sigemptyset(&caught);
    for (int s : CONTROL_SIGNALS) {
        struct sigaction old = {};
        // A signal the invoker chose to ignore (nohup, background jobs) stays ignored.
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(s, &sa, nullptr);
        sigaddset(&caught, s);
    }
    // Blocked signals would never reach the handler; one already pending is
    // taken now, as an event at the very start of the run.
    sigprocmask(SIG_UNBLOCK, &caught, nullptr);
}

void console_read_begins()
{
    reading_console.store(1);
}

void console_read_ends()
{
    reading_console.store(0);
}

void hold_control_events()
{
    // The system leaves out what cannot be blocked (KILL, STOP).
    sigset_t held;
    sigfillset(&held);
    sigprocmask(SIG_BLOCK, &held, &mask_before_store);
}

void release_control_events()
{
    // Signals that came during the store are taken here, before the mask
    // opens: a control event counts as the run's event, any other is dropped.
    // Only the stop signals of job control are left to act; after them the
    // run goes on as before.
    sigset_t taken;
    sigfillset(&taken);
    for (int s : {SIGTSTP, SIGTTIN, SIGTTOU})
        sigdelset(&taken, s);
    const struct timespec now = {0, 0};
    for (int s; (s = sigtimedwait(&taken, nullptr, &now)) > 0;) {
        for (int c : CONTROL_SIGNALS)
            if (s == c)
                first_control_event();
    }
    sigprocmask(SIG_SETMASK, &mask_before_store, nullptr);
}

// Nothing was injected into the terminal's input.
void discard_injected_input() {}
