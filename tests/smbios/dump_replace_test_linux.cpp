// How --dump-bin replaces a file: links stay links, the replaced file's
// owner, group, permissions and extended attributes stay (setuid never), a
// file the invoker could not write in place is not replaced, any name the
// folder holds works, no signal leaves the new file behind, and a run that
// fails never comes with a replaced file.
#include "fixture.h"

#include "smbios/platform.h"
#include "support/process_linux.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr uid_t NOBODY = 65534;
constexpr gid_t NOGROUP = 65534;
const char SYSFS_ENTRY[] = "/sys/firmware/dmi/tables/smbios_entry_point";
const char SYSFS_TABLE[] = "/sys/firmware/dmi/tables/DMI";
const bytes OLD_CONTENT(100, 0xAB);

bytes sample_table()
{
    return concat({structure(2, 1, {1, 2, 0, 0}, {"Maker", "P1"}), end_of_table(2)});
}

bytes sample_dump()
{
    return dump_image(entry_sm3(32, static_cast<std::uint32_t>(sample_table().size())), sample_table());
}

// A machine whose sysfs holds the sample table, in a folder everyone may enter.
struct dump_machine {
    sim_machine m;
    dump_machine()
    {
        m.place(SYSFS_ENTRY, entry_sm3(0, static_cast<std::uint32_t>(sample_table().size())));
        m.place(SYSFS_TABLE, sample_table());
        const fs::path scratch = fs::path(m.file("x")).parent_path();
        fs::permissions(scratch, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        for (const auto &e : fs::recursive_directory_iterator(scratch))
            fs::permissions(e.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    }
    // kelb-dmi-sim with `args`, as root or (`as_nobody`) as the user nobody.
    run_result run(const std::vector<std::string> &args, bool as_nobody = false) const
    {
        std::vector<std::string> argv;
        if (as_nobody)
            argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        argv.push_back(KELB_DMI_SIM_PATH);
        argv.insert(argv.end(), args.begin(), args.end());
        return run_program(argv, {{"KELB_SIM_ROOT", m.root()}});
    }
};

// The names in `dir` that a dump run could have left: its new files.
std::vector<std::string> new_files_in(const std::string &dir)
{
    std::vector<std::string> found;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind(".kelb-dmi-", 0) == 0)
            found.push_back(e.path().string());
    return found;
}

#define SKIP_UNLESS_ROOT()                                                                                      \
    if (geteuid() != 0)                                                                                        \
    GTEST_SKIP() << "needs root, to own files as another user"

TEST(DumpReplace, ALinkStaysALink)
{
    dump_machine d;
    const std::string dir = d.m.file("links");
    fs::create_directories(dir + "/real");
    struct link_case {
        const char *name, *link;
        std::vector<std::pair<std::string, std::string>> links; // name, what it names
        const char *file;                                        // the file that gets the dump, or none
    };
    const std::vector<link_case> cases = {
        {"dangling", "dang", {{"dang", "missing.bin"}}, "missing.bin"},
        {"chain of two into a folder", "first", {{"first", "second"}, {"second", "real/file.bin"}}, "real/file.bin"},
        {"absolute", "abs", {{"abs", dir + "/real/abs.bin"}}, "real/abs.bin"},
        {"loop", "a", {{"a", "b"}, {"b", "a"}}, nullptr},
    };
    for (const link_case &c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto &[name, target] : c.links)
            fs::create_symlink(target, dir + "/" + name);
        const std::string link = dir + "/" + c.link;
        run_result r = d.run({"-q", "--dump-bin", link});
        for (const auto &[name, target] : c.links) {
            EXPECT_TRUE(fs::is_symlink(dir + "/" + name)) << name;
            EXPECT_EQ(fs::read_symlink(dir + "/" + name), target);
        }
        if (c.file) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(read_file(dir + "/" + c.file), sample_dump());
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, link + ": symbolic link: " + std::strerror(ELOOP) + "\n");
        }
        EXPECT_EQ(new_files_in(dir), std::vector<std::string>{});
        EXPECT_EQ(new_files_in(dir + "/real"), std::vector<std::string>{});
    }
}

TEST(DumpReplace, TheReplacedFileKeepsOwnerGroupPermissionsAndAttributesButNoSetuid)
{
    SKIP_UNLESS_ROOT();
    dump_machine d;
    struct owner_case {
        const char *name;
        mode_t mode, kept;
    };
    for (const owner_case &c : {owner_case{"private to its owner", 0600, 0600},
                                owner_case{"setuid", 04755, 0755},
                                owner_case{"setgid, group-readable", 02640, 0640}}) {
        SCOPED_TRACE(c.name);
        const std::string file = d.m.file("owned.bin");
        write_file(file, OLD_CONTENT);
        ASSERT_EQ(chown(file.c_str(), NOBODY, NOGROUP), 0);
        ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
        const bool with_attribute = setxattr(file.c_str(), "user.note", "kept", 4, 0) == 0;
        run_result r = d.run({"-q", "--dump-bin", file});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_file(file), sample_dump());
        struct stat st;
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, NOBODY);
        EXPECT_EQ(st.st_gid, NOGROUP);
        EXPECT_EQ(st.st_mode & 07777, c.kept);
        if (with_attribute) {
            char value[8] = {};
            EXPECT_EQ(getxattr(file.c_str(), "user.note", value, sizeof value), 4);
            EXPECT_STREQ(value, "kept");
        }
        // Its owner can still read it.
        run_result owner = run_program({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                        "/bin/cat", file});
        EXPECT_EQ(owner.status, (c.kept & 0400) ? 0 : 1) << owner.err;
        fs::remove(file);
    }
    {
        // A new file gets the invoker's file-creation mask, not the private mode of its making.
        const std::string file = d.m.file("new.bin");
        run_result r = run_program({"/bin/sh", "-c", "umask 022; exec \"$0\" -q --dump-bin \"$1\"", KELB_DMI_SIM_PATH,
                                    file},
                                   {{"KELB_SIM_ROOT", d.m.root()}});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fs::status(file).permissions(), static_cast<fs::perms>(0644));
    }
}

TEST(DumpReplace, AFileTheInvokerCouldNotWriteIsNotReplaced)
{
    SKIP_UNLESS_ROOT();
    dump_machine d;
    // A folder of nobody's own, and one of root's that nobody may only read.
    const std::string own = d.m.file("own"), roots = d.m.file("roots");
    fs::create_directories(own);
    fs::create_directories(roots);
    ASSERT_EQ(chown(own.c_str(), NOBODY, NOGROUP), 0);
    fs::permissions(roots, static_cast<fs::perms>(0755));
    struct access_case {
        const char *name;
        std::string file;
        mode_t mode;
        std::string err; // empty: replaced
    };
    const std::vector<access_case> cases = {
        {"writable, in the user's folder", own + "/w.bin", 0644, ""},
        {"read-only, in the user's folder", own + "/r.bin", 0444,
         own + "/r.bin: access: " + std::strerror(EACCES) + "\n"},
        {"writable, in a folder the user cannot write", roots + "/w.bin", 0644,
         roots + "/w.bin: creating its new file in " + roots + ": " + std::strerror(EACCES) + "\n"},
    };
    for (const access_case &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(c.file, OLD_CONTENT);
        ASSERT_EQ(chown(c.file.c_str(), NOBODY, NOGROUP), 0);
        ASSERT_EQ(chmod(c.file.c_str(), c.mode), 0);
        run_result r = d.run({"-q", "--dump-bin", c.file}, true);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.err.empty() ? 0 : 1);
        EXPECT_EQ(read_file(c.file), c.err.empty() ? sample_dump() : OLD_CONTENT);
        EXPECT_EQ(fs::status(c.file).permissions(), static_cast<fs::perms>(c.mode));
        EXPECT_EQ(new_files_in(fs::path(c.file).parent_path().string()), std::vector<std::string>{});
    }
    // Root writes where it may, read-only files included, as ">" does.
    write_file(own + "/r.bin", OLD_CONTENT);
    EXPECT_EQ(d.run({"-q", "--dump-bin", own + "/r.bin"}).status, 0);
    EXPECT_EQ(read_file(own + "/r.bin"), sample_dump());
}

TEST(DumpReplace, AnyNameTheFolderHoldsWorks)
{
    dump_machine d;
    for (std::size_t length : {249u, 255u}) {
        SCOPED_TRACE(length);
        const std::string file = d.m.file(std::string(length, 'n'));
        run_result r = d.run({"-q", "--dump-bin", file});
        EXPECT_EQ(r.status, 0) << r.err;
        write_file(file, OLD_CONTENT);
        r = d.run({"-q", "--dump-bin", file});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_file(file), sample_dump());
    }
}

// Starts kelb-dmi-sim with its output thrown away; its process id.
pid_t start_sim(const std::vector<std::string> &args, const std::string &root)
{
    pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        std::vector<std::string> argv = {KELB_DMI_SIM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        exec_child(argv, {{"KELB_SIM_ROOT", root}});
    }
    return pid;
}

TEST(DumpReplace, NoSignalLeavesTheNewFileBehind)
{
    // A table of the bound's size, so that writing it takes a while.
    sim_machine m;
    bytes big = sample_table();
    m.place(SYSFS_ENTRY, entry_sm3(0, MAX_TABLE_SIZE));
    m.place(SYSFS_TABLE, big);
    fs::resize_file(m.root() + SYSFS_TABLE, MAX_TABLE_SIZE);
    const std::string dir = m.file("out"), dump = dir + "/dump.bin";
    fs::create_directories(dir);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        bool caught = false;
        for (int attempt = 0; attempt < 50 && !caught; attempt++) {
            write_file(dump, OLD_CONTENT);
            chmod(dump.c_str(), 0640); // narrower than a file made with the usual umask
            pid_t pid = start_sim({"-q", "--dump-bin", dump}, m.root());
            ASSERT_GT(pid, 0);
            int status = 0;
            std::vector<std::string> seen;
            // Stopped while its new file exists, then sent the signal.
            while (seen.empty() && waitpid(pid, &status, WNOHANG) == 0)
                seen = new_files_in(dir);
            if (seen.empty())
                continue; // finished before its new file was seen
            kill(pid, SIGSTOP);
            struct stat st, target;
            if (stat(seen[0].c_str(), &st) == 0 && stat(dump.c_str(), &target) == 0) {
                caught = true;
                // Written for its owner alone; given the target's mode only
                // once its bytes are all there, just before it takes its place.
                mode_t mode = st.st_mode & 07777;
                EXPECT_TRUE(mode == 0600u || mode == (target.st_mode & 0777)) << std::oct << mode;
            }
            kill(pid, sig);
            kill(pid, SIGCONT);
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            if (!caught)
                continue;
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
            EXPECT_EQ(new_files_in(dir), std::vector<std::string>{});
            EXPECT_EQ(read_file(dump), OLD_CONTENT);
        }
        EXPECT_TRUE(caught) << "no run was seen with its new file";
    }
}

TEST(DumpReplace, AFailedRunNeverComesWithAReplacedFile)
{
    dump_machine d;
    const std::string dump = d.m.file("dump.bin");
    const std::string closed = "standard output: " + std::string(std::strerror(EBADF)) + "\n";
    const std::string full = "standard output: " + std::string(std::strerror(ENOSPC)) + "\n";
    struct output_case {
        const char *options, *redirection;
        std::string err; // empty: the run succeeds
    };
    // Quiet, nothing is written to the output, so nothing is lost there.
    for (const output_case &c : {output_case{"-q", ">&-", ""}, output_case{"-q", ">/dev/full", ""},
                                 output_case{"", ">&-", closed}, output_case{"", ">/dev/full", full}}) {
        SCOPED_TRACE(std::string(c.options) + " " + c.redirection);
        write_file(dump, OLD_CONTENT);
        std::string command = "\"$0\" " + std::string(c.options) + " --dump-bin \"$1\" " + c.redirection;
        run_result r = run_program({"/bin/sh", "-c", command, KELB_DMI_SIM_PATH, dump},
                                   {{"KELB_SIM_ROOT", d.m.root()}});
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.err.empty() ? 0 : 1);
        EXPECT_EQ(read_file(dump), c.err.empty() ? sample_dump() : OLD_CONTENT);
        EXPECT_EQ(new_files_in(d.m.file("")), std::vector<std::string>{});
    }
}

} // namespace
