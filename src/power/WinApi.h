// The Windows calls the program's decisions and reports depend on, as one
// small interface. The real implementation (WinApiReal.cpp) is built only for
// Windows; tests drive a scripted fake. Types mirror the Win32 records bit for
// bit but need no <windows.h>, so the logic behind them builds anywhere.
#pragma once

#include <cstdint>
#include <string>

#include "power/ErrorRecord.h"

namespace win {

using Handle = void*;
using Bool = std::int32_t;  // a Win32 BOOL: 0 is failure, anything else success

struct OsVersionInfoA {
    std::uint32_t dwOSVersionInfoSize;
    std::uint32_t dwMajorVersion;
    std::uint32_t dwMinorVersion;
    std::uint32_t dwBuildNumber;
    std::uint32_t dwPlatformId;
    char szCSDVersion[128];
};

struct Luid {
    std::uint32_t LowPart;
    std::int32_t HighPart;
};

// TOKEN_PRIVILEGES with room for exactly one entry: 16 bytes.
struct TokenPrivileges {
    std::uint32_t PrivilegeCount;
    Luid PrivilegeLuid;
    std::uint32_t Attributes;
};

// USEROBJECTFLAGS.
struct UserObjectFlags {
    Bool fInherit;
    Bool fReserved;
    std::uint32_t dwFlags;
};

// TOKEN_GROUPS: a count, then that many SID_AND_ATTRIBUTES.
struct SidAndAttributes {
    void* Sid;
    std::uint32_t Attributes;
};
struct TokenGroups {
    std::uint32_t GroupCount;
    SidAndAttributes Groups[1];
};

// WTS_SESSION_INFOW.
struct WtsSessionInfoW {
    std::uint32_t SessionId;
    wchar_t* pWinStationName;
    std::int32_t State;
};

inline constexpr std::uint32_t kPlatformWin9x = 1;          // VER_PLATFORM_WIN32_WINDOWS
inline constexpr std::uint32_t kPlatformNT = 2;             // VER_PLATFORM_WIN32_NT
inline constexpr std::int32_t kUoiFlags = 1;                // UOI_FLAGS
inline constexpr std::int32_t kUoiUserSid = 4;              // UOI_USER_SID
inline constexpr std::uint32_t kWsfVisible = 1;             // WSF_VISIBLE
inline constexpr std::int32_t kTokenGroups = 2;             // TokenGroups
inline constexpr std::uint32_t kGroupLogonId = 0xC0000000;  // SE_GROUP_LOGON_ID
inline constexpr std::int32_t kWtsUserName = 5;             // WTSUserName
inline constexpr std::uint32_t kErrorNotReady = 21;         // ERROR_NOT_READY
inline constexpr std::uint32_t kErrorProcNotFound = 127;    // ERROR_PROC_NOT_FOUND

class WinApi {
public:
    virtual ~WinApi() = default;

    virtual Bool GetVersionExA(OsVersionInfoA& info) = 0;
    virtual Bool LookupPrivilegeValueA(const char* systemName, const char* name, Luid& luid) = 0;
    virtual Handle GetCurrentProcess() = 0;
    virtual Bool OpenProcessToken(Handle process, std::uint32_t desiredAccess, Handle& token) = 0;
    virtual Bool AdjustTokenPrivileges(Handle token, Bool disableAll,
                                       const TokenPrivileges& newState, std::uint32_t bufferLength,
                                       TokenPrivileges* previousState,
                                       std::uint32_t* returnLength) = 0;
    virtual Bool GetTokenInformation(Handle token, std::int32_t infoClass, void* info,
                                     std::uint32_t length, std::uint32_t* returnLength) = 0;
    virtual Bool EqualSid(const void* a, const void* b) = 0;
    virtual Bool CloseHandle(Handle handle) = 0;
    virtual Bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    // The system-shutdown calls, for a caller that is not the interactive user. advapi32 has the
    // Ex form from XP on; a call the system lacks fails with ERROR_PROC_NOT_FOUND.
    virtual Bool InitiateSystemShutdownExW(const wchar_t* machine, const wchar_t* message,
                                           std::uint32_t timeout, Bool forceAppsClosed, Bool reboot,
                                           std::uint32_t reason) = 0;
    virtual Bool InitiateSystemShutdownW(const wchar_t* machine, const wchar_t* message,
                                         std::uint32_t timeout, Bool forceAppsClosed,
                                         Bool reboot) = 0;
    virtual std::uint32_t GetLastError() = 0;
    virtual std::uint32_t FormatMessageA(std::uint32_t flags, const void* source,
                                         std::uint32_t messageId, std::uint32_t languageId,
                                         char* buffer, std::uint32_t size) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Window stations are the NT family's: Windows 95, 98 and Me do not support them.
    virtual Handle GetProcessWindowStation() = 0;
    virtual Bool GetUserObjectInformationA(Handle object, std::int32_t index, void* info,
                                           std::uint32_t length, std::uint32_t* needed) = 0;
    [[noreturn]] virtual void ExitProcess(std::uint32_t code) = 0;

    // The sessions of the machine (wtsapi32, from XP on) and the process's own.
    virtual std::uint32_t GetCurrentProcessId() = 0;
    virtual Bool ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) = 0;
    virtual Bool WTSEnumerateSessionsW(Handle server, std::uint32_t reserved, std::uint32_t version,
                                       WtsSessionInfoW** sessions, std::uint32_t* count) = 0;
    virtual Bool WTSQuerySessionInformationW(Handle server, std::uint32_t sessionId,
                                             std::int32_t infoClass, wchar_t** buffer,
                                             std::uint32_t* bytes) = 0;
    virtual void WTSFreeMemory(void* memory) = 0;

    // The Application event log, where an error no one can see is recorded.
    virtual Handle RegisterEventSourceA(const char* server, const char* source) = 0;
    virtual Bool ReportEventA(Handle log, std::uint16_t type, std::uint16_t category,
                              std::uint32_t eventId, const void* userSid, std::uint16_t stringCount,
                              std::uint32_t dataSize, const char** strings, const void* data) = 0;
    virtual Bool DeregisterEventSource(Handle log) = 0;

    virtual std::int32_t MessageBoxA(Handle owner, const char* text, const char* caption,
                                     std::uint32_t type) = 0;
    // dwmapi, from Vista on; an HRESULT, negative on failure.
    virtual std::int32_t DwmSetWindowAttribute(Handle window, std::uint32_t attribute,
                                               const void* value, std::uint32_t size) = 0;

    // GetCommandLineW: the whole command line, program name included.
    virtual std::wstring CommandLine() = 0;
    // GetModuleFileNameA for the running executable.
    virtual std::string ModuleFileName() = 0;
    // The same path in wide characters: GetModuleFileNameW where it works,
    // else the 8-bit path converted from the system code page ("" on failure).
    virtual std::wstring ModuleFileNameW() = 0;
    // The program's last-chance reporter: shows the error in a message box
    // (no owner, error icon, titled with the program's name) and ends the
    // process with exit code 1.
    [[noreturn]] virtual void ReportAndExit(const mShutDown::ErrorRecord& error) = 0;
};

}  // namespace win
