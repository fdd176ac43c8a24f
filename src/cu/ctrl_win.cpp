// Control events on Windows come from the console on a thread of their own,
// while the main thread is usually waiting in a line read.
#include "cu/ctrl.h"

#include <windows.h>

namespace {

std::atomic<int> storing{0};
std::atomic<int> reading_input{0};
HANDLE main_thread = nullptr;

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
    // Not even a second event may end the process in the middle of a store.
    while (storing.load() != 0)
        Sleep(10);
    if (!first_control_event())
        return false;
    inject_enter();
    // Returning would let the system end the process (close, logoff,
    // shutdown) before the main thread has finished its run. A read of
    // standard input that the Enter key cannot complete (a pipe, or a read
    // that wants more than a line) is cancelled, until it has ended.
    while (interrupted.load() == 1) {
        if (reading_input.load() != 0 && main_thread)
            CancelSynchronousIo(main_thread);
        Sleep(100);
    }
    return true;
}

void install_console_ctrl_handler()
{
    main_thread = OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId());
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

void console_read_begins()
{
    reading_input.store(1);
}

void console_read_ends()
{
    reading_input.store(0);
}

void hold_control_events()
{
    storing.store(1);
}

void release_control_events()
{
    storing.store(0);
}

void discard_injected_input()
{
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
}
