// Control events on Windows come from the console on a thread of their own,
// while the main thread is usually waiting in a line read.
#include "cu/ctrl.h"

#include <windows.h>

namespace {

// A store in progress (1), none (0), or none ever again (-1): a handler is
// about to let the system end the process, and a store that began now would
// be cut off after its first bytes.
constexpr int NO_STORE = 0, STORING = 1, ENDING = -1;
std::atomic<int> storing{NO_STORE};
std::atomic<int> reading_input{0};
HANDLE main_thread = nullptr;

BOOL WINAPI on_console_event(DWORD type)
{
    return console_ctrl_handler(type) ? TRUE : FALSE;
}

// The Enter key's scan code (set 1), which a console reader may look at.
constexpr WORD ENTER_SCAN_CODE = 0x1C;

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
        k.wVirtualScanCode = ENTER_SCAN_CODE;
        k.uChar.AsciiChar = '\r';
        k.dwControlKeyState = 0;
    }
    DWORD written = 0;
    WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), keys, 2, &written);
}

// Waits for the store in progress to end, then bars every later one.
void claim_end_of_stores()
{
    for (int none = NO_STORE; !storing.compare_exchange_strong(none, ENDING); none = NO_STORE) {
        if (none == ENDING)
            return;
        Sleep(10);
    }
}

// After these the system ends the process whatever the handler answers, once
// it returns or after a time (5 s unless the machine is set otherwise).
bool ends_the_session(unsigned long type)
{
    return type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
}

// How long a handler of such an event waits for the run to end before it
// bars the stores: well within the system's time, so that the system never
// finds one in progress.
constexpr ULONGLONG SESSION_END_WAIT_MS = 3000;

} // namespace

bool console_ctrl_handler(unsigned long type)
{
    // Not even a second event may end the process in the middle of a store.
    while (storing.load() == STORING)
        Sleep(10);
    if (!first_control_event()) {
        // The system ends the process once this returns.
        claim_end_of_stores();
        return false;
    }
    inject_enter();
    // Returning would let the system end the process (close, logoff,
    // shutdown) before the main thread has finished its run. A read of
    // standard input that the Enter key cannot complete (a pipe, or a read
    // that wants more than a line) is cancelled, until it has ended.
    const ULONGLONG since = GetTickCount64();
    while (interrupted.load() == 1) {
        if (ends_the_session(type) && GetTickCount64() - since >= SESSION_END_WAIT_MS) {
            claim_end_of_stores();
            break;
        }
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
    // The process is about to end: no store begins, nothing is written.
    for (int none = NO_STORE; !storing.compare_exchange_strong(none, STORING); none = NO_STORE)
        Sleep(INFINITE);
}

void release_control_events()
{
    storing.store(NO_STORE);
}

void discard_injected_input()
{
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
}
