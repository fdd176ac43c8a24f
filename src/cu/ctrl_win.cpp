// Control events on Windows come from the console on a thread of their own,
// while the main thread is usually waiting in a line read.
#include "cu/ctrl.h"

#include <windows.h>

namespace {

BOOL WINAPI on_console_event(DWORD type)
{
    return console_ctrl_handler(type) ? TRUE : FALSE;
}

// An Enter key press and release completes the line read in progress.
void inject_enter()
{
    INPUT_RECORD keys[2] = {};
    for (int i = 0; i < 2; i++) {
        keys[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD &k = keys[i].Event.KeyEvent;
        k.bKeyDown = i == 0;
        k.wRepeatCount = 0;
        k.wVirtualKeyCode = VK_RETURN;
        k.wVirtualScanCode = 0x1C;
        k.uChar.AsciiChar = '\r';
        k.dwControlKeyState = 0;
    }
    DWORD written = 0;
    WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), keys, 2, &written);
}

} // namespace

bool console_ctrl_handler(unsigned long)
{
    if (!first_control_event())
        return false;
    inject_enter();
    // Returning would let the system end the process (close, logoff,
    // shutdown) before the main thread has finished its run.
    while (interrupted.load() == 1)
        Sleep(100);
    return true;
}

void install_console_ctrl_handler()
{
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

// The injected Enter key takes care of a read that is about to start.
void console_read_begins() {}

void discard_injected_input()
{
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
}
