// An administrator whose process was not started "as administrator" runs with
// a filtered token: only the token's own elevation flag tells the two apart.
#include "hw/host.h"

#include <windows.h>

host_system this_host() { return host_system::windows; }

bool process_privileged()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    BOOL ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return ok && elevation.TokenIsElevated != 0;
}
