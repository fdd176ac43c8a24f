// The four console questions over scripted answers: question texts, what is
// accepted, over-long lines, defaults, end of input and interruption.
#include "answers.h"

#include "cu/prompt.h"
#include "support/capture.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The question printed `times` times, each repeat after an end of line when
// `newline` says so (a discarded chunk) and directly otherwise (a refused answer).
std::string repeated(const std::string &q, const std::vector<bool> &newline_before_repeat)
{
    std::string out = q;
    for (bool nl : newline_before_repeat)
        out += (nl ? "\n" : "") + q;
    return out;
}

template <typename T> struct outcome {
    T value;
    std::string transcript;
};

template <typename T> outcome<T> ask(const std::string &input, const std::function<T(std::FILE *)> &question)
{
    scripted_answers answers(input);
    EXPECT_TRUE(answers.ready());
    outcome<T> o{};
    o.transcript = capture_stdout([&] { o.value = question(answers.stream()); });
    return o;
}

struct int_case {
    const char *input;
    int def;
    int want;
    std::vector<bool> repeats;
};

} // namespace

TEST(PromptInt, HtCapGridAndDefaults)
{
    const std::string q = "HT cap (2500-3200) [3000]? ";
    const int_case cases[] = {
        {"2600\n", 3000, 2600, {}},
        {" 2600\n", 3000, 2600, {}},
        {"2600a\n", 3000, 2600, {}},
        {"2600ab\n", 3000, 2600, {}},
        {"2500\n", 3000, 2500, {}},
        {"3200\n", 3000, 3200, {}},
        {"2550\n2600\n", 3000, 2600, {false}},
        {"3300\n2400\nabc\n-2600\n\n", 3000, 3000, {false, false, false, false}},
        {"3300\n", 3000, -1, {false}},
        {"", 3000, -1, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        auto o = ask<int>(c.input, [&](std::FILE *in) { return prompt_int(in, "HT cap", c.def, 2500, 3200, 100); });
        EXPECT_EQ(o.value, c.want);
        EXPECT_EQ(o.transcript, repeated(q, c.repeats));
    }
}

TEST(PromptInt, EnterReturnsDefaultOffTheGrid)
{
    auto o = ask<int>("\n", [](std::FILE *in) { return prompt_int(in, "HT cap", 2550, 2500, 3200, 100); });
    EXPECT_EQ(o.value, 2550);
    EXPECT_EQ(o.transcript, "HT cap (2500-3200) [2550]? ");
}

TEST(PromptInt, LongLinesAreDiscardedWhole)
{
    const std::string q = "Reference clock (200-262) [230]? ";
    const int_case cases[] = {
        // Seven digits: one chunk without its end of line, then the end of line.
        {"1234567\n", 230, -1, {true, true}},
        {"1234567\n240\n", 230, 240, {true, true}},
        // Fourteen characters: two full chunks and the end of line.
        {"20120120120120\n250\n", 230, 250, {true, true, true}},
        // Six characters and the end of line fit and are interpreted (and refused).
        {"201201\n", 230, -1, {false}},
        // A long line whose last chunk holds a valid answer is still discarded.
        {"0000000201\n", 230, -1, {true, true}},
        // Input that ends inside a line.
        {"22", 230, -1, {true}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        auto o = ask<int>(c.input,
                          [&](std::FILE *in) { return prompt_int(in, "Reference clock", c.def, 200, 262, 1); });
        EXPECT_EQ(o.value, c.want);
        EXPECT_EQ(o.transcript, repeated(q, c.repeats));
    }
}

TEST(PromptInt, EmptyRangeAcceptsNothing)
{
    auto o = ask<int>("5\n4\n\n", [](std::FILE *in) { return prompt_int(in, "Odd", 9, 5, 4, 1); });
    EXPECT_EQ(o.value, 9);
    EXPECT_EQ(o.transcript, repeated("Odd (5-4) [9]? ", {false, false}));
}

TEST(PromptInt, StepThatDoesNotAdvanceAcceptsOnlyTheLowest)
{
    auto o = ask<int>("6\n5\n", [](std::FILE *in) { return prompt_int(in, "Flat", 5, 5, 9, 0); });
    EXPECT_EQ(o.value, 5);
    EXPECT_EQ(o.transcript, repeated("Flat (5-9) [5]? ", {false}));
}

TEST(PromptYesNo, WholeLineIgnoringCase)
{
    struct yn_case {
        const char *input;
        int def;
        int want;
        int refused;
    };
    const yn_case cases[] = {
        {"yes\n", 0, 1, 0}, {"YES\n", 0, 1, 0}, {"Yes\n", 0, 1, 0}, {"no\n", 1, 0, 0},
        {"nO\n", 1, 0, 0},  {"y\nno\n", 1, 0, 1}, {" yes\nno\n", 1, 0, 1},
        {"yes no\nno\n", 1, 0, 1}, {"n\nyes \nyes\n", 0, 1, 2}, {"\n", 0, 0, 0},
        {"\n", 1, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        auto o = ask<int>(c.input, [&](std::FILE *in) { return prompt_yes_no(in, "Go", c.def); });
        EXPECT_EQ(o.value, c.want);
        std::string q = std::string("Go (no/yes) [") + (c.def ? "yes" : "no") + "]? ";
        EXPECT_EQ(o.transcript, repeated(q, std::vector<bool>(static_cast<std::size_t>(c.refused), false)));
    }
}

TEST(PromptYesNo, EnterReturnsTheDefaultItself)
{
    auto o = ask<int>("\n", [](std::FILE *in) { return prompt_yes_no(in, "Go", 5); });
    EXPECT_EQ(o.value, 5);
    EXPECT_EQ(o.transcript, "Go (no/yes) [yes]? ");
}

TEST(PromptYesNo, LineWithNulIsNotTheWord)
{
    auto o = ask<int>(std::string("yes\0\nno\n", 8), [](std::FILE *in) { return prompt_yes_no(in, "Go", 1); });
    EXPECT_EQ(o.value, 0);
    EXPECT_EQ(o.transcript, repeated("Go (no/yes) [yes]? ", {false}));
}

TEST(PromptDecimal, ListedValuesUpToRatioSeven)
{
    const std::string q = "Vcore (+0.0/+12.5/+25.0/+37.5/+50.0/+62.5/+75.0/+87.5) [+25.0]? ";
    struct dec_case {
        const char *input;
        float want;
        int refused;
    };
    const dec_case cases[] = {
        {"12.5\n", 12.5f, 0}, {"+12.5\n", 12.5f, 0}, {"1.25e1\n", 12.5f, 0}, {"0\n", 0.0f, 0},
        {"87.5\n", 87.5f, 0}, {"\n", 25.0f, 0},     {"12\n-12.5\n100\n50\n", 50.0f, 3},
        {"nan\ninf\n", -1.0f, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        auto o = ask<float>(c.input, [](std::FILE *in) { return prompt_decimal(in, "Vcore", 25.0f, 87.5f, 12.5f); });
        EXPECT_EQ(o.value, c.want);
        EXPECT_EQ(o.transcript, repeated(q, std::vector<bool>(static_cast<std::size_t>(c.refused), false)));
    }
}

TEST(PromptDecimal, QuestionForms)
{
    struct form_case {
        float def, max, step;
        const char *question;
    };
    const form_case cases[] = {
        {0.0f, 15.5f, 0.5f, "X (+0.0 through +15.5, every 0.5) [+0.0]? "},
        {12.5f, 37.5f, 12.5f, "X (+0.0/+12.5/+25.0/+37.5) [+12.5]? "},
        {3.0f, 7.0f, 1.0f, "X (+0.0/+1.0/+2.0/+3.0/+4.0/+5.0/+6.0/+7.0) [+3.0]? "},
        {3.0f, 8.0f, 1.0f, "X (+0.0 through +8.0, every 1.0) [+3.0]? "},
        // max not a multiple of step: the list ends with the separator.
        {0.0f, 30.0f, 12.5f, "X (+0.0/+12.5/+25.0/) [+0.0]? "},
        {0.0f, 0.0f, 1.0f, "X (+0.0) [+0.0]? "},
        // The ratio is 7 only in single precision (7.0000001 in double).
        {0.0f, 0x1.c00004p2f, 0x1.000002p0f, "X (+0.0/+1.0/+2.0/+3.0/+4.0/+5.0/+6.0/+7.0/) [+0.0]? "},
        // Six single-precision steps of 0.1 reach 0.6f exactly; in double they would not.
        {0.0f, 0.6f, 0.1f, "X (+0.0/+0.1/+0.2/+0.3/+0.4/+0.5/+0.6) [+0.0]? "},
        {0.0f, 0.7f, 0.1f, "X (+0.0/+0.1/+0.2/+0.3/+0.4/+0.5/+0.6/) [+0.0]? "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.question);
        auto o = ask<float>("", [&](std::FILE *in) { return prompt_decimal(in, "X", c.def, c.max, c.step); });
        EXPECT_EQ(o.value, -1.0f);
        EXPECT_EQ(o.transcript, c.question);
    }
}

TEST(PromptDecimal, RangeFormAcceptance)
{
    auto o = ask<float>("15.7\n16\n-0.5\n15.5\n",
                        [](std::FILE *in) { return prompt_decimal(in, "M", 0.0f, 15.5f, 0.5f); });
    EXPECT_EQ(o.value, 15.5f);
    EXPECT_EQ(o.transcript, repeated("M (+0.0 through +15.5, every 0.5) [+0.0]? ", {false, false, false}));
    auto z = ask<float>("0\n", [](std::FILE *in) { return prompt_decimal(in, "M", 3.0f, 15.5f, 0.5f); });
    EXPECT_EQ(z.value, 0.0f);
}

TEST(PromptDecimal, GridSumsAreComparedInDoublePrecision)
{
    // Sums of 0.1f in double precision miss the single-precision answers 0.3
    // and 0.5 (sums in single precision would hit them); steps of 0.25 are exact.
    auto o = ask<float>("0.3\n0.5\n\n", [](std::FILE *in) { return prompt_decimal(in, "P", 0.0f, 0.6f, 0.1f); });
    EXPECT_EQ(o.value, 0.0f);
    EXPECT_EQ(o.transcript, repeated("P (+0.0/+0.1/+0.2/+0.3/+0.4/+0.5/+0.6) [+0.0]? ", {false, false}));
    auto q = ask<float>("0.75\n", [](std::FILE *in) { return prompt_decimal(in, "Q", 0.0f, 1.0f, 0.25f); });
    EXPECT_EQ(q.value, 0.75f);
}

TEST(PromptDecimalDeathTest, PreconditionsInOrder)
{
    struct bad_case {
        float def, max, step;
        const char *text;
    };
    const bad_case cases[] = {
        {0.0f, 10.0f, 0.0f, "Assertion `step > 0' failed"},
        {0.0f, -1.0f, -1.0f, "Assertion `step > 0' failed"},
        {0.0f, -1.0f, 0.5f, "Assertion `min <= max' failed"},
        {-0.5f, -1.0f, 0.5f, "Assertion `min <= max' failed"},
        {-0.5f, 10.0f, 0.5f, "Assertion `def >= min' failed"},
        {100.0f, 87.5f, 12.5f, "Assertion `def <= max' failed"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DEATH(prompt_decimal(stdin, "Bad", c.def, c.max, c.step), c.text);
    }
}

TEST(PromptChoice, WordsExactlyAndDefaultIndex)
{
    // The list is the first four words of a longer array, so a read past its
    // end shows as the fifth word instead of going unnoticed.
    const std::array<const char *, 5> stored = {"auto", "9x", "10x", "11x", "12x"};
    const std::span<const char *const> words(stored.data(), 4);
    struct choice_case {
        const char *input;
        int def;
        int want;
        int refused;
        const char *shown;
    };
    const choice_case cases[] = {
        {"\n", 4, 0, 0, "auto"},      {"\n", 5, 0, 0, "auto"},      {"\n", 7, 0, 0, "auto"},
        {"\n", -1, 0, 0, "auto"},     {"\n", 3, 3, 0, "11x"},       {"12x\n\n", 4, 0, 1, "auto"},
        {"10x\n", 5, 2, 0, "auto"},   {"auto\n", 1, 0, 0, "9x"},     {"10X\n10x \n9x\n", 0, 1, 2, "auto"},
        {" 9x\n9\n", 2, -1, 2, "10x"}, {"11x", 2, -1, 1, "10x"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        auto o = ask<int>(c.input, [&](std::FILE *in) { return prompt_choice(in, "NB", words, c.def); });
        EXPECT_EQ(o.value, c.want);
        std::string q = std::string("NB (auto/9x/10x/11x) [") + c.shown + "]? ";
        // An input that ends inside a line ends its chunk with an end of line.
        std::vector<bool> repeats(static_cast<std::size_t>(c.refused), false);
        if (std::string(c.input) == "11x")
            repeats = {true};
        EXPECT_EQ(o.transcript, repeated(q, repeats));
    }
}

TEST(PromptChoice, NoWordsNoQuestion)
{
    auto o = ask<int>("\n", [](std::FILE *in) { return prompt_choice(in, "NB", std::span<const char *const>(), 0); });
    EXPECT_EQ(o.value, -1);
    EXPECT_EQ(o.transcript, "");
}

TEST(Prompts, InterruptedRunGetsFailureValues)
{
    interrupted_guard marked(1);
    const std::array<const char *, 2> words = {"a", "b"};
    auto i = ask<int>("230\n", [](std::FILE *in) { return prompt_int(in, "R", 200, 200, 262, 1); });
    auto y = ask<int>("yes\n", [](std::FILE *in) { return prompt_yes_no(in, "Y", 0); });
    auto d = ask<float>("0.5\n", [](std::FILE *in) { return prompt_decimal(in, "D", 0.0f, 15.5f, 0.5f); });
    auto c = ask<int>("a\n", [&](std::FILE *in) { return prompt_choice(in, "C", words, 1); });
    EXPECT_EQ(i.value, -1);
    EXPECT_EQ(y.value, -1);
    EXPECT_EQ(d.value, -1.0f);
    EXPECT_EQ(c.value, -1);
    // The question is still shown; nothing follows it.
    EXPECT_EQ(i.transcript, "R (200-262) [200]? ");
    EXPECT_EQ(y.transcript, "Y (no/yes) [no]? ");
    EXPECT_EQ(d.transcript, "D (+0.0 through +15.5, every 0.5) [+0.0]? ");
    EXPECT_EQ(c.transcript, "C (a/b) [b]? ");
}

TEST(Prompts, EndOfInputAtFirstQuestionPrintsNothingMore)
{
    auto y = ask<int>("", [](std::FILE *in) { return prompt_yes_no(in, "Y", 1); });
    EXPECT_EQ(y.value, -1);
    EXPECT_EQ(y.transcript, "Y (no/yes) [yes]? ");
}
