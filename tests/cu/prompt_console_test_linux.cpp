// A prompt that reads standard input reads the console: a control event
// meanwhile points descriptor 0 at the null device, so that a read that had
// not begun yet ends at once. A prompt on another stream leaves descriptor 0
// alone.
#include "cu/ctrl.h"
#include "cu/prompt.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

enum : int { FD0_NULL_DEVICE = 10, FD0_STILL_PIPE = 11, PROMPT_DID_NOT_FAIL = 12, SETUP_FAILED = 13 };

// Runs in a child of the test (the handler stays installed). Descriptor 0 is
// a pipe; the prompt reads standard input or a pipe of its own. Once its
// question is out, an event comes, then a line on both pipes, which the read
// in progress returns and the prompt refuses for the event.
[[noreturn]] void prompt_with_event(bool on_stdin)
{
    int console[2], own[2], shown[2];
    if (pipe(console) != 0 || pipe(own) != 0 || pipe(shown) != 0 || dup2(console[0], 0) != 0 ||
        dup2(shown[1], 1) != 1)
        std::_Exit(SETUP_FAILED);
    std::FILE *in = on_stdin ? stdin : fdopen(own[0], "r");
    if (!in)
        std::_Exit(SETUP_FAILED);
    install_console_ctrl_handler();
    std::thread operator_side([&] {
        const std::string question = "Go (no/yes) [no]? ";
        std::string seen;
        char c;
        while (seen.size() < question.size() && read(shown[0], &c, 1) == 1)
            seen += c;
        // From the question's flush to the read there are a few instructions.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        console_ctrl_handler(SIGINT);
        if (write(console[1], "yes\n", 4) != 4 || write(own[1], "yes\n", 4) != 4)
            std::_Exit(SETUP_FAILED);
    });
    int answer = prompt_yes_no(in, "Go", 0);
    operator_side.join();
    struct stat st = {};
    if (answer != -1)
        std::_Exit(PROMPT_DID_NOT_FAIL);
    if (fstat(0, &st) != 0)
        std::_Exit(SETUP_FAILED);
    std::_Exit(S_ISCHR(st.st_mode) ? FD0_NULL_DEVICE : S_ISFIFO(st.st_mode) ? FD0_STILL_PIPE : SETUP_FAILED);
}

} // namespace

TEST(PromptConsole, OnlyAReadOfStandardInputIsAConsoleRead)
{
    EXPECT_EXIT(prompt_with_event(true), testing::ExitedWithCode(FD0_NULL_DEVICE), "");
    EXPECT_EXIT(prompt_with_event(false), testing::ExitedWithCode(FD0_STILL_PIPE), "");
}
