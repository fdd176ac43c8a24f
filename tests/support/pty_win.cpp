// No pseudo-terminals here: every session fails to start and tests skip.
#include "support/pty.h"

bool pty_session::supported() { return false; }
int pty_session::killed_status(control_signal) { return -1; }
pty_session::pty_session(const std::vector<std::string> &, const std::vector<env_change> &,
                         const signal_state &) {}
pty_session::~pty_session() = default;
bool pty_session::expect(const std::string &, std::chrono::milliseconds) { return false; }
void pty_session::type(const std::string &) {}
void pty_session::send(control_signal) {}
int pty_session::wait(std::chrono::milliseconds) { return -1; }
bool pty_session::read_some(std::chrono::milliseconds) { return false; }
