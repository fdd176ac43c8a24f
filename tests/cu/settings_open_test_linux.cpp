// How each run opens the backing file, watched by the kernel: a run that
// lists, only shows what it would change, or refuses its assignments never
// opens it for writing (which file permissions cannot show when the tests
// run as root).
#include "machine_run.h"

#include <sys/inotify.h>
#include <unistd.h>

namespace {

struct opens {
    int for_writing = 0, read_only = 0;
};

opens watch_run(const std::vector<std::string> &args, const std::vector<env_change> &env)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    write_file(f, chip_with_record(3, encode_config({230, CFG_NOXMP, 2800, 0, 1, 2, 0})));
    int in = inotify_init1(IN_NONBLOCK);
    EXPECT_GE(in, 0);
    EXPECT_GE(inotify_add_watch(in, f.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE), 0);
    std::vector<std::string> argv = {KELB_CU_PATH, "-d", f};
    argv.insert(argv.end(), args.begin(), args.end());
    run_program(argv, env);
    opens o;
    alignas(inotify_event) char buf[4096];
    ssize_t n;
    while ((n = read(in, buf, sizeof buf)) > 0) {
        for (char *p = buf; p < buf + n;) {
            auto *e = reinterpret_cast<inotify_event *>(p);
            o.for_writing += (e->mask & IN_CLOSE_WRITE) != 0;
            o.read_only += (e->mask & IN_CLOSE_NOWRITE) != 0;
            p += sizeof(inotify_event) + e->len;
        }
    }
    close(in);
    return o;
}

} // namespace

TEST(SettingsOpen, OnlyAStoreOpensTheBackingFileForWriting)
{
    const std::vector<env_change> locked = {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "-1"}, {"KELB_DEBUG_CPU_LOCKED", "1"}};
    struct {
        std::vector<std::string> args;
        bool writes;
    } cases[] = {
        {{"-l"}, false},
        {{"-n", "-s", "xmp=yes"}, false},
        {{"-n", "240"}, false},
        {{"-n", "reset"}, false},
        {{"-s", "core-multiplier=+1.0"}, false}, // refused on a locked processor
        {{"-s", "xmp=no"}, false},               // unchanged
        {{"-s", "xmp=yes"}, true},
        {{"230"}, true}, // the reference-clock mode opens for writing as it always did, unchanged or not
    };
    for (const auto &c : cases) {
        opens o = watch_run(c.args, locked);
        std::string what = c.args.back();
        EXPECT_GE(o.read_only + o.for_writing, 1) << what; // the run did open the file
        if (c.writes) {
            EXPECT_GE(o.for_writing, 1) << what;
        } else {
            EXPECT_EQ(o.for_writing, 0) << what;
        }
    }
}
