// Console events that come while a store is in progress, as the system
// delivers them on Windows: on a thread of their own, which must not let the
// process end before the store is over.
#include "answers.h"

#include "cu/ctrl.h"

#include <windows.h>

#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

TEST(ControlHandlerWin, EventsDuringAStoreWaitUntilItEnds)
{
    // A first event is taken when the store is over; a second one (the
    // system would end the process at once) is left to the system then.
    for (int before : {0, 1}) {
        SCOPED_TRACE(before);
        interrupted_guard flag(before);
        std::optional<store_section> store;
        store.emplace();
        std::atomic<int> returned{-1};
        std::thread event([&] { returned = console_ctrl_handler(CTRL_C_EVENT) ? 1 : 0; });
        Sleep(300);
        EXPECT_EQ(returned.load(), -1);
        EXPECT_EQ(interrupted.load(), before);
        store.reset();
        if (before == 0) {
            for (int i = 0; i < 200 && interrupted.load() != 1; i++)
                Sleep(10);
            EXPECT_EQ(interrupted.load(), 1);
            end_of_run_handshake();
        }
        event.join();
        EXPECT_EQ(returned.load(), before == 0 ? 1 : 0);
    }
}
