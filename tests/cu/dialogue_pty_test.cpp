// kelb-cu in debug mode on a terminal, answered question by question as a
// person would, interrupted by the keyboard and by signals. Only where the
// platform offers pseudo-terminals.
#include "cu/run_texts.h"
#include "questions.h"

#include "cu/config.h"
#include "support/files.h"
#include "support/pty.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::size_t IMAGE_AT = CFG_NVRAM_OFFSET;

const std::string HEADER = "Type your selection and press Enter.\n"
                           "Plain Enter proceeds with value in square brackets.\n"
                           "Press Ctrl+C to interrupt.\n\n";
// A program that leads its own terminal session owns that terminal, as one
// started in a window of its own does, so every run but an interrupted one
// ends with the pause.
const std::string PAUSE = "\nPress any key to continue.\n";
const std::string CLOSING = "\n\nSignal received or EOF on input.\n";

const std::string VOLTAGES = "(+0.0/+12.5/+25.0/+37.5/+50.0/+62.5/+75.0/+87.5)";

std::string yn(const char *question, bool def)
{
    return std::string(question_label(question)) + " (no/yes) [" + (def ? "yes" : "no") + "]? ";
}

std::string clock_q(int def)
{
    return "Reference clock (200-262) [" + std::to_string(def) + "]? ";
}

// A 256-byte NVRAM image holding `image` at the record's place.
bytes nvram_with(const config_image &image)
{
    bytes b(256, 0);
    std::copy(image.begin(), image.end(), b.begin() + IMAGE_AT);
    return b;
}

bytes image_of(const nvram_config &c)
{
    config_image image = encode_config(c);
    return bytes(image.begin(), image.end());
}

bytes stored_image(const bytes &file)
{
    if (file.size() < IMAGE_AT + CFG_IMAGE_SIZE)
        return {};
    return bytes(file.begin() + IMAGE_AT, file.begin() + IMAGE_AT + CFG_IMAGE_SIZE);
}

std::vector<env_change> facts(const char *family, const char *locked)
{
    return {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", std::optional<std::string>(family)},
            {"KELB_DEBUG_CPU_LOCKED", std::optional<std::string>(locked)}};
}

struct step {
    std::string question; // what appears before the keys are typed
    std::string keys;
};

// Types each step's keys once its question has appeared.
void converse(pty_session &s, const std::vector<step> &steps)
{
    for (const auto &st : steps) {
        ASSERT_TRUE(s.expect(st.question)) << "waiting for: " << st.question << "\nso far:\n" << s.transcript();
        s.type(st.keys);
    }
}

std::string questions_of(const std::vector<step> &steps)
{
    std::string q;
    for (const auto &st : steps)
        q += st.question;
    return q;
}

class Dialogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pty_session::supported())
            GTEST_SKIP() << "no pseudo-terminals on this platform";
    }
    std::vector<std::string> args(const std::vector<std::string> &more = {}) const
    {
        std::vector<std::string> a = {KELB_CU_PATH, "-d", nvram};
        a.insert(a.end(), more.begin(), more.end());
        return a;
    }
    scratch_dir dir;
    std::string nvram = dir.file("nvram.bin");
};

// Waits for the pause, answers it with one key (no Enter) and waits for the end.
int finish(pty_session &s)
{
    EXPECT_TRUE(s.expect(PAUSE)) << s.transcript();
    s.type("x");
    return s.wait();
}

} // namespace

TEST_F(Dialogue, EveryAnswerEnterOnDefaultRecordWithDebugDefaults)
{
    const bytes before = nvram_with(encode_config(CFG_DEFAULTS));
    write_file(nvram, before);
    pty_session s(args(), {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", std::nullopt}, {"KELB_DEBUG_CPU_LOCKED", std::nullopt}});
    ASSERT_TRUE(s.started());
    const std::vector<step> steps = {{yn("reset", false), "\n"},       {clock_q(200), "\n"},
                                     {yn("debugging", false), "\n"},   {yn("cpu", false), "\n"},
                                     {yn("northbridge", false), "\n"}, {yn("memory", false), "\n"},
                                     {yn("ht", false), "\n"}};
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER +
                                  "KELB_DEBUG_CPU_EXTENDED_FAMILY is not set, defaulting to -1\n"
                                  "KELB_DEBUG_CPU_LOCKED is not set, defaulting to 1\n\n" +
                                  FOUND + HEADER + questions_of(steps) + "\n" + UNCHANGED + PAUSE);
    EXPECT_EQ(read_file(nvram), before);
}

TEST_F(Dialogue, EmptyBackingFileGetsTheDefaultImage)
{
    write_file(nvram, bytes{});
    pty_session s(args(), facts("-1", "1"));
    const std::vector<step> steps = {{yn("reset", false), "\n"},       {clock_q(200), "\n"},
                                     {yn("debugging", false), "\n"},   {yn("cpu", false), "\n"},
                                     {yn("northbridge", false), "\n"}, {yn("memory", false), "\n"},
                                     {yn("ht", false), "\n"}};
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER + ABSENT + HEADER + questions_of(steps) + "\n" + STORED + PAUSE);
    bytes want(IMAGE_AT, 0);
    for (std::uint8_t b : {0x40, 0x00, 0x07, 0x08, 0x00, 0xFD})
        want.push_back(b);
    EXPECT_EQ(read_file(nvram), want);
}

TEST_F(Dialogue, UnlockedFamilySixEditsEveryGroup)
{
    write_file(nvram, nvram_with(encode_config(CFG_DEFAULTS)));
    pty_session s(args(), facts("6", "0"));
    const std::vector<step> steps = {
        {yn("reset", false), "no\n"},
        {clock_q(200), "230\n"},
        {"Core multiplier adjustment (USE WITH CARE) (+0.0 through +15.5, every 0.5) [+0.0]? ", "4\n"},
        {"Core voltage adjustment (USE WITH CARE) -- mV " + VOLTAGES + " [+25.0]? ", "62.5\n"},
        {yn("debugging", false), "yes\n"},
        {yn("multiple-sets", false), "yes\n"},
        {yn("warm-reset-only", false), "\n"},
        {yn("cpu", false), "yes\n"},
        {yn("pstate-lock", true), "no\n"},
        {yn("all-pstates", false), "yes\n"},
        {yn("northbridge", false), "yes\n"},
        {"    Northbridge voltage adjustment -- mV (+0.0/+12.5/+25.0/+37.5) [+12.5]? ", "37.5\n"},
        {"    Northbridge frequency multiplier (auto/9x/10x/11x) [auto]? ", "10x\n"},
        {yn("memory", false), "\n"},
        {yn("ht", false), "yes\n"},
        {"    Effective HT frequency cap (2500-3200) [3200]? ", "2500\n"},
        {yn("ht-alt-tuning", false), "yes\n"},
    };
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + questions_of(steps) + "\n" + STORED + PAUSE);
    // target 230, flags 0xA81, htlimit 2500, nbmulti 2, nbv 3, vcore 5, cpumulti 8
    EXPECT_EQ(stored_image(read_file(nvram)), (bytes{0xDE, 0x81, 0xA0, 0x54, 0x40, 0xB9}));
}

TEST_F(Dialogue, LockedFamilyOneWithRefusedAndOverlongAnswers)
{
    write_file(nvram, nvram_with(encode_config({215, CFG_MEMFAST, 3000, 0, 1, 5, 0})));
    pty_session s(args(), facts("1", "1"));
    const std::vector<step> steps = {
        {yn("reset", false), "\n"},
        {clock_q(215), "99\n"},
        {clock_q(215), "1234567\n"},
        {"\n" + clock_q(215) + "\n" + clock_q(215), "\n"},
        {yn("debugging", false), "\n"},
        {yn("cpu", true), "\n"},
        {"    Limited core voltage adjustment (USE WITH CARE) -- mV " + VOLTAGES + " [+62.5]? ", "12.5\n"},
        {yn("pstate-lock", true), "\n"},
        {yn("memory", true), "\n"},
        {yn("xmp", true), "\n"},
        {yn("xmp-merge", true), "\n"},
        {yn("fast-memory", true), "\n"},
        {yn("force-1t", false), "yes\n"},
        {yn("dimm-1v5", false), "\n"},
        {yn("relax-timings", false), "\n"},
        {yn("ht", true), "\n"},
        {"    Effective HT frequency cap (2500-3200) [3000]? ", "\n"},
        {yn("ht-alt-tuning", false), "\n"},
    };
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + questions_of(steps) + "\n" + STORED + PAUSE);
    config_image img{};
    bytes got = stored_image(read_file(nvram));
    ASSERT_EQ(got.size(), img.size());
    std::copy(got.begin(), got.end(), img.begin());
    nvram_config rec{};
    ASSERT_EQ(decode_config(img, &rec), CONFIG_VALID);
    EXPECT_EQ(describe(rec), describe({215, CFG_MEMFAST | CFG_MEM_1T, 3000, 0, 1, 1, 0}));
}

TEST_F(Dialogue, UnknownLockAsksCoreQuestionsFirstAndDropsTheMultiplier)
{
    write_file(nvram, nvram_with(encode_config({200, 0, 3200, 0, 1, 5, 6})));
    pty_session s(args(), facts("-1", "-1"));
    const std::vector<step> steps = {
        {yn("reset", false), "\n"},
        {clock_q(200), "\n"},
        {"Core multiplier adjustment (USE WITH CARE) (+0.0 through +15.5, every 0.5) [+0.0]? ", "\n"},
        {"Core voltage adjustment (USE WITH CARE) -- mV " + VOLTAGES + " [+62.5]? ", "\n"},
        {yn("debugging", false), "\n"},
        {yn("cpu", true), "\n"},
        {yn("pstate-lock", true), "\n"},
        {yn("northbridge", false), "\n"},
        {yn("memory", false), "\n"},
        {yn("ht", false), "\n"},
    };
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + questions_of(steps) + "\n" + STORED + PAUSE);
    EXPECT_EQ(stored_image(read_file(nvram)), image_of({200, 0, 3200, 0, 1, 5, 0}));
}

TEST_F(Dialogue, ResetAnswerStoresTheResetImage)
{
    write_file(nvram, nvram_with(encode_config({230, 0x0A81, 2500, 2, 3, 5, 8})));
    pty_session s(args(), facts("-1", "0"));
    ASSERT_NO_FATAL_FAILURE(converse(s, {{yn("reset", false), "yes\n"}}));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + yn("reset", false) + "\n" + STORED + PAUSE);
    EXPECT_EQ(stored_image(read_file(nvram)), bytes(6, 0xFF));
}

TEST_F(Dialogue, InterruptedOrEndedInputStoresNothing)
{
    struct ending {
        const char *what;
        std::string keys;                      // typed at the question
        std::optional<control_signal> signal; // or sent to the program
    };
    const ending endings[] = {
        {"Ctrl+C", "\x03", std::nullopt},
        {"Ctrl+\\", "\x1c", std::nullopt},
        {"end of input", "\x04", std::nullopt},
        {"SIGTERM", "", control_signal::terminate},
        {"SIGHUP", "", control_signal::hangup},
    };
    const bytes before = nvram_with(encode_config(CFG_DEFAULTS));
    for (const auto &e : endings) {
        SCOPED_TRACE(e.what);
        write_file(nvram, before);
        pty_session s(args(), facts("-1", "1"));
        const std::vector<step> steps = {
            {yn("reset", false), "\n"}, {clock_q(200), "230\n"}, {yn("debugging", false), e.keys}};
        ASSERT_NO_FATAL_FAILURE(converse(s, steps));
        if (e.signal)
            s.send(*e.signal);
        EXPECT_EQ(s.wait(), 11);
        EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + questions_of(steps) + CLOSING);
        EXPECT_EQ(read_file(nvram), before);
    }
}

TEST_F(Dialogue, SignalBeforeTheMenuEndsTheFirstQuestion)
{
    const bytes before = nvram_with(encode_config(CFG_DEFAULTS));
    write_file(nvram, before);
    pty_session s(args(), facts("-1", "1"), {.pending = {control_signal::interrupt}});
    EXPECT_EQ(s.wait(), 11);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + yn("reset", false) + CLOSING);
    EXPECT_EQ(read_file(nvram), before);
}

TEST_F(Dialogue, SignalDuringCommandLineRunsDoesNotStopThem)
{
    struct run_case {
        const char *argument;
        nvram_config want;
    };
    nvram_config at230 = CFG_DEFAULTS;
    at230.target = 230;
    nvram_config reset = CFG_DEFAULTS;
    reset.target = 0;
    const run_case cases[] = {{"230", at230}, {"reset", reset}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.argument);
        write_file(nvram, nvram_with(encode_config(CFG_DEFAULTS)));
        pty_session s(args({c.argument}), facts("-1", "1"), {.pending = {control_signal::interrupt}});
        EXPECT_EQ(finish(s), 0);
        EXPECT_EQ(s.transcript(), BANNER + FOUND + STORED + PAUSE);
        EXPECT_EQ(stored_image(read_file(nvram)), image_of(c.want));
    }
}

TEST_F(Dialogue, SecondSignalEndsTheProcess)
{
    const bytes before = nvram_with(encode_config(CFG_DEFAULTS));
    write_file(nvram, before);
    pty_session s(args(), facts("-1", "1"),
                  {.pending = {control_signal::interrupt, control_signal::terminate}});
    int status = s.wait();
    EXPECT_TRUE(status == pty_session::killed_status(control_signal::interrupt) ||
                status == pty_session::killed_status(control_signal::terminate))
        << "status " << status << "\n" << s.transcript();
    EXPECT_EQ(s.transcript().find("Signal received"), std::string::npos);
    EXPECT_EQ(read_file(nvram), before);
}

TEST_F(Dialogue, SignalsIgnoredByTheInvokerStayIgnored)
{
    write_file(nvram, nvram_with(encode_config(CFG_DEFAULTS)));
    pty_session s(args(), facts("-1", "1"), {.ignored = {control_signal::interrupt}});
    // Ctrl+C does nothing; the answer typed after it is taken.
    const std::vector<step> steps = {{yn("reset", false), "\x03yes\n"}};
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + questions_of(steps) + "\n" + STORED + PAUSE);
    EXPECT_EQ(stored_image(read_file(nvram)), bytes(6, 0xFF));
}

TEST_F(Dialogue, DryRunShowsWhatTheAnswersWouldChangeAndStoresNothing)
{
    const bytes before = nvram_with(encode_config(CFG_DEFAULTS));
    write_file(nvram, before);
    pty_session s(args({"-n"}), facts("-1", "1"));
    const std::vector<step> steps = {
        {yn("reset", false), "\n"},         {clock_q(200), "240\n"},          {yn("debugging", false), "\n"},
        {yn("cpu", false), "\n"},           {yn("northbridge", false), "\n"}, {yn("memory", false), "yes\n"},
        {yn("xmp", true), "no\n"},          {yn("fast-memory", false), "\n"}, {yn("dimm-1v5", false), "\n"},
        {yn("relax-timings", false), "\n"}, {yn("ht", false), "\n"}};
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    EXPECT_EQ(finish(s), 0);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + questions_of(steps) + "\n" +
                                  "refclock: 200 -> 240\nxmp: yes -> no\nDry run: configuration not stored.\n" + PAUSE);
    EXPECT_EQ(read_file(nvram), before);
}

TEST_F(Dialogue, SignalEndsARunWaitingForSettingsOnStandardInput)
{
    struct ending {
        const char *what;
        std::string keys;
        std::optional<control_signal> signal;
    };
    const ending endings[] = {
        {"Ctrl+C", "xmp=no\n\x03", std::nullopt},
        {"SIGTERM", "xmp=no\n", control_signal::terminate},
        {"SIGHUP", "", control_signal::hangup},
    };
    const bytes before = nvram_with(encode_config(CFG_DEFAULTS));
    for (const auto &e : endings) {
        SCOPED_TRACE(e.what);
        write_file(nvram, before);
        pty_session s(args({"-i", "-"}), facts("-1", "1"));
        const std::string hint = terminal_input_hint(KELB_CU_PATH);
        ASSERT_TRUE(s.expect(BANNER + hint)) << s.transcript();
        s.type(e.keys);
        if (e.signal)
            s.send(*e.signal);
        EXPECT_EQ(s.wait(std::chrono::seconds(5)), 11) << s.transcript();
        EXPECT_EQ(s.transcript(), BANNER + hint + CLOSING);
        EXPECT_EQ(read_file(nvram), before);
    }
}

TEST_F(Dialogue, SignalBeforeTheStoreEndsRunsThatSetSettingsByName)
{
    std::string conf = dir.file("good.conf");
    write_file(conf, std::string("xmp=no\n"));
    const std::vector<std::string> runs[] = {{"-s", "xmp=no"}, {"-i", conf}, {"-n", "240"}, {"-n", "-s", "xmp=no"}};
    const bytes before = nvram_with(encode_config(CFG_DEFAULTS));
    for (const auto &run : runs) {
        SCOPED_TRACE(run.back());
        write_file(nvram, before);
        pty_session s(args(run), facts("-1", "1"), {.pending = {control_signal::terminate}});
        EXPECT_EQ(s.wait(), 11);
        EXPECT_EQ(s.transcript(), BANNER + CLOSING);
        EXPECT_EQ(read_file(nvram), before);
    }
}

TEST_F(Dialogue, RecordChangedDuringTheDialogueIsNotOverwritten)
{
    write_file(nvram, nvram_with(encode_config(CFG_DEFAULTS)));
    pty_session s(args(), facts("-1", "1"));
    const std::vector<step> steps = {{yn("reset", false), "\n"},       {clock_q(200), "230\n"},
                                     {yn("debugging", false), "\n"},   {yn("cpu", false), "\n"},
                                     {yn("northbridge", false), "\n"}, {yn("memory", false), "\n"}};
    ASSERT_NO_FATAL_FAILURE(converse(s, steps));
    ASSERT_TRUE(s.expect(yn("ht", false)));
    // Another program stores a record of its own meanwhile.
    const bytes theirs = nvram_with(encode_config({245, 0, 3200, 0, 1, 2, 0}));
    write_file(nvram, theirs);
    s.type("\n");
    EXPECT_EQ(finish(s), 12);
    EXPECT_EQ(s.transcript(), BANNER + FOUND + HEADER + questions_of(steps) + yn("ht", false) + "\n" +
                                  "write_config: the stored record is not the one this run read; another program "
                                  "changed it\n"
                                  "write_config: read at the start: 40 00 07 08 00 fd\n"
                                  "write_config: read now:          6d 00 07 08 00 d0\n"
                                  "ERROR: couldn't store configuration; nothing was written\n" +
                                  PAUSE);
    EXPECT_EQ(read_file(nvram), theirs);
}
