#include "support/process_win.h"

#include "support/files.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <thread>

namespace {

// CMake hands the tests host paths; under wine a host path is reached through Z:.
std::string native_path(const std::string &p)
{
    if (p.empty() || p[0] != '/')
        return p;
    std::string w = "Z:";
    w += p;
    for (char &c : w)
        if (c == '/')
            c = '\\';
    return w;
}

std::string quote(const std::string &a)
{
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos)
        return a;
    std::string q = "\"";
    std::size_t slashes = 0;
    for (char c : a) {
        if (c == '\\') {
            slashes++;
            continue;
        }
        q.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, '\\');
    return q + "\"";
}

void drain(HANDLE h, std::string *to)
{
    char buf[4096];
    DWORD n;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
        to->append(buf, n);
}

// How the child starts: with this token instead of the parent's, with
// standard input from this handle instead of a pipe.
struct launch {
    HANDLE token = nullptr;
    HANDLE input = nullptr;
    std::string one_file; // both output streams to this file instead of pipes
    unsigned missing = 0;  // standard handles passed as none: bit 0 input, 1 output, 2 error
};

run_result run_with(const std::vector<std::string> &argv, const std::vector<env_change> &env,
                    const std::string &input, const launch &how)
{
    run_result r;
    // Environment block: the parent's, changed as asked, sorted as Windows wants it.
    std::map<std::string, std::string> vars;
    if (char *block = GetEnvironmentStringsA()) {
        for (char *e = block; *e; e += strlen(e) + 1) {
            std::string s = e;
            std::size_t eq = s.find('=', 1);
            if (eq != std::string::npos)
                vars[s.substr(0, eq)] = s.substr(eq + 1);
        }
        FreeEnvironmentStringsA(block);
    }
    for (const auto &[name, value] : env) {
        if (value)
            vars[name] = *value;
        else
            vars.erase(name);
    }
    std::string envblock;
    for (const auto &[k, v] : vars)
        envblock += k + "=" + v + '\0';
    envblock += '\0';

    std::string cmd;
    for (std::size_t i = 0; i < argv.size(); i++)
        cmd += (i ? " " : "") + quote(argv[i]); // argv[0] as given, like a shell

    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE in_r, in_w, out_r, out_w, err_r, err_w;
    if (!CreatePipe(&in_r, &in_w, &sa, 0) || !CreatePipe(&out_r, &out_w, &sa, 0) ||
        !CreatePipe(&err_r, &err_w, &sa, 0))
        return r;
    SetHandleInformation(in_w, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(out_r, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_r, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = how.input ? how.input : in_r;
    si.hStdOutput = out_w;
    si.hStdError = err_w;
    HANDLE *const standard[] = {&si.hStdInput, &si.hStdOutput, &si.hStdError};
    for (unsigned i = 0; i < 3; i++)
        if (how.missing >> i & 1u)
            *standard[i] = nullptr;
    // Without standard handles, no console either: as a service or a
    // program without a window starts it.
    DWORD creation = how.missing != 0 ? DETACHED_PROCESS : 0;
    HANDLE both = INVALID_HANDLE_VALUE;
    const std::string &one_file = how.one_file;
    if (!one_file.empty()) {
        both = CreateFileA(native_path(one_file).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (both != INVALID_HANDLE_VALUE)
            si.hStdOutput = si.hStdError = both;
    }
    PROCESS_INFORMATION pi{};
    std::string app = native_path(argv[0]);
    // Under a loaded wine a start now and then fails for no reason of the
    // program's; it is tried again, and a start that never succeeds says why.
    BOOL ok = FALSE;
    for (int attempt = 0; attempt < 3 && !ok; attempt++) {
        if (attempt > 0)
            Sleep(200);
        ok = how.token ? CreateProcessAsUserA(how.token, app.c_str(), cmd.data(), nullptr, nullptr, TRUE, creation,
                                              envblock.data(), nullptr, &si, &pi)
                       : CreateProcessA(app.c_str(), cmd.data(), nullptr, nullptr, TRUE, creation, envblock.data(),
                                        nullptr, &si, &pi);
    }
    if (!ok)
        r.err = "the test could not start " + app + ": error " + std::to_string(GetLastError());
    if (both != INVALID_HANDLE_VALUE)
        CloseHandle(both);
    CloseHandle(in_r);
    CloseHandle(out_w);
    CloseHandle(err_w);
    if (!ok) {
        CloseHandle(in_w);
        CloseHandle(out_r);
        CloseHandle(err_r);
        return r;
    }
    std::thread t_out(drain, out_r, &r.out), t_err(drain, err_r, &r.err);
    DWORD written;
    if (!input.empty())
        WriteFile(in_w, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(in_w);
    t_out.join();
    t_err.join();
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    r.status = static_cast<int>(code);
    if (!one_file.empty()) {
        bytes b = read_file(one_file);
        r.out.assign(b.begin(), b.end());
    }
    // Text-mode streams end lines with CR LF; compare the text itself.
    for (std::string *s : {&r.out, &r.err}) {
        std::string t;
        for (std::size_t i = 0; i < s->size(); i++)
            if (!((*s)[i] == '\r' && i + 1 < s->size() && (*s)[i + 1] == '\n'))
                t += (*s)[i];
        *s = t;
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(out_r);
    CloseHandle(err_r);
    return r;
}

} // namespace

run_result run_program(const std::vector<std::string> &argv,
                       const std::vector<env_change> &env, const std::string &input,
                       const std::string &one_file)
{
    return run_with(argv, env, input, {nullptr, nullptr, one_file});
}

run_result run_program_unelevated(const std::vector<std::string> &argv, const std::vector<env_change> &env)
{
    HANDLE own;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own))
        return {};
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    BOOL ok = GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size);
    CloseHandle(own);
    if (!ok)
        return {};
    HANDLE primary;
    ok = DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                          TokenPrimary, &primary);
    CloseHandle(linked.LinkedToken);
    if (!ok)
        return {};
    run_result r = run_with(argv, env, {}, {primary, nullptr, {}});
    CloseHandle(primary);
    return r;
}

run_result run_program_reading(const std::vector<std::string> &argv, const char *device,
                               const std::vector<env_change> &env)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE in = CreateFileA(device, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return {};
    run_result r = run_with(argv, env, {}, {nullptr, in, {}});
    CloseHandle(in);
    return r;
}

run_result run_program_without_handles(const std::vector<std::string> &argv, unsigned missing,
                                       const std::vector<env_change> &env)
{
    launch how;
    how.missing = missing;
    return run_with(argv, env, {}, how);
}
