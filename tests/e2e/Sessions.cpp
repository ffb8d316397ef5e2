// wtsapi32.dll for the end-to-end runs that need other users logged on, which Wine's own never
// has: the three calls the exe makes, answering from ENDNOW_SESSIONS, sessions apart by ';',
// each "ID,STATE,USER" ("own" for the caller's session). "fail" makes the enumeration fail with
// ERROR_ACCESS_DENIED, as it does for a caller without the right to query.
#include <windows.h>
#include <wtsapi32.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

// The script's sessions (8 at most), in one block for WTSFreeMemory, each with its user's name
// where the station's would be: no caller here reads that.
WTS_SESSION_INFOW* Script(DWORD* count) {
    char text[512] = {}, id[8], user[32];
    GetEnvironmentVariableA("ENDNOW_SESSIONS", text, sizeof text);
    DWORD own = 0;
    unsigned long state = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &own);
    auto* sessions =
        static_cast<WTS_SESSION_INFOW*>(LocalAlloc(LPTR, 8 * (sizeof(WTS_SESSION_INFOW) + 64)));
    auto* names = reinterpret_cast<wchar_t*>(sessions + 8);
    *count = 0;
    for (char* entry = std::strtok(text, ";"); entry && *count < 8; entry = std::strtok(0, ";")) {
        user[0] = '\0';
        if (std::sscanf(entry, "%7[^,],%lu,%31s", id, &state, user) < 2) continue;
        wchar_t* name = names + 32 * *count;
        MultiByteToWideChar(CP_ACP, 0, user, -1, name, 32);
        sessions[(*count)++] = {std::strcmp(id, "own") ? std::strtoul(id, nullptr, 10) : own, name,
                                static_cast<WTS_CONNECTSTATE_CLASS>(state)};
    }
    return sessions;
}

}  // namespace

// Exported by their own names; what they return, the caller frees with WTSFreeMemory, as
// Windows' own.
extern "C" {

__declspec(dllexport) BOOL WINAPI
    WTSEnumerateSessionsW(HANDLE, DWORD, DWORD, WTS_SESSION_INFOW** out, DWORD* count) {
    char script[8] = {};  // a longer script does not fit, and leaves it empty
    GetEnvironmentVariableA("ENDNOW_SESSIONS", script, sizeof script);
    if (!std::strcmp(script, "fail")) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
    *out = Script(count);
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI WTSQuerySessionInformationW(HANDLE, DWORD id, WTS_INFO_CLASS what,
                                                              LPWSTR* buffer, DWORD* bytes) {
    DWORD count = 0, i = 0;
    WTS_SESSION_INFOW* sessions = Script(&count);
    while (i < count && sessions[i].SessionId != id) ++i;
    const BOOL found = i < count && what == WTSUserName;
    if (found) {
        *bytes = static_cast<DWORD>((std::wcslen(sessions[i].pWinStationName) + 1) * 2);
        *buffer = static_cast<LPWSTR>(LocalAlloc(LPTR, *bytes));
        std::memcpy(*buffer, sessions[i].pWinStationName, *bytes);
    }
    LocalFree(sessions);
    if (!found) SetLastError(ERROR_INVALID_PARAMETER);
    return found;
}

__declspec(dllexport) void WINAPI WTSFreeMemory(void* memory) { LocalFree(memory); }
}
