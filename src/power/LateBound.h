// Every function the program binds at run time, with the library it comes from: each is missing
// from some Windows the exe still runs on (95, 98 and Me have no window stations and stub the wide
// calls; only the NT family has advapi32's security calls, XP on wtsapi32, Vista on dwmapi), so
// none may be a load-time import. Windows only.
#pragma once

#include <windows.h>

// The one list: library, function, type.
#define ENDNOW_LATE_BOUND(X)                                                                       \
    X(Advapi32, LookupPrivilegeValueA, BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID))                       \
    X(Advapi32, OpenProcessToken, BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE))                           \
    X(Advapi32, AdjustTokenPrivileges,                                                             \
      BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD))            \
    X(Advapi32, GetTokenInformation,                                                               \
      BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD))                       \
    X(Advapi32, EqualSid, BOOL(WINAPI*)(PSID, PSID))                                               \
    X(Advapi32, InitiateSystemShutdownExW,                                                         \
      BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, BOOL, BOOL, DWORD))                                     \
    X(Advapi32, InitiateSystemShutdownW, BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, BOOL, BOOL))         \
    X(Advapi32, RegisterEventSourceA, HANDLE(WINAPI*)(LPCSTR, LPCSTR))                             \
    X(Advapi32, ReportEventA,                                                                      \
      BOOL(WINAPI*)(HANDLE, WORD, WORD, DWORD, PSID, WORD, DWORD, LPCSTR*, LPVOID))                \
    X(Advapi32, DeregisterEventSource, BOOL(WINAPI*)(HANDLE))                                      \
    X(User32, GetProcessWindowStation, HWINSTA(WINAPI*)())                                         \
    X(User32, GetUserObjectInformationA, BOOL(WINAPI*)(HANDLE, int, PVOID, DWORD, LPDWORD))        \
    X(Kernel32, GetModuleFileNameW, DWORD(WINAPI*)(HMODULE, LPWSTR, DWORD))                        \
    X(Kernel32, ProcessIdToSessionId, BOOL(WINAPI*)(DWORD, DWORD*))                                \
    X(Wtsapi32, WTSEnumerateSessionsW, BOOL(WINAPI*)(HANDLE, DWORD, DWORD, SessionArray*, DWORD*)) \
    X(Wtsapi32, WTSQuerySessionInformationW, BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*))   \
    X(Wtsapi32, WTSFreeMemory, void(WINAPI*)(PVOID))                                               \
    X(Dwmapi, DwmSetWindowAttribute, HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD))

namespace win {

// What WTSEnumerateSessionsW fills: <wtsapi32.h> is left out, the records are WinApi.h's.
using SessionArray = void*;

// The libraries, each loaded from the system folder on the first use of one of its functions
// (never by its bare name, which would look in the exe's own folder first, where anyone who can
// write there could plant one) and freed with the table.
class LateBound {
public:
    enum Library { Kernel32, User32, Advapi32, Wtsapi32, Dwmapi, kLibraries };

    LateBound() = default;
    ~LateBound();
    LateBound(const LateBound&) = delete;
    LateBound& operator=(const LateBound&) = delete;

    // One typed accessor for each function listed: null where the library or the function is
    // missing.
#define ENDNOW_ACCESSOR(library, name, type) \
    using name##Fn = type;                   \
    name##Fn name() { return reinterpret_cast<name##Fn>(Find(library, #name)); }
    ENDNOW_LATE_BOUND(ENDNOW_ACCESSOR)
#undef ENDNOW_ACCESSOR

private:
    void* Find(Library library, const char* name);

    HMODULE libraries_[kLibraries] = {};
    bool tried_[kLibraries] = {};
};

}  // namespace win
