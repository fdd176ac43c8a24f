// Table files and the dump file's replacement on Linux: sources opened
// without waiting, and a new dump file that takes over what the system lets
// it keep of the one it replaces, and that no signal leaves behind.
#include "smbios/table_io.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Closes `fd` after a failure, keeping the errno that tells of it: -1.
int fail_closing(int fd)
{
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
}

} // namespace

int open_for_reading(const std::string &file, file_ptr *f)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
    // come; what was opened is then checked, not what the name was before.
    int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0)
        return fail_closing(fd);
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        close(fd);
        return -2;
    }
    int status_flags = fcntl(fd, F_GETFL);
    if (status_flags != -1)
        fcntl(fd, F_SETFL, status_flags & ~O_NONBLOCK);
    f->reset(fdopen(fd, "rb"));
    if (!*f)
        return fail_closing(fd);
    return 0;
}

namespace {

// The signals that end a run at a user's or the system's request, and the
// actions they had before the new file was created.
constexpr std::array<int, 4> ENDING_SIGNALS = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
std::array<struct sigaction, ENDING_SIGNALS.size()> earlier_actions;
bool guarding = false;

// The new file's name for the handler, which may use no allocated memory.
char guarded_name[PATH_MAX + 32];
volatile sig_atomic_t name_guarded = 0;

void remove_and_end(int signal_number)
{
    if (name_guarded)
        unlink(guarded_name);
    // Ended as the signal would have ended it, once the handler returns.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

sigset_t ending_set()
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : ENDING_SIGNALS)
        sigaddset(&set, s);
    return set;
}

void guard()
{
    if (guarding)
        return;
    struct sigaction act {};
    act.sa_handler = remove_and_end;
    sigfillset(&act.sa_mask);
    for (std::size_t i = 0; i < ENDING_SIGNALS.size(); i++) {
        sigaction(ENDING_SIGNALS[i], nullptr, &earlier_actions[i]);
        // A signal the invoker chose to ignore (nohup) stays ignored.
        if (earlier_actions[i].sa_handler != SIG_IGN)
            sigaction(ENDING_SIGNALS[i], &act, nullptr);
    }
    guarding = true;
}

void unguard()
{
    if (!guarding)
        return;
    for (std::size_t i = 0; i < ENDING_SIGNALS.size(); i++)
        sigaction(ENDING_SIGNALS[i], &earlier_actions[i], nullptr);
    guarding = false;
}

std::string folder_of(const std::string &target)
{
    std::string::size_type slash = target.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : target.substr(0, slash);
}

// The owner, group and permission bits of `target` onto the open new file:
// the owner and group where the run may set them (as root); a group the run
// cannot give keeps no more rights than others have. Setuid, setgid and
// sticky bits are never carried over.
void take_over_attributes(int fd, const struct stat &old)
{
    mode_t mode = old.st_mode & 0777;
    struct stat now;
    if (fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0)
        mode &= ~(070 & ~((mode & 07) << 3));
    fchmod(fd, mode);
}

// The extended attributes of `target` onto the open new file, as far as the
// file system and the run's rights allow (an access list among them), but
// for capabilities.
void take_over_extended_attributes(int fd, const std::string &target)
{
    ssize_t size = listxattr(target.c_str(), nullptr, 0);
    if (size <= 0)
        return;
    std::vector<char> names(static_cast<std::size_t>(size));
    size = listxattr(target.c_str(), names.data(), names.size());
    if (size <= 0)
        return;
    for (const char *name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
        // Capabilities grant privileges, as setuid does: never carried over.
        if (std::strcmp(name, "security.capability") == 0)
            continue;
        ssize_t length = getxattr(target.c_str(), name, nullptr, 0);
        if (length < 0)
            continue;
        std::vector<char> value(static_cast<std::size_t>(length) + 1);
        length = getxattr(target.c_str(), name, value.data(), value.size());
        if (length >= 0)
            fsetxattr(fd, name, value.data(), static_cast<std::size_t>(length), 0);
    }
}

} // namespace

std::string create_file_beside(const std::string &target)
{
    // A write beyond the file-size limit fails and is reported, instead of
    // ending the run silently with the new file left behind.
    signal(SIGXFSZ, SIG_IGN);
    // A short name of its own, so that any name the folder holds can be
    // replaced, however long.
    std::string name = folder_of(target) + "/.kelb-dmi-XXXXXX";
    if (name.size() >= sizeof guarded_name) {
        errno = ENAMETOOLONG;
        return {};
    }
    sigset_t ending = ending_set(), before;
    sigprocmask(SIG_BLOCK, &ending, &before);
    guard();
    std::memcpy(guarded_name, name.c_str(), name.size() + 1);
    // Created for the invoker alone (mode 0600) while it is written.
    int fd = mkostemp(guarded_name, O_CLOEXEC);
    int saved = errno;
    if (fd >= 0) {
        name_guarded = 1;
        name = guarded_name;
        close(fd);
    } else {
        unguard();
        name.clear();
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    errno = saved;
    return name;
}

int check_writable(const std::string &target)
{
    return faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS);
}

int replace_file(const std::string &temporary, const std::string &target, const char **step)
{
    int fd = open(temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *step = "open";
        return -1;
    }
    struct stat old;
    if (stat(target.c_str(), &old) == 0) {
        take_over_attributes(fd, old);
        take_over_extended_attributes(fd, target);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    // On the disk before it takes the old file's place.
    if (fsync(fd) != 0 && errno != EINVAL) {
        *step = "fsync";
        return fail_closing(fd);
    }
    close(fd);
    sigset_t ending = ending_set(), before;
    sigprocmask(SIG_BLOCK, &ending, &before);
    int result = rename(temporary.c_str(), target.c_str());
    int saved = errno;
    if (result == 0)
        name_guarded = 0;
    sigprocmask(SIG_SETMASK, &before, nullptr);
    errno = saved;
    *step = "rename";
    return result;
}

void drop_file_beside(const std::string &temporary)
{
    sigset_t ending = ending_set(), before;
    sigprocmask(SIG_BLOCK, &ending, &before);
    if (name_guarded)
        unlink(temporary.c_str());
    name_guarded = 0;
    unguard();
    sigprocmask(SIG_SETMASK, &before, nullptr);
}
