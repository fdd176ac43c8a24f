// Console events that come while a store is in progress, as the system
// delivers them on Windows: on a thread of their own, which must not let the
// process end before the store has been reported. A program can raise only
// Ctrl+C and Ctrl+Break (GenerateConsoleCtrlEvent), and a console under wine
// raises no close, logoff or shutdown event, so the handler is called here as
// the system calls it, on a thread of its own, with each event type.
//
// Each case runs in a process of its own (a death test): an event left to the
// system bars every later store of the process for good, as the system is
// then about to end it.
#include "answers.h"

#include "cu/ctrl.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

const struct {
    unsigned long type;
    const char *name;
    bool ends_the_session;
} EVENTS[] = {
    {CTRL_C_EVENT, "Ctrl+C", false},
    {CTRL_BREAK_EVENT, "Ctrl+Break", false},
    {CTRL_CLOSE_EVENT, "close", true},
    {CTRL_LOGOFF_EVENT, "logoff", true},
    {CTRL_SHUTDOWN_EVENT, "shutdown", true},
};

// Ends the child at once with the number of the check that failed (never 3,
// which an abort gives), whatever its threads are doing.
[[noreturn]] void fail(int check)
{
    std::_Exit(check);
}

bool flag_becomes(int value)
{
    for (int i = 0; i < 500 && interrupted.load() != value; i++)
        Sleep(10);
    return interrupted.load() == value;
}

void event_during_a_store(unsigned long type)
{
    {
        // A first event is taken once the store has been reported, and the
        // handler keeps the process alive until the run has ended.
        interrupted_guard flag(0);
        std::optional<store_section> store;
        store.emplace();
        std::atomic<int> returned{-1};
        std::thread event([&] { returned = console_ctrl_handler(type) ? 1 : 0; });
        Sleep(300);
        if (returned.load() != -1 || interrupted.load() != 0)
            fail(21);
        store.reset();
        if (!flag_becomes(1))
            fail(22);
        Sleep(200);
        if (returned.load() != -1)
            fail(23);
        end_of_run_handshake();
        event.join();
        if (returned.load() != 1)
            fail(24);
    }
    {
        // A second event is left to the system, which ends the process at
        // once, but only after the store; no store begins after it.
        interrupted_guard flag(1);
        std::optional<store_section> store;
        store.emplace();
        std::atomic<int> returned{-1};
        std::thread event([&] { returned = console_ctrl_handler(type) ? 1 : 0; });
        Sleep(300);
        if (returned.load() != -1)
            fail(25);
        store.reset();
        event.join();
        if (returned.load() != 0)
            fail(26);
        std::atomic<bool> began{false};
        std::thread next([&] {
            store_section another;
            began = true;
        });
        next.detach(); // stays blocked until the process ends, as the system would end it
        Sleep(300);
        if (began.load())
            fail(27);
    }
}

// An event with no store in progress, and a run that does not end: the
// handler of a close, logoff or shutdown event, which the system follows by
// ending the process within seconds, bars the stores after a while and
// returns; a Ctrl+C or Ctrl+Break handler waits for the run's end.
void event_before_a_store(unsigned long type, bool ends_the_session)
{
    interrupted_guard flag(0);
    std::atomic<int> returned{-1};
    std::thread event([&] { returned = console_ctrl_handler(type) ? 1 : 0; });
    // Beyond the handler's wait, and within the system's time.
    for (int i = 0; i < (ends_the_session ? 45 : 40) && returned.load() == -1; i++)
        Sleep(100);
    if (!ends_the_session) {
        if (returned.load() != -1)
            fail(31);
        end_of_run_handshake();
        event.join();
        if (returned.load() != 1)
            fail(32);
        return;
    }
    if (returned.load() != 1)
        fail(33);
    event.join();
    std::atomic<bool> began{false};
    std::thread next([&] {
        store_section another;
        began = true;
    });
    next.detach();
    Sleep(300);
    if (began.load())
        fail(34);
}

} // namespace

TEST(ControlHandlerWin, EventsDuringAStoreWaitUntilItHasBeenReported)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const auto &e : EVENTS) {
        SCOPED_TRACE(e.name);
        EXPECT_EXIT((event_during_a_store(e.type), std::_Exit(0)), testing::ExitedWithCode(0), "");
    }
}

TEST(ControlHandlerWin, EndOfSessionBarsStoresBeforeTheSystemEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const auto &e : EVENTS) {
        SCOPED_TRACE(e.name);
        EXPECT_EXIT((event_before_a_store(e.type, e.ends_the_session), std::_Exit(0)), testing::ExitedWithCode(0), "");
    }
}
