#pragma once
// Answers for the prompts from a file instead of the terminal, and the
// `interrupted` flag put back afterwards.
#include "cu/ctrl.h"
#include "support/files.h"

#include <cstdio>
#include <string>

class scripted_answers {
public:
    explicit scripted_answers(const std::string &text)
    {
        write_file(dir_.file("answers"), text);
        in_ = std::fopen(dir_.file("answers").c_str(), "rb");
    }
    ~scripted_answers()
    {
        if (in_)
            std::fclose(in_);
    }
    scripted_answers(const scripted_answers &) = delete;
    scripted_answers &operator=(const scripted_answers &) = delete;
    bool ready() const { return in_ != nullptr; }
    // The stream to hand to the prompts.
    std::FILE *stream() const { return in_; }

private:
    scratch_dir dir_;
    std::FILE *in_ = nullptr;
};

// Tests may mark the run interrupted; the flag is cleared again for the next one.
class interrupted_guard {
public:
    explicit interrupted_guard(int value) { interrupted.store(value); }
    ~interrupted_guard() { interrupted.store(0); }
    interrupted_guard(const interrupted_guard &) = delete;
    interrupted_guard &operator=(const interrupted_guard &) = delete;
};
