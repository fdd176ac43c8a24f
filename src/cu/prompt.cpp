#include "cu/prompt.h"

#include "cu/ctrl.h"
#include "runtime/diagnostics.h"

#include <cstdlib>
#include <cstring>

namespace {

enum class line { answer, ask_again, failed };

// One line of the question loop, read after the question has been printed.
// A line that does not fit the buffer is never interpreted: each chunk of it
// is answered with an end of line and the question again, the last chunk too.
line read_line(std::FILE *in, char (&buf)[INPUT_LINE_SIZE], bool *discarding, std::size_t *length)
{
    if (in == stdin)
        console_read_begins();
    // A control event that came before this read leaves nothing to wait for.
    if (interrupted.load() != 0)
        return line::failed;
    // Zero-filled, so the last byte that is not NUL is the last one read even
    // when the line carries a NUL of its own.
    std::memset(buf, 0, sizeof buf);
    bool read = std::fgets(buf, sizeof buf, in) != nullptr;
    if (in == stdin)
        console_read_ends();
    if (!read || interrupted.load() != 0)
        return line::failed;
    int last = INPUT_LINE_SIZE - 1;
    while (last > 0 && buf[last] == '\0')
        last--;
    if (buf[last] != '\n') {
        std::printf("\n");
        *discarding = true;
        return line::ask_again;
    }
    if (*discarding) {
        std::printf("\n");
        *discarding = false;
        return line::ask_again;
    }
    *length = static_cast<std::size_t>(last) + 1;
    return line::answer;
}

// The question loop shared by every prompt: asks until a whole line fits,
// then leaves it in `buf` (n bytes with its end of line).
struct answer_reader {
    explicit answer_reader(std::FILE *stream) : in(stream) {}
    std::FILE *in;
    char buf[INPUT_LINE_SIZE];
    std::size_t n = 0;
    bool discarding = false;

    // false on end of input or a control event.
    template <class Question> bool next(Question ask)
    {
        for (;;) {
            ask();
            std::fflush(stdout);
            line got = read_line(in, buf, &discarding, &n);
            if (got == line::failed)
                return false;
            if (got == line::answer)
                return true;
        }
    }
};

bool plain_enter(const char *buf)
{
    return buf[0] == '\n';
}

// The whole text read (n bytes, NULs included) against a word.
bool same_text(const char *text, std::size_t n, const char *word, bool ignore_case)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (std::strlen(word) != n)
        return false;
    for (std::size_t i = 0; i < n; i++) {
        if (ignore_case ? lower(text[i]) != lower(word[i]) : text[i] != word[i])
            return false;
    }
    return true;
}

bool on_int_grid(int v, int min, int max, int step)
{
    if (min > max)
        return false;
    if (v == min)
        return true;
    // Repeated integer addition reaches exactly the values min + k*step; a
    // step that does not advance reaches none beyond min.
    if (step <= 0 || v < min || v > max)
        return false;
    return (static_cast<long long>(v) - min) % step == 0;
}

bool on_decimal_grid(float x, float max, float step)
{
    if (x == 0)
        return true;
    // Candidates by repeated addition, compared exactly; the loop also ends
    // where the sum no longer grows.
    const double want = x, limit = max, inc = step;
    for (double s = inc; s <= limit && s <= want;) {
        if (s == want)
            return true;
        double next = s + inc;
        if (next == s)
            break;
        s = next;
    }
    return false;
}

// A broken precondition is a programming error of the caller.
void require(bool holds, const char *text)
{
    if (holds)
        return;
    report_error("prompt_decimal: Assertion `%s' failed.\n", text);
    std::abort();
}

} // namespace

int prompt_int(std::FILE *in, const char *label, int def, int min, int max, int step)
{
    answer_reader r(in);
    while (r.next([&] { std::printf("%s (%d-%d) [%d]? ", label, min, max, def); })) {
        if (plain_enter(r.buf))
            return def;
        int v;
        if (std::sscanf(r.buf, "%d\n", &v) == 1 && on_int_grid(v, min, max, step))
            return v;
    }
    return -1;
}

int prompt_yes_no(std::FILE *in, const char *label, int def)
{
    answer_reader r(in);
    while (r.next([&] { std::printf("%s (no/yes) [%s]? ", label, def ? "yes" : "no"); })) {
        if (plain_enter(r.buf))
            return def;
        if (same_text(r.buf, r.n, "yes\n", true))
            return 1;
        if (same_text(r.buf, r.n, "no\n", true))
            return 0;
    }
    return -1;
}

float prompt_decimal(std::FILE *in, const char *label, float def, float max, float step)
{
    const float min = 0;
    require(step > 0, "step > 0");
    require(min <= max, "min <= max");
    require(def >= min, "def >= min");
    require(def <= max, "def <= max");
    const float ratio = max / step;

    auto ask = [&] {
        std::printf("%s (", label);
        if (ratio > 7.0f) {
            std::printf("%+.1f through %+.1f, every %.1f", min, max, step);
        } else {
            float v = min;
            for (; v < max; v += step)
                std::printf("%+.1f/", v);
            if (v == max)
                std::printf("%+.1f", v);
        }
        std::printf(") [%+.1f]? ", def);
    };
    answer_reader r(in);
    while (r.next(ask)) {
        if (plain_enter(r.buf))
            return def;
        float x;
        if (std::sscanf(r.buf, "%f\n", &x) == 1 && on_decimal_grid(x, max, step))
            return x;
    }
    return -1.0f;
}

int prompt_choice(std::FILE *in, const char *label, std::span<const char *const> words, int def)
{
    if (words.empty())
        return -1;
    if (def < 0 || static_cast<std::size_t>(def) >= words.size())
        def = 0;
    auto ask = [&] {
        std::printf("%s (", label);
        for (std::size_t i = 0; i + 1 < words.size(); i++)
            std::printf("%s/", words[i]);
        std::printf("%s) [%s]? ", words.back(), words[static_cast<std::size_t>(def)]);
    };
    answer_reader r(in);
    while (r.next(ask)) {
        if (plain_enter(r.buf))
            return def;
        // Without its end of line, exactly and with regard to letter case.
        for (std::size_t i = 0; i < words.size(); i++) {
            if (same_text(r.buf, r.n - 1, words[i], false))
                return static_cast<int>(i);
        }
    }
    return -1;
}
