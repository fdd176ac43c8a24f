#include "hw/console.h"

#include <windows.h>

#include <conio.h>
#include <cstdio>

bool stdin_is_terminal()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

int console_owner_pid()
{
    HWND window = GetConsoleWindow();
    if (!window)
        return -1;
    DWORD pid = 0;
    if (GetWindowThreadProcessId(window, &pid) == 0)
        return -1;
    return static_cast<int>(pid);
}

int wait_for_key()
{
    std::fflush(stdout);
    return _getch();
}
