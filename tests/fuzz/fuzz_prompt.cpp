// The four prompts over arbitrary input lines. The first input byte picks the
// prompt and its parameters (those of the dialogue's questions, or small
// integer grids); the rest is what the operator types. Every answer returned
// must be the default, the failure value or one of the accepted values.
#include "fuzz_common.h"

#include "cu/prompt.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {

struct int_question { int def, min, max, step; };
constexpr std::array<int_question, 4> int_questions = {{
    {200, 200, 262, 1}, {3200, 2500, 3200, 100}, {2550, 2500, 3200, 100}, {0, -6, 6, 3},
}};

struct decimal_question { float def, max, step; };
constexpr std::array<decimal_question, 4> decimal_questions = {{
    {0.0f, 15.5f, 0.5f}, {25.0f, 87.5f, 12.5f}, {12.5f, 37.5f, 12.5f}, {87.5f, 87.5f, 12.5f},
}};

constexpr std::array<const char *, 4> nb_words = {"auto", "9x", "10x", "11x"};

void ask_int(std::FILE *in, unsigned pick)
{
    const int_question &q = int_questions[pick % int_questions.size()];
    for (;;) {
        int r = prompt_int(in, "Reference clock", q.def, q.min, q.max, q.step);
        if (r == -1)
            return;
        if (r != q.def && (r < q.min || r > q.max || (r - q.min) % q.step != 0))
            fuzz_fail("prompt_int returned a value off its grid");
    }
}

void ask_yes_no(std::FILE *in, unsigned pick)
{
    int def = pick & 1;
    for (;;) {
        int r = prompt_yes_no(in, "Change advanced HT options", def);
        if (r == -1)
            return;
        if (r != 0 && r != 1)
            fuzz_fail("prompt_yes_no returned neither yes nor no");
    }
}

void ask_decimal(std::FILE *in, unsigned pick)
{
    const decimal_question &q = decimal_questions[pick % decimal_questions.size()];
    for (;;) {
        float r = prompt_decimal(in, "Core voltage adjustment (USE WITH CARE) -- mV", q.def, q.max, q.step);
        if (r == -1.0f)
            return;
        // The steps are exact binary fractions, so the grid test is exact too.
        if (r != q.def && (!(r >= 0.0f && r <= q.max) || std::fmod(r, q.step) != 0.0f))
            fuzz_fail("prompt_decimal returned a value off its grid");
    }
}

void ask_choice(std::FILE *in, unsigned pick)
{
    int def = static_cast<int>(pick % 6); // 4 and 5 are no index of the list
    for (;;) {
        int r = prompt_choice(in, "Northbridge frequency multiplier", nb_words, def);
        if (r < 0)
            return;
        if (r >= static_cast<int>(nb_words.size()))
            fuzz_fail("prompt_choice returned an index past its words");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    unsigned pick = data[0];
    std::FILE *in = fmemopen(const_cast<std::uint8_t *>(data + 1), size - 1, "r");
    if (size == 1)
        in = std::fopen("/dev/null", "r");
    if (!in)
        fuzz_fail("cannot open the input lines");
    switch (pick & 3) {
    case 0: ask_int(in, pick >> 2); break;
    case 1: ask_yes_no(in, pick >> 2); break;
    case 2: ask_decimal(in, pick >> 2); break;
    default: ask_choice(in, pick >> 2); break;
    }
    std::fclose(in);
    return 0;
}
