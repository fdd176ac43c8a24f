// The control handler's bookkeeping, as the system would call it.
#include "answers.h"

#include "cu/ctrl.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

bool wait_for_flag(int value)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (interrupted.load() != value) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

TEST(ControlHandler, FirstEventHandledUntilTheRunEnds)
{
    interrupted_guard clear(0);
    bool handled = false;
    // The system calls the handler on a thread of its own.
    std::thread event([&] { handled = console_ctrl_handler(0); });
    ASSERT_TRUE(wait_for_flag(1));
    end_of_run_handshake();
    EXPECT_EQ(interrupted.load(), 2);
    event.join();
    EXPECT_TRUE(handled);
    // After the handshake an event is left to the system.
    EXPECT_FALSE(console_ctrl_handler(0));
    EXPECT_EQ(interrupted.load(), 2);
}

TEST(ControlHandler, LaterEventsAreLeftToTheSystem)
{
    interrupted_guard marked(1);
    EXPECT_FALSE(console_ctrl_handler(2));
    EXPECT_EQ(interrupted.load(), 1);
}

TEST(ControlHandler, HandshakeWithoutEventLeavesFlagAlone)
{
    interrupted_guard clear(0);
    end_of_run_handshake();
    EXPECT_EQ(interrupted.load(), 0);
}
