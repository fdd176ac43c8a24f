// The end-of-run pause, on terminals of their own: the utility (on a backing
// file) either leads the terminal's session, as when a terminal window is
// opened for it alone, or is started by a session-leading parent, as by a shell.
#include "support/files.h"
#include "support/process_linux.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

struct terminal_setup {
    const char *name;
    bool leader;         // the utility itself leads the session
    bool stdout_to_file; // standard output redirected away from the terminal
    bool stdin_null;     // standard input not the terminal
    bool pauses;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const terminal_setup &c, std::ostream *os) { *os << c.name; }

const terminal_setup SETUPS[] = {
    {"window_of_its_own", true, false, false, true},
    {"started_from_a_shell", false, false, false, false},
    {"output_redirected", true, true, false, false},
    {"input_not_a_terminal", true, false, true, false},
};

constexpr char PROMPT[] = "\r\nPress any key to continue.\r\n";

struct terminal_run {
    bool exited = false;
    int status = -1;
    std::string screen;
    bool echo_restored = false;
};

using clock_type = std::chrono::steady_clock;

// Runs the utility on a fresh pseudo-terminal; presses one key (no Enter)
// once the terminal has left line mode for it.
terminal_run run_on_terminal(const terminal_setup &s, const std::vector<std::string> &argv,
                             const std::string &out_file)
{
    terminal_run r;
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return r;
    std::string slave_name = ptsname(master);
    int slave = open(slave_name.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0)
        return r;
    pid_t pid = fork();
    if (pid == 0) {
        reset_signals_for_exec();
        setsid();
        int tty = open(slave_name.c_str(), O_RDWR); // becomes the controlling terminal
        dup2(tty, 0);
        dup2(tty, 1);
        dup2(tty, 2);
        if (s.stdout_to_file)
            dup2(open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        if (s.stdin_null)
            dup2(open("/dev/null", O_RDONLY), 0);
        closefrom(3);
        if (s.leader)
            exec_child(argv);
        pid_t child = fork();
        if (child == 0)
            exec_child(argv);
        int ws = 0;
        waitpid(child, &ws, 0);
        _exit(WIFEXITED(ws) ? WEXITSTATUS(ws) : 128);
    }

    bool key_sent = false;
    auto deadline = clock_type::now() + std::chrono::seconds(10);
    int ws = 0;
    while (clock_type::now() < deadline) {
        pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
            char buf[512];
            ssize_t n = read(master, buf, sizeof buf);
            if (n > 0)
                r.screen.append(buf, static_cast<std::size_t>(n));
        }
        termios t;
        if (!key_sent && r.screen.find(PROMPT) != std::string::npos && tcgetattr(slave, &t) == 0 &&
            !(t.c_lflag & ICANON)) {
            key_sent = write(master, "x", 1) == 1;
        }
        if (!r.exited && waitpid(pid, &ws, WNOHANG) == pid) {
            r.exited = true;
            r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
            deadline = std::min(deadline, clock_type::now() + std::chrono::milliseconds(200));
        }
    }
    if (!r.exited) {
        kill(-pid, SIGKILL);
        waitpid(pid, &ws, 0);
    }
    termios t;
    r.echo_restored = tcgetattr(slave, &t) == 0 && (t.c_lflag & ICANON) && (t.c_lflag & ECHO);
    close(slave);
    close(master);
    return r;
}

class terminal_pause : public ::testing::TestWithParam<terminal_setup> {};

TEST_P(terminal_pause, pauses_only_in_a_terminal_of_its_own)
{
    const terminal_setup &s = GetParam();
    scratch_dir dir;
    std::string file = dir.file("nvram.bin"), out_file = dir.file("out.txt");
    write_file(file, bytes{});
    setenv("KELB_DEBUG_CPU_LOCKED", "1", 1);
    setenv("KELB_DEBUG_CPU_EXTENDED_FAMILY", "-1", 1);
    terminal_run r = run_on_terminal(s, {KELB_CU_PATH, "-d", file, "230"}, out_file);
    unsetenv("KELB_DEBUG_CPU_LOCKED");
    unsetenv("KELB_DEBUG_CPU_EXTENDED_FAMILY");

    ASSERT_TRUE(r.exited) << "still waiting; screen:\n" << r.screen;
    EXPECT_EQ(r.status, 0) << r.screen;
    const bytes redirected = read_file(out_file);
    std::string out = s.stdout_to_file ? std::string(redirected.begin(), redirected.end()) : r.screen;
    EXPECT_NE(out.find("Configuration stored successfully."), std::string::npos) << out;
    std::size_t prompt = r.screen.find(PROMPT);
    if (s.pauses) {
        ASSERT_NE(prompt, std::string::npos) << r.screen;
        // The key is neither echoed nor followed by anything.
        EXPECT_EQ(r.screen.substr(prompt), PROMPT);
        EXPECT_TRUE(r.echo_restored);
    } else {
        EXPECT_EQ(prompt, std::string::npos) << r.screen;
        EXPECT_EQ(out.find("Press any key"), std::string::npos) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(console, terminal_pause, ::testing::ValuesIn(SETUPS),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
