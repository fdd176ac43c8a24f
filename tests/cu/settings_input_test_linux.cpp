// -i on endless sources, under a memory limit: the run ends with its message
// and status 2 in constant memory instead of growing until it aborts.
#include "machine_run.h"

#include <cerrno>
#include <filesystem>
#include <string>

// 256 MiB of address space: a few seconds of unbounded reading exceed it. The
// address sanitizer reserves far more than that for itself, so its builds
// check the outcome only.
#if defined(__SANITIZE_ADDRESS__)
constexpr char MEMORY_LIMIT[] = "";
#else
constexpr char MEMORY_LIMIT[] = "ulimit -v 262144; ";
#endif

TEST(SettingsInput, EndlessSourcesEndInConstantMemory)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin");
    const bytes before = chip_with_record(3, encode_config(CFG_DEFAULTS));
    write_file(f, before);
    for (const char *source : {"/dev/zero", "/dev/urandom"}) {
        run_result r = run_program({"/bin/sh", "-c", std::string(MEMORY_LIMIT) + "exec \"$0\" -d \"$1\" -i \"$2\"",
                                    KELB_CU_PATH, f, source},
                                   {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "-1"}, {"KELB_DEBUG_CPU_LOCKED", "0"}});
        EXPECT_EQ(r.status, 2) << source << "\n" << r.err;
        EXPECT_EQ(r.err, std::string(KELB_CU_PATH) + ": settings file " + source +
                             ": longer than 65536 bytes; a listing is far shorter\n")
            << source;
        EXPECT_EQ(read_file(f), before) << source;
    }
}

// A directory is no settings file: some systems open it, and only the read
// fails. Refused with the system's reason, nothing opened for writing.
TEST(SettingsInput, DirectoryIsRefusedWithTheSystemsReason)
{
    scratch_dir dir;
    std::string f = dir.file("nvram.bin"), conf = dir.file("good.conf");
    const bytes before = chip_with_record(3, encode_config(CFG_DEFAULTS));
    write_file(f, before);
    std::filesystem::create_directory(conf);
    run_result r = run_program({KELB_CU_PATH, "-d", f, "-s", "xmp=no", "-i", conf},
                               {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "-1"}, {"KELB_DEBUG_CPU_LOCKED", "0"}});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string(KELB_CU_PATH) + ": settings file " + conf + ": " + errno_text(EISDIR) + "\n");
    EXPECT_EQ(read_file(f), before);
}
