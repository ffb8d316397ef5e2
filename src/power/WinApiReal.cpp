// Before <windows.h>, whose EWX_ macros would clash with its constants.
#include "power/ShutDown.h"
// clang-format off: after it
#include "power/WinApiReal.h"
// clang-format on

#include <windows.h>

#include <cstddef>

namespace win {

static_assert(sizeof(OsVersionInfoA) == sizeof(OSVERSIONINFOA));
static_assert(offsetof(OsVersionInfoA, dwPlatformId) == offsetof(OSVERSIONINFOA, dwPlatformId));
static_assert(sizeof(TokenPrivileges) == sizeof(TOKEN_PRIVILEGES));
static_assert(sizeof(Luid) == sizeof(LUID));
static_assert(sizeof(UserObjectFlags) == sizeof(USEROBJECTFLAGS));
static_assert(sizeof(SidAndAttributes) == sizeof(SID_AND_ATTRIBUTES));
static_assert(offsetof(TokenGroups, Groups) == offsetof(TOKEN_GROUPS, Groups));
static_assert(sizeof(WtsSessionInfoW) == 3 * sizeof(void*));  // WTS_SESSION_INFOW

namespace {

// A call whose function could not be bound fails like the call itself would.
Bool Unbound() {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return 0;
}

}  // namespace

Bool RealWinApi::GetVersionExA(OsVersionInfoA& info) {
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
}

Bool RealWinApi::LookupPrivilegeValueA(const char* systemName, const char* name, Luid& luid) {
    auto fn = late_.LookupPrivilegeValueA();
    return fn ? fn(systemName, name, reinterpret_cast<PLUID>(&luid)) : Unbound();
}

Handle RealWinApi::GetCurrentProcess() { return ::GetCurrentProcess(); }

Bool RealWinApi::OpenProcessToken(Handle process, std::uint32_t desiredAccess, Handle& token) {
    auto fn = late_.OpenProcessToken();
    return fn ? fn(process, desiredAccess, &token) : Unbound();
}

Bool RealWinApi::AdjustTokenPrivileges(Handle token, Bool disableAll,
                                       const TokenPrivileges& newState, std::uint32_t bufferLength,
                                       TokenPrivileges* previousState,
                                       std::uint32_t* returnLength) {
    auto fn = late_.AdjustTokenPrivileges();
    if (!fn) return Unbound();
    TokenPrivileges state = newState;  // the system takes it as non-const
    return fn(token, disableAll, reinterpret_cast<PTOKEN_PRIVILEGES>(&state), bufferLength,
              reinterpret_cast<PTOKEN_PRIVILEGES>(previousState),
              reinterpret_cast<PDWORD>(returnLength));
}

Bool RealWinApi::GetTokenInformation(Handle token, std::int32_t infoClass, void* info,
                                     std::uint32_t length, std::uint32_t* returnLength) {
    auto fn = late_.GetTokenInformation();
    return fn ? fn(token, static_cast<TOKEN_INFORMATION_CLASS>(infoClass), info, length,
                   reinterpret_cast<PDWORD>(returnLength))
              : Unbound();
}

Bool RealWinApi::EqualSid(const void* a, const void* b) {
    auto fn = late_.EqualSid();
    return fn ? fn(const_cast<PSID>(a), const_cast<PSID>(b)) : Unbound();
}

Bool RealWinApi::CloseHandle(Handle handle) { return ::CloseHandle(handle); }

Bool RealWinApi::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason);
}

Bool RealWinApi::InitiateSystemShutdownExW(const wchar_t* machine, const wchar_t* message,
                                           std::uint32_t timeout, Bool forceAppsClosed, Bool reboot,
                                           std::uint32_t reason) {
    auto fn = late_.InitiateSystemShutdownExW();
    return fn ? fn(const_cast<LPWSTR>(machine), const_cast<LPWSTR>(message), timeout,
                   forceAppsClosed, reboot, reason)
              : Unbound();
}

Bool RealWinApi::InitiateSystemShutdownW(const wchar_t* machine, const wchar_t* message,
                                         std::uint32_t timeout, Bool forceAppsClosed, Bool reboot) {
    auto fn = late_.InitiateSystemShutdownW();
    return fn ? fn(const_cast<LPWSTR>(machine), const_cast<LPWSTR>(message), timeout,
                   forceAppsClosed, reboot)
              : Unbound();
}

std::uint32_t RealWinApi::GetLastError() { return ::GetLastError(); }

std::uint32_t RealWinApi::FormatMessageA(std::uint32_t flags, const void* source,
                                         std::uint32_t messageId, std::uint32_t languageId,
                                         char* buffer, std::uint32_t size) {
    return ::FormatMessageA(flags, source, messageId, languageId, buffer, size, nullptr);
}

void RealWinApi::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

Handle RealWinApi::GetProcessWindowStation() {
    auto fn = late_.GetProcessWindowStation();
    return fn ? fn() : nullptr;
}

Bool RealWinApi::GetUserObjectInformationA(Handle object, std::int32_t index, void* info,
                                           std::uint32_t length, std::uint32_t* needed) {
    auto fn = late_.GetUserObjectInformationA();
    return fn ? fn(object, index, info, length, reinterpret_cast<LPDWORD>(needed)) : Unbound();
}

void RealWinApi::ExitProcess(std::uint32_t code) { ::ExitProcess(code); }

std::uint32_t RealWinApi::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

Bool RealWinApi::ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) {
    auto fn = late_.ProcessIdToSessionId();
    return fn ? fn(processId, reinterpret_cast<DWORD*>(sessionId)) : Unbound();
}

Bool RealWinApi::WTSEnumerateSessionsW(Handle server, std::uint32_t reserved, std::uint32_t version,
                                       WtsSessionInfoW** sessions, std::uint32_t* count) {
    auto fn = late_.WTSEnumerateSessionsW();
    return fn ? fn(server, reserved, version, reinterpret_cast<SessionArray*>(sessions),
                   reinterpret_cast<DWORD*>(count))
              : Unbound();
}

Bool RealWinApi::WTSQuerySessionInformationW(Handle server, std::uint32_t sessionId,
                                             std::int32_t infoClass, wchar_t** buffer,
                                             std::uint32_t* bytes) {
    auto fn = late_.WTSQuerySessionInformationW();
    return fn ? fn(server, sessionId, infoClass, buffer, reinterpret_cast<DWORD*>(bytes))
              : Unbound();
}

void RealWinApi::WTSFreeMemory(void* memory) {
    if (auto fn = late_.WTSFreeMemory()) fn(memory);
}

Handle RealWinApi::RegisterEventSourceA(const char* server, const char* source) {
    auto fn = late_.RegisterEventSourceA();
    return fn ? fn(server, source) : nullptr;
}

Bool RealWinApi::ReportEventA(Handle log, std::uint16_t type, std::uint16_t category,
                              std::uint32_t eventId, const void* userSid, std::uint16_t stringCount,
                              std::uint32_t dataSize, const char** strings, const void* data) {
    auto fn = late_.ReportEventA();
    return fn ? fn(log, type, category, eventId, const_cast<PSID>(userSid), stringCount, dataSize,
                   strings, const_cast<void*>(data))
              : Unbound();
}

Bool RealWinApi::DeregisterEventSource(Handle log) {
    auto fn = late_.DeregisterEventSource();
    return fn ? fn(log) : Unbound();
}

std::int32_t RealWinApi::MessageBoxA(Handle owner, const char* text, const char* caption,
                                     std::uint32_t type) {
    return ::MessageBoxA(static_cast<HWND>(owner), text, caption, type);
}

std::int32_t RealWinApi::DwmSetWindowAttribute(Handle window, std::uint32_t attribute,
                                               const void* value, std::uint32_t size) {
    auto fn = late_.DwmSetWindowAttribute();
    if (!fn) {
        Unbound();
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    return fn(static_cast<HWND>(window), attribute, value, size);
}

std::wstring RealWinApi::CommandLine() { return ::GetCommandLineW(); }

std::string RealWinApi::ModuleFileName() {
    char path[MAX_PATH + 1] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::wstring RealWinApi::ModuleFileNameW() {
    // Bound at run time: Windows 95, 98 and Me export it as a stub that fails.
    auto wide =
        modulePathW_ ? modulePathW_ : reinterpret_cast<ModulePathW>(late_.GetModuleFileNameW());
    wchar_t path[MAX_PATH + 1] = {};
    if (wide) {
        const DWORD length = wide(nullptr, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) return std::wstring(path, length);
    }
    const std::string narrow = ModuleFileName();
    const int length = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(),
                                             static_cast<int>(narrow.size()), path, MAX_PATH);
    return std::wstring(path, length > 0 ? length : 0);
}

void RealWinApi::ReportAndExit(const mShutDown::ErrorRecord& error) {
    const std::string title = mShutDown::ProgramName(ModuleFileName());
    const std::string text = mShutDown::FormatErrorMessage(error);
    // Topmost, like the notice it stands over: a start without the foreground must not hide it.
    MessageBoxA(nullptr, text.c_str(), title.c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
    ::ExitProcess(1);
}

}  // namespace win
