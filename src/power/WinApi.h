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

inline constexpr std::uint32_t kPlatformWin9x = 1;        // VER_PLATFORM_WIN32_WINDOWS
inline constexpr std::uint32_t kPlatformNT = 2;           // VER_PLATFORM_WIN32_NT
inline constexpr std::int32_t kUoiFlags = 1;              // UOI_FLAGS
inline constexpr std::uint32_t kWsfVisible = 1;           // WSF_VISIBLE
inline constexpr std::uint32_t kErrorProcNotFound = 127;  // ERROR_PROC_NOT_FOUND

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
