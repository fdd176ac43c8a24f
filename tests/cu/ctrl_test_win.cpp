// Console events that come while a store is in progress, as the system
// delivers them on Windows: on a thread of their own, which must not let the
// process end before the store has been reported. Wine delivers no close,
// logoff or shutdown event to a program, so the handler is called here as the
// system calls it, with each event type.
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

bool flag_becomes(int value)
{
    for (int i = 0; i < 500 && interrupted.load() != value; i++)
        Sleep(10);
    return interrupted.load() == value;
}

// Exit code of the child: 0 when every check held, else the number of the
// first that failed.
int event_during_a_store(unsigned long type)
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
            return 1;
        store.reset();
        if (!flag_becomes(1))
            return 2;
        Sleep(200);
        if (returned.load() != -1)
            return 3;
        end_of_run_handshake();
        event.join();
        if (returned.load() != 1)
            return 4;
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
            return 5;
        store.reset();
        event.join();
        if (returned.load() != 0)
            return 6;
        std::atomic<bool> began{false};
        std::thread next([&] {
            store_section another;
            began = true;
        });
        next.detach(); // stays blocked until the process ends, as the system would end it
        Sleep(300);
        if (began.load())
            return 7;
    }
    return 0;
}

} // namespace

TEST(ControlHandlerWin, EventsDuringAStoreWaitUntilItHasBeenReported)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        unsigned long type;
        const char *name;
    } events[] = {
        {CTRL_C_EVENT, "Ctrl+C"},
        {CTRL_BREAK_EVENT, "Ctrl+Break"},
        {CTRL_CLOSE_EVENT, "close"},
        {CTRL_LOGOFF_EVENT, "logoff"},
        {CTRL_SHUTDOWN_EVENT, "shutdown"},
    };
    for (const auto &e : events) {
        SCOPED_TRACE(e.name);
        EXPECT_EXIT(std::_Exit(event_during_a_store(e.type)), testing::ExitedWithCode(0), "");
    }
}
