#pragma once
// A program run on a pseudo-terminal and driven as a person at its keyboard
// would: read what it printed until a text appears, then type. The terminal
// neither echoes nor translates, so the transcript is exactly what the program
// wrote on standard output and standard error, in order; ^C, ^\ and ^D keep
// their terminal meanings.
#include "support/process.h"

#include <chrono>
#include <string>
#include <vector>

enum class control_signal { interrupt, terminate, hangup, quit };

// How the program finds its signals when it starts: `pending` ones are pending
// and blocked until it unblocks them, `ignored` ones are ignored, every other
// one has its default action.
struct signal_state {
    std::vector<control_signal> pending = {};
    std::vector<control_signal> ignored = {};
};

class pty_session {
public:
    // false where the platform has no pseudo-terminals; tests skip then.
    static bool supported();
    // The status wait() reports for a program ended by `s`.
    static int killed_status(control_signal s);

    // Starts argv[0] with the parent's environment changed by `env`.
    explicit pty_session(const std::vector<std::string> &argv, const std::vector<env_change> &env = {},
                         const signal_state &signals = {});
    ~pty_session();
    pty_session(const pty_session &) = delete;
    pty_session &operator=(const pty_session &) = delete;

    bool started() const { return pid_ > 0; }
    // Reads output until `text` appears after what earlier calls consumed;
    // false when the output ends or the time runs out first.
    bool expect(const std::string &text, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Keystrokes, as typed on the terminal.
    void type(const std::string &keys);
    // Sends a signal to the program directly.
    void send(control_signal s);
    // Reads the rest of the output and waits for the end: the exit status, or
    // 128 + the number of the signal that ended it; -1 on timeout (the program is killed).
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    const std::string &transcript() const { return out_; }

private:
    // Reads what is available within `timeout`; false at end of output or timeout.
    bool read_some(std::chrono::milliseconds timeout);
    int master_ = -1;
    long pid_ = -1;
    std::string out_;
    std::size_t seen_ = 0;
};
