// On Linux the terminal's session leader stands in for the owner of the
// console window: the utility leads the session of its terminal when a
// terminal window was opened for it alone, never when a shell started it.
#include "hw/console.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

bool stdin_is_terminal() { return isatty(STDIN_FILENO) == 1; }

int console_owner_pid()
{
    pid_t leader = tcgetsid(STDIN_FILENO);
    return leader < 0 ? -1 : static_cast<int>(leader);
}

int wait_for_key()
{
    std::fflush(stdout);
    termios saved;
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return -1;
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0)
        return -1;
    unsigned char c;
    ssize_t n = read(STDIN_FILENO, &c, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return n == 1 ? c : -1;
}
