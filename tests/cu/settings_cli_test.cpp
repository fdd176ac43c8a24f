// -l, -s, -i and -n as a user runs them, in debug mode on a backing file.
#include "cu/run_texts.h"
#include "machine_run.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace {


std::vector<env_change> processor(const char *family, const char *locked)
{
    return {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", family}, {"KELB_DEBUG_CPU_LOCKED", locked}};
}
const std::vector<env_change> UNLOCKED = processor("-1", "0");

run_result cu(const std::string &file, const std::vector<std::string> &args,
              const std::vector<env_change> &env = UNLOCKED, const std::string &input = {})
{
    std::vector<std::string> argv = {KELB_CU_PATH, "-d", file};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, env, input);
}

config_image reset_image()
{
    config_image b;
    b.fill(0xFF);
    return b;
}

config_image stored_image(const bytes &file)
{
    config_image b{};
    std::copy(file.begin() + CFG_NVRAM_OFFSET, file.begin() + CFG_NVRAM_OFFSET + 6, b.begin());
    return b;
}

std::string image_text(const config_image &b)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02x %02x %02x %02x %02x %02x", b[0], b[1], b[2], b[3], b[4], b[5]);
    return buf;
}

// A backing file and its modification time, to show that a run wrote nothing.
struct nvram_file {
    scratch_dir dir;
    std::string path = dir.file("nvram.bin");
    bytes before;
    std::filesystem::file_time_type stamp;

    explicit nvram_file(const config_image &record, unsigned seed = 5)
    {
        before = chip_with_record(seed, record);
        write_file(path, before);
        stamp = std::filesystem::last_write_time(path);
        // A write in the same clock tick would not move the stamp.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    void expect_untouched(const std::string &what) const
    {
        EXPECT_EQ(read_file(path), before) << what;
        EXPECT_EQ(std::filesystem::last_write_time(path), stamp) << what;
    }
};

const nvram_config SAMPLE = {230, CFG_NOXMP | CFG_HT_ALT, 2800, 2, 3, 5, 8};

} // namespace

TEST(SettingsCli, ListShowsTheStoredRecordFromAReadOnlyFile)
{
    nvram_file f(encode_config(SAMPLE));
    std::filesystem::permissions(f.path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);
    run_result r = cu(f.path, {"-l"});
    std::filesystem::permissions(f.path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(r.status, 0) << r.err;
    // Only the listing on standard output, so that it can be saved and read back.
    EXPECT_EQ(r.out, "# record: found\n"
                     "# image: " + image_text(encode_config(SAMPLE)) + "\n"
                     "# processor: extended family -1, from KELB_DEBUG_CPU_EXTENDED_FAMILY\n"
                     "# processor: multiplier unlocked (0), from KELB_DEBUG_CPU_LOCKED\n"
                     "refclock=230\n"
                     "core-multiplier=+4.0\n"
                     "core-voltage=+62.5\n"
                     "multiple-sets=no\n"
                     "warm-reset-only=no\n"
                     "pstate-lock=yes\n"
                     "all-pstates=no\n"
                     "nb-voltage=+37.5\n"
                     "nb-multiplier=10x\n"
                     "xmp=no\n"
                     "xmp-merge=yes\n"
                     "fast-memory=no\n"
                     "force-1t=no\n"
                     "dimm-1v5=no\n"
                     "relax-timings=no\n"
                     "ht-cap=2800\n"
                     "ht-alt-tuning=yes\n"
                     "reserved-bit-2=no\n");
    EXPECT_EQ(r.err, BANNER + FOUND);
    f.expect_untouched("-l");
}

TEST(SettingsCli, ListNamesWhereTheProcessorsFactsComeFrom)
{
    nvram_file f(encode_config(CFG_DEFAULTS));
    run_result r = cu(f.path, {"-l"}, {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", std::nullopt},
                                       {"KELB_DEBUG_CPU_LOCKED", std::nullopt}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, BANNER + "KELB_DEBUG_CPU_EXTENDED_FAMILY is not set, defaulting to -1\n"
                              "KELB_DEBUG_CPU_LOCKED is not set, defaulting to 1\n\n" + FOUND);
    EXPECT_NE(r.out.find("# processor: multiplier locked (1), from KELB_DEBUG_CPU_LOCKED\n"), std::string::npos)
        << r.out;
}

struct field_case {
    const char *assignment;
    nvram_config start;
    nvram_config want;
};

constexpr nvram_config D = CFG_DEFAULTS;
// Each setting changed on its own, from a start where the dialogue would not
// touch anything else: only that field's bits (and the check byte) move.
const field_case FIELDS[] = {
    {"refclock=262", D, {262, 0, 3200, 0, 1, 2, 0}},
    {"core-multiplier=+15.5", D, {200, 0, 3200, 0, 1, 2, 31}},
    {"core-voltage=0", D, {200, 0, 3200, 0, 1, 0, 0}},
    {"multiple-sets=yes", D, {200, CFG_MULTISET, 3200, 0, 1, 2, 0}},
    {"warm-reset-only=yes", D, {200, CFG_WARMONLY, 3200, 0, 1, 2, 0}},
    {"pstate-lock=no", D, {200, CFG_PSTATE_FREE, 3200, 0, 1, 2, 0}},
    {"all-pstates=yes", {200, CFG_PSTATE_FREE, 3200, 0, 1, 2, 1}, {200, CFG_PSTATE_FREE | CFG_MULTI_ALLP, 3200, 0, 1, 2, 1}},
    {"nb-voltage=+37.5", D, {200, 0, 3200, 0, 3, 2, 0}},
    {"nb-multiplier=11x", D, {200, 0, 3200, 3, 1, 2, 0}},
    {"xmp=no", D, {200, CFG_NOXMP, 3200, 0, 1, 2, 0}},
    {"xmp-merge=no", D, {200, CFG_XMP_NOMERGE, 3200, 0, 1, 2, 0}},
    {"fast-memory=yes", D, {200, CFG_MEMFAST, 3200, 0, 1, 2, 0}},
    {"force-1t=yes", {200, CFG_MEMFAST, 3200, 0, 1, 2, 0}, {200, CFG_MEMFAST | CFG_MEM_1T, 3200, 0, 1, 2, 0}},
    {"dimm-1v5=yes", D, {200, CFG_DIMM_1V5, 3200, 0, 1, 2, 0}},
    {"relax-timings=yes", D, {200, CFG_MEM_RELAX, 3200, 0, 1, 2, 0}},
    {"ht-cap=2500", D, {200, 0, 2500, 0, 1, 2, 0}},
    {"ht-alt-tuning=yes", D, {200, CFG_HT_ALT, 3200, 0, 1, 2, 0}},
    // From a record with everything set, each one cleared.
    {"multiple-sets=no", {262, 0xFDB, 2500, 3, 3, 7, 31}, {262, 0xFDA, 2500, 3, 3, 7, 31}},
    {"xmp=yes", {262, 0xFDB, 2500, 3, 3, 7, 31}, {262, 0xFD3, 2500, 3, 3, 7, 31}},
    {"force-1t=no", {262, 0xFDB, 2500, 3, 3, 7, 31}, {262, 0xBDB, 2500, 3, 3, 7, 31}},
    {"all-pstates=no", {262, 0xFDB, 2500, 3, 3, 7, 31}, {262, 0x7DB, 2500, 3, 3, 7, 31}},
    {"core-voltage=+75.0", {262, 0xFDB, 2500, 3, 3, 7, 31}, {262, 0xFDB, 2500, 3, 3, 6, 31}},
    {"refclock=201", {262, 0xFDB, 2500, 3, 3, 7, 31}, {201, 0xFDB, 2500, 3, 3, 7, 31}},
};

TEST(SettingsCli, SetChangesExactlyTheNamedField)
{
    for (const auto &c : FIELDS) {
        nvram_file f(encode_config(c.start));
        run_result r = cu(f.path, {"-s", c.assignment});
        EXPECT_EQ(r.status, 0) << c.assignment << "\n" << r.err;
        EXPECT_EQ(r.out, BANNER + FOUND + STORED) << c.assignment;
        bytes want = f.before;
        config_image image = encode_config(c.want);
        std::copy(image.begin(), image.end(), want.begin() + CFG_NVRAM_OFFSET);
        EXPECT_EQ(read_file(f.path), want) << c.assignment;
    }
}

TEST(SettingsCli, SideEffectsOfTheDialogueAndTheCommandLineOverTheFile)
{
    struct {
        std::vector<std::string> args;
        std::string input;
        nvram_config start, want;
    } cases[] = {
        {{"-s", "xmp=no"}, "", {200, CFG_XMP_NOMERGE, 3200, 0, 1, 2, 0}, {200, CFG_NOXMP, 3200, 0, 1, 2, 0}},
        {{"-s", "fast-memory=no"}, "", {200, CFG_MEMFAST | CFG_MEM_1T, 3200, 0, 1, 2, 0}, D},
        {{"-s", "pstate-lock=yes"}, "", {200, CFG_PSTATE_FREE | CFG_MULTI_ALLP, 3200, 0, 1, 2, 4},
         {200, 0, 3200, 0, 1, 2, 4}},
        // The positional reference clock counts as refclock= and -s overrides -i.
        {{"-i", "-", "-s", "ht-cap=3000", "240"}, "ht-cap=2600\nxmp=no\nrefclock=210\n", D,
         {240, CFG_NOXMP, 3000, 0, 1, 2, 0}},
        {{"-s", "refclock=240", "240"}, "", D, {240, 0, 3200, 0, 1, 2, 0}},
    };
    for (const auto &c : cases) {
        nvram_file f(encode_config(c.start));
        run_result r = cu(f.path, c.args, UNLOCKED, c.input);
        EXPECT_EQ(r.status, 0) << c.args[1] << "\n" << r.err;
        EXPECT_EQ(stored_image(read_file(f.path)), encode_config(c.want)) << c.args[1];
    }
}

// What a run that cannot store its assignments says, with status 2 and the
// backing file left alone.
TEST(SettingsCli, RefusedAssignmentsWriteNothing)
{
    const std::string p = KELB_CU_PATH;
    scratch_dir dir;
    std::string conf = dir.file("saved.conf");
    write_file(conf, std::string("# saved\nxmp=no\n\nht-cap=2850\n"));
    struct {
        std::vector<std::string> args;
        std::vector<env_change> env;
        std::string err;
        bool loaded; // refused after loading the record
    } cases[] = {
        {{"-s", "xmp=maybe"}, UNLOCKED, p + ": -s: invalid xmp -- 'maybe' (allowed: yes or no)\n", false},
        {{"-s", "ht-cap=2550"}, UNLOCKED,
         p + ": -s: invalid ht-cap -- '2550' (allowed: 2500..3200 (MHz) in steps of 100)\n", false},
        {{"-s", "core-voltage=13"}, UNLOCKED,
         p + ": -s: invalid core-voltage -- '13' (allowed: 0..87.5 (mV) in steps of 12.5)\n", false},
        {{"-s", "turbo=yes"}, UNLOCKED, p + ": -s: unknown setting -- 'turbo' (settings: refclock, core-multiplier, core-voltage, multiple-sets, "
                 "warm-reset-only, pstate-lock, all-pstates, nb-voltage, nb-multiplier, xmp, xmp-merge, fast-memory, "
                 "force-1t, dimm-1v5, relax-timings, ht-cap, ht-alt-tuning, reserved-bit-2)\n", false},
        {{"-s", "xmp"}, UNLOCKED, p + ": -s: not a name=value line -- 'xmp'\n", false},
        {{"-s", "xmp=no", "-s", "xmp=yes"}, UNLOCKED, p + ": -s: xmp given twice, as no and as yes\n", false},
        {{"-s", "refclock=230", "240"}, UNLOCKED, p + ": -s: refclock given twice, as 230 and as 240\n", false},
        {{"-i", conf}, UNLOCKED,
         p + ": " + conf + ":4: invalid ht-cap -- '2850' (allowed: 2500..3200 (MHz) in steps of 100)\n", false},
        {{"-i", dir.file("absent.conf")}, UNLOCKED,
         p + ": settings file " + dir.file("absent.conf") + ": " + errno_text(ENOENT) + "\n", false},
        {{"-i", ""}, UNLOCKED, p + ": -i needs the name of a settings file, or - for standard input\n", false},
        {{"-s", "xmp=no", "reset"}, UNLOCKED, p + ": -s and -i cannot be combined with reset\n", false},
        {{"-s", "refclock=stock", "-s", "xmp=no"}, UNLOCKED,
         p + ": refclock=stock resets the configuration and takes no other setting (xmp)\n", false},
        {{"-l", "-s", "xmp=no"}, UNLOCKED, p + ": -l lists the configuration and takes no -s, -i or argument\n",
         false},
        {{"-l", "230"}, UNLOCKED, p + ": -l lists the configuration and takes no -s, -i or argument\n", false},
        {{"-s", "core-multiplier=+1.0"}, processor("-1", "1"),
         p + ": -s: core-multiplier: not offered on this processor (the core multiplier is locked); it can only keep "
             "+0.0\n",
         true},
        {{"-s", "nb-multiplier=9x"}, processor("1", "0"),
         p + ": -s: nb-multiplier: not offered on this processor (extended family 1 keeps the northbridge at +12.5 mV, "
             "auto); it can only keep auto\n",
         true},
        {{"-s", "fast-memory=yes"}, processor("6", "0"),
         p + ": -s: fast-memory: not offered on this processor (extended family 6 has no faster memory modes); it can "
             "only keep no\n",
         true},
        {{"-s", "force-1t=yes"}, UNLOCKED, p + ": -s: force-1t=yes needs fast-memory=yes\n", true},
        {{"-s", "xmp=no", "-s", "xmp-merge=no"}, UNLOCKED, p + ": -s: xmp-merge=no needs xmp=yes\n", true},
        {{"-s", "all-pstates=yes"}, UNLOCKED,
         p + ": -s: all-pstates=yes needs core-multiplier above +0.0 and pstate-lock=no\n", true},
    };
    for (const auto &c : cases) {
        nvram_file f(encode_config(D));
        // Read-only, so that a run opening the file for writing would fail
        // differently wherever permissions apply.
        std::filesystem::permissions(f.path, std::filesystem::perms::owner_read);
        run_result r = cu(f.path, c.args, c.env);
        std::filesystem::permissions(f.path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
        std::string what = c.args[1];
        EXPECT_EQ(r.status, 2) << what;
        // -l keeps standard output for the listing; the run's own messages go to standard error.
        bool list = c.args[0] == "-l";
        EXPECT_EQ(r.err, (list ? BANNER : "") + c.err) << what;
        EXPECT_EQ(r.out, list ? "" : c.loaded ? BANNER + FOUND : BANNER) << what;
        f.expect_untouched(what);
    }
}

// -i text is foreign data: bounded, quoted only as far as a reader needs,
// every refusal placed by file and line; nothing is written.
TEST(SettingsCli, ForeignInputIsBoundedQuotedAndPlaced)
{
    const std::string p = KELB_CU_PATH;
    scratch_dir dir;
    auto file = [&](const char *name, const std::string &text) {
        std::string path = dir.file(name);
        write_file(path, text);
        return path;
    };
    std::string endless;
    while (endless.size() <= 70000)
        endless += "xmp=no\n"; // yes xmp=no | kelb-cu -i -
    const std::string shadow = file("shadow", "root:$6$salt$hash:19000:0:99999:7:::\n");
    const std::string needs = file("needs.conf", "# saved\nforce-1t=yes\n");
    const std::string long_line = file("long.conf", "xmp=no\n# " + std::string(600, 'x') + "\n");
    const std::string control = file("control.conf", "xmp=\x1b[2Jyes\n");
    struct {
        std::vector<std::string> args;
        std::string input, err;
        int status;
    } cases[] = {
        {{"-i", "-"}, endless, p + ": settings file standard input: longer than 65536 bytes; a listing is far shorter\n",
         2},
        {{"-i", shadow}, "", p + ": " + shadow + ":1: not a name=value line\n", 2},
        {{"-i", needs}, "", p + ": " + needs + ":2: force-1t=yes needs fast-memory=yes\n", 2},
        {{"-i", long_line}, "", p + ": " + long_line + ":2: line longer than 512 bytes\n", 2},
        {{"-i", control}, "",
         p + ": " + control + ":1: invalid xmp -- '\\x1b[2Jyes' (allowed: yes or no)\n", 2},
        {{"-s", "xmp=" + std::string(50, 'a')}, "",
         p + ": -s: invalid xmp -- '" + std::string(40, 'a') + "...' (allowed: yes or no)\n", 2},
        {{"-s", "x\tmp=\x7f"}, "", p + ": -s: not a name=value line -- 'x\\x09mp=\\x7f'\n", 2},
        // A backslash is shown escaped too, so that a typed \x1b and a real ESC byte differ.
        {{"-s", "xmp=a\\b"}, "", p + ": -s: invalid xmp -- 'a\\x5cb' (allowed: yes or no)\n", 2},
        {{"-s", "xmp=\\x1b"}, "", p + ": -s: invalid xmp -- '\\x5cx1b' (allowed: yes or no)\n", 2},
        {{"-i", needs, "-i", shadow}, "", p + ": option given twice -- i\n", 1},
    };
    for (const auto &c : cases) {
        nvram_file f(encode_config(D));
        run_result r = cu(f.path, c.args, UNLOCKED, c.input);
        std::string what = c.args.back();
        EXPECT_EQ(r.status, c.status) << what;
        EXPECT_EQ(r.err, c.err) << what;
        f.expect_untouched(what);
    }
    // A byte-order mark and CRLF line ends, as a Windows editor saves a listing;
    // names and words in any letter case.
    nvram_file f(encode_config(D));
    std::string bom = file("bom.conf", "\xEF\xBB\xBFXMP=No\r\nNb-Multiplier=10X\r\n");
    run_result r = cu(f.path, {"-i", bom});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(stored_image(read_file(f.path)), encode_config({200, CFG_NOXMP, 3200, 2, 1, 2, 0}));
}

// The bounds of an -i text, to the byte: 64 KiB in all, 512 bytes a line
// without its line end (LF or CRLF).
TEST(SettingsCli, InputBoundsAreExact)
{
    const std::string p = KELB_CU_PATH;
    const std::size_t text_max = 65536, line_max = 512;
    // "xmp=no", then comment lines of at most 512 bytes up to `size` bytes in all.
    auto text_of = [](std::size_t size) {
        std::string t = "xmp=no\n";
        while (t.size() < size) {
            std::size_t line = std::min<std::size_t>(size - t.size(), 400);
            t += line == 1 ? std::string("\n") : "#" + std::string(line - 2, 'x') + "\n";
        }
        return t;
    };
    auto line_of = [](std::size_t length, const char *end) { return "#" + std::string(length - 1, 'x') + end; };
    const std::string too_long = p + ": settings file %s: longer than 65536 bytes; a listing is far shorter\n";
    struct {
        const char *name;
        std::string text;
        std::string err; // %s: the file; empty when the text is taken
    } cases[] = {
        {"exactly 64 KiB", text_of(text_max), ""},
        {"one byte more", text_of(text_max + 1), too_long},
        {"a 512-byte line", "xmp=no\n" + line_of(line_max, "\n"), ""},
        {"a 513-byte line", "xmp=no\n" + line_of(line_max + 1, "\n"), p + ": %s:2: line longer than 512 bytes\n"},
        {"a 512-byte line with CRLF", "xmp=no\r\n" + line_of(line_max, "\r\n"), ""},
        {"a 513-byte line with CRLF", "xmp=no\r\n" + line_of(line_max + 1, "\r\n"),
         p + ": %s:2: line longer than 512 bytes\n"},
        {"a last 512-byte line without its end", "xmp=no\n" + line_of(line_max, ""), ""},
        {"a last 513-byte line without its end", "xmp=no\n" + line_of(line_max + 1, ""),
         p + ": %s:2: line longer than 512 bytes\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        nvram_file f(encode_config(D));
        std::string conf = f.dir.file("good.conf");
        write_file(conf, c.text);
        ASSERT_EQ(read_file(conf).size(), c.text.size());
        run_result r = cu(f.path, {"-i", conf});
        if (c.err.empty()) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(stored_image(read_file(f.path)), encode_config({200, CFG_NOXMP, 3200, 0, 1, 2, 0}));
        } else {
            std::string err = c.err;
            err.replace(err.find("%s"), 2, conf);
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err, err);
            f.expect_untouched(c.name);
        }
    }
}

TEST(SettingsCli, DryRunShowsTheChangesAndNeverWrites)
{
    const config_image sample = encode_config(SAMPLE);
    struct {
        const char *what;
        config_image record;
        std::vector<std::string> args;
        std::vector<env_change> env;
        std::string changes;
    } cases[] = {
        {"setting", sample, {"-s", "xmp=yes", "-s", "ht-cap=3200"}, UNLOCKED, "xmp: no -> yes\nht-cap: 2800 -> 3200\n"},
        {"side effect shown", encode_config({200, CFG_XMP_NOMERGE, 3200, 0, 1, 2, 0}), {"-s", "xmp=no"}, UNLOCKED,
         "xmp: yes -> no\nxmp-merge: no -> yes\n"},
        {"processor's silent adjustment", sample, {"230"}, processor("-1", "1"), "core-multiplier: +4.0 -> +0.0\n"},
        {"reset", sample, {"reset"}, UNLOCKED, "refclock: 230 -> stock\n"},
        {"marked record stored again", boot_failure_marked(sample), {"-s", "refclock=230"}, UNLOCKED,
         "record: boot-failure mark -> found\n"},
        {"new configuration", reset_image(), {"-s", "refclock=230"}, processor("-1", "1"),
         "refclock: stock -> 230\ncore-multiplier: stock -> +0.0\ncore-voltage: stock -> +25.0\n"
         "multiple-sets: stock -> no\nwarm-reset-only: stock -> no\npstate-lock: stock -> yes\n"
         "all-pstates: stock -> no\nnb-voltage: stock -> +12.5\nnb-multiplier: stock -> auto\nxmp: stock -> yes\n"
         "xmp-merge: stock -> yes\nfast-memory: stock -> no\nforce-1t: stock -> no\ndimm-1v5: stock -> no\n"
         "relax-timings: stock -> no\nht-cap: stock -> 3200\nht-alt-tuning: stock -> no\n"
         "reserved-bit-2: stock -> no\n"},
    };
    for (const auto &c : cases) {
        nvram_file f(c.record);
        std::vector<std::string> args = {"-n"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        run_result r = cu(f.path, args, c.env);
        EXPECT_EQ(r.status, 0) << c.what << "\n" << r.err;
        std::string loaded = c.record == reset_image() ? ABSENT : c.record == boot_failure_marked(sample) ? MARKED : FOUND;
        EXPECT_EQ(r.out, BANNER + loaded + c.changes + "Dry run: configuration not stored.\n") << c.what;
        f.expect_untouched(c.what);
    }
    nvram_file same(sample);
    run_result r = cu(same.path, {"-n", "-s", "xmp=no"});
    EXPECT_EQ(r.out, BANNER + FOUND + UNCHANGED);
    same.expect_untouched("nothing to change");
}

struct processor_kind {
    const char *family, *locked;
    nvram_config record; // one the dialogue can store on it
};

const processor_kind KINDS[] = {
    {"-1", "0", {262, 0xFDB, 2500, 3, 3, 7, 31}},
    {"-1", "1", {231, CFG_MEMFAST | CFG_MEM_1T | CFG_PSTATE_FREE, 2600, 1, 0, 6, 0}},
    {"-1", "-1", {215, CFG_PSTATE_FREE | CFG_MULTI_ALLP, 3100, 2, 2, 3, 5}},
    {"1", "0", {240, CFG_MEMFAST | CFG_MEM_1T | CFG_NOXMP, 2700, 0, 1, 1, 12}},
    {"1", "1", {205, CFG_MEMFAST | CFG_WARMONLY, 3200, 0, 1, 4, 0}},
    {"6", "0", {250, CFG_XMP_NOMERGE | CFG_HT_ALT, 3000, 3, 0, 2, 2}},
    {"6", "1", {200, CFG_DIMM_1V5 | CFG_MEM_RELAX, 2900, 1, 3, 0, 0}},
    {"16", "0", {222, CFG_MULTISET | CFG_NOXMP, 2800, 0, 1, 5, 9}},
};

// A saved listing read back changes nothing on the same machine: valid and
// absent records stay as they are; a marked record is stored again, as the
// dialogue stores it, with a correct check byte.
TEST(SettingsCli, ListingReadBackChangesNothing)
{
    for (const auto &k : KINDS) {
        for (const config_image &record : {encode_config(k.record), boot_failure_marked(encode_config(k.record)), reset_image()}) {
            std::string what = std::string("family ") + k.family + " locked " + k.locked + " image " +
                               image_text(record);
            nvram_file f(record);
            run_result list = cu(f.path, {"-l"}, processor(k.family, k.locked));
            ASSERT_EQ(list.status, 0) << what << "\n" << list.err;
            run_result back = cu(f.path, {"-i", "-"}, processor(k.family, k.locked), list.out);
            EXPECT_EQ(back.status, 0) << what << "\n" << back.err << list.out;
            if (record == boot_failure_marked(encode_config(k.record))) {
                EXPECT_EQ(back.out, BANNER + MARKED + STORED) << what;
                EXPECT_EQ(stored_image(read_file(f.path)), encode_config(k.record)) << what;
                expect_unchanged_outside(f.before, read_file(f.path), CFG_NVRAM_OFFSET, CFG_NVRAM_OFFSET + 5);
            } else {
                EXPECT_EQ(back.out, BANNER + (record == reset_image() ? ABSENT : FOUND) + UNCHANGED) << what;
                f.expect_untouched(what);
            }
        }
    }
}

// kelb-cu -l > saved; kelb-cu reset; kelb-cu -i saved.
TEST(SettingsCli, SavedListingRestoresTheImageAfterAReset)
{
    for (const auto &k : KINDS) {
        for (const config_image &record : {encode_config(k.record), reset_image()}) {
            std::string what = std::string("family ") + k.family + " locked " + k.locked + " image " +
                               image_text(record);
            nvram_file f(record);
            std::string saved = f.dir.file("good.conf");
            run_result list = cu(f.path, {"-l"}, processor(k.family, k.locked));
            write_file(saved, list.out);
            run_result reset = cu(f.path, {"reset"}, processor(k.family, k.locked));
            EXPECT_EQ(reset.status, 0) << what;
            EXPECT_EQ(stored_image(read_file(f.path)), reset_image()) << what;
            run_result back = cu(f.path, {"-i", saved}, processor(k.family, k.locked));
            EXPECT_EQ(back.status, 0) << what << "\n" << back.err;
            EXPECT_EQ(read_file(f.path), f.before) << what;
        }
    }
}

// A stored value the processor withholds from the dialogue is a comment; the
// line holds the value in effect, so that the listing restores.
TEST(SettingsCli, IneffectiveStoredValuesAreCommentsAndTheListingRestores)
{
    nvram_file f(encode_config(SAMPLE));
    run_result list = cu(f.path, {"-l"}, processor("1", "1"));
    EXPECT_EQ(list.status, 0);
    for (const char *line :
         {"# core-multiplier=+4.0 is stored, but the core multiplier is locked: +0.0 is in effect, and a restore "
          "stores that\ncore-multiplier=+0.0\n",
          "# nb-voltage=+37.5 is stored, but extended family 1 keeps the northbridge at +12.5 mV, auto: +12.5 is in "
          "effect, and a restore stores that\nnb-voltage=+12.5\n"})
        EXPECT_NE(list.out.find(line), std::string::npos) << list.out;
    run_result back = cu(f.path, {"-i", "-"}, processor("1", "1"), list.out);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(stored_image(read_file(f.path)), encode_config({230, CFG_NOXMP | CFG_HT_ALT, 2800, 0, 1, 5, 0}));
}

std::string setting_lines(const std::string &listing)
{
    std::string lines;
    for (std::size_t pos = 0; pos < listing.size();) {
        std::size_t end = listing.find('\n', pos);
        if (listing[pos] != '#')
            lines += listing.substr(pos, end + 1 - pos);
        pos = end + 1;
    }
    return lines;
}

// kelb-cu -l > saved, then kelb-cu -i saved: on the record it came from, and
// after a reset; a second -i changes nothing. For every processor and every
// kind of record the utility can meet.
TEST(SettingsCli, ListingRestoresOnEveryProcessorAndRecord)
{
    const nvram_config any_bits = {262, 0xFFF, 2500, 3, 3, 7, 31};
    // Combinations the dialogue never makes, as firmware or an earlier store may leave them.
    const nvram_config untidy = {214, CFG_NOXMP | CFG_XMP_NOMERGE | CFG_MEM_1T | CFG_MULTI_ALLP, 2900, 1, 0, 0, 0};
    const nvram_config off_grid = {263, CFG_PSTATE_FREE | CFG_MULTI_ALLP, 3200, 5, 1, 2, 9};
    const struct {
        const char *what;
        config_image record;
    } records[] = {
        {"any bits", encode_config(any_bits)},
        {"untidy", encode_config(untidy)},
        {"boot-failure mark", boot_failure_marked(encode_config(any_bits))},
        {"absent", reset_image()},
        {"off the grid", encode_config(off_grid)},
    };
    for (const char *family : {"-1", "1", "6", "16"}) {
        for (const char *locked : {"0", "1", "-1"}) {
            const auto cpu = processor(family, locked);
            for (const auto &r : records) {
                std::string what = std::string(r.what) + ", family " + family + " locked " + locked;
                nvram_file f(r.record);
                std::string saved = f.dir.file("good.conf");
                run_result list = cu(f.path, {"-l"}, cpu);
                ASSERT_EQ(list.status, 0) << what;
                write_file(saved, list.out);

                run_result same = cu(f.path, {"-i", saved}, cpu);
                EXPECT_EQ(same.status, 0) << what << "\n" << same.err << list.out;
                run_result again = cu(f.path, {"-i", saved}, cpu);
                EXPECT_EQ(again.status, 0) << what;
                EXPECT_EQ(again.out.substr(again.out.size() - UNCHANGED.size()), UNCHANGED) << what << "\n" << again.out;

                nvram_file g(r.record);
                EXPECT_EQ(cu(g.path, {"reset"}, cpu).status, 0) << what;
                run_result restored = cu(g.path, {"-i", saved}, cpu);
                EXPECT_EQ(restored.status, 0) << what << "\n" << restored.err << list.out;
                run_result second = cu(g.path, {"-i", saved}, cpu);
                EXPECT_EQ(second.status, 0) << what;
                EXPECT_EQ(second.out.substr(second.out.size() - UNCHANGED.size()), UNCHANGED) << what << "\n"
                                                                                               << second.out;
                if (std::string(family) == "-1" && std::string(locked) == "0") {
                    run_result relisted = cu(g.path, {"-l"}, cpu);
                    EXPECT_EQ(setting_lines(relisted.out), setting_lines(list.out)) << what;
                }
            }
        }
    }
}

TEST(SettingsCli, UsageKeepsItsTextAndNamesEverySettingAfterIt)
{
    const std::string p = KELB_CU_PATH;
    run_result h = run_program({p, "-h"});
    EXPECT_EQ(h.status, 0);
    const std::string original =
        "Usage:\n\t" + p + " [-d <debug_file>] [-f] [-D]\n\t\tRuns the utility in interactive mode (recommended).\n\n"
        "\t" + p + " [-d <debug_file>] [-f] [-D] <refclock>\n"
        "\t\tSets desired reference clock to refclock MHz. Advanced settings\n\t\tare unchanged.\n\n"
        "\t" + p + " [-d <debug_file> ] [-f] [-D] reset\n\t\tResets the configuration to defaults (stock).\n\n"
        "\t" + p + " -h\n\t\tDisplays this help and exits.\n\n"
        "\t" + p + " -V\n\t\tDisplays version information and exits.\n\n"
        "Options:\n\t-d <debug_file>\tEnables debug mode with debug_file used as\n\t\t\tNVRAM backing store\n"
        "\t-f\t\toverrides various safeguards in kelb-cu (DANGEROUS);\n\t\t\tused for debugging\n"
        "\t-D\t\tincreases verbosity level\n";
    ASSERT_EQ(h.out.substr(0, original.size()), original);
    std::string added = h.out.substr(original.size());
    for (const char *option : {" -l\n", "[-n] [-i <file>] [-s <name>=<value>]...", "\t-s name=value\t", "\t-i <file>\t",
                               "\t-n\t\t"})
        EXPECT_NE(added.find(option), std::string::npos) << option;
    // Every name a listing uses is explained, with its values.
    nvram_file f(encode_config(SAMPLE));
    run_result list = cu(f.path, {"-l"});
    for (std::size_t pos = 0; (pos = list.out.find('\n', pos)) + 1 < list.out.size(); pos++) {
        std::size_t eq = list.out.find('=', pos + 1), end = list.out.find('\n', pos + 1);
        if (list.out[pos + 1] == '#' || eq > end)
            continue;
        std::string name = list.out.substr(pos + 1, eq - pos - 1);
        EXPECT_NE(added.find("\t" + name + " "), std::string::npos) << name;
    }
    EXPECT_NE(added.find("\tnb-multiplier   auto, 9x, 10x or 11x\n"), std::string::npos) << added;
}
