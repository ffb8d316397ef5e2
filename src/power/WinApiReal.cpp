#include "power/WinApiReal.h"
// Before <windows.h>, whose EWX_ macros would clash with its constants.
#include "power/ShutDown.h"

#include <windows.h>

#include <cstddef>

namespace win {

static_assert(sizeof(OsVersionInfoA) == sizeof(OSVERSIONINFOA));
static_assert(offsetof(OsVersionInfoA, dwPlatformId) == offsetof(OSVERSIONINFOA, dwPlatformId));
static_assert(sizeof(TokenPrivileges) == sizeof(TOKEN_PRIVILEGES));
static_assert(sizeof(Luid) == sizeof(LUID));
static_assert(sizeof(UserObjectFlags) == sizeof(USEROBJECTFLAGS));

namespace {

// The security calls live in advapi32, which is bound at run time so the
// executable still loads where it is missing or incomplete.
using LookupPrivilegeValueAFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID);
using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using AdjustTokenPrivilegesFn = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD,
                                              PTOKEN_PRIVILEGES, PDWORD);

using InitiateSystemShutdownExWFn = BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, BOOL, BOOL, DWORD);
using InitiateSystemShutdownWFn = BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, BOOL, BOOL);

using GetProcessWindowStationFn = HWINSTA(WINAPI*)();
using GetUserObjectInformationAFn = BOOL(WINAPI*)(HANDLE, int, PVOID, DWORD, LPDWORD);
using GetSystemDirectoryAFn = UINT(WINAPI*)(LPSTR, UINT);

// Bound at run time: the exe still loads where user32 or kernel32 lacks it.
void* SystemFunction(const char* dll, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(dll), name));
}

// A call whose function could not be bound fails like the call itself would.
Bool Unbound() {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return 0;
}

}  // namespace

// A library from the system folder only: LoadLibraryA by name alone would look in the exe's own
// folder first, where anyone who can write there could plant one. GetSystemDirectoryA is bound at
// run time, so that the load-time imports stay as they are.
void* SystemLibrary(const char* name) {
    auto folder = reinterpret_cast<GetSystemDirectoryAFn>(
        SystemFunction("kernel32.dll", "GetSystemDirectoryA"));
    char path[MAX_PATH + 16] = {};
    UINT length = folder ? folder(path, MAX_PATH) : 0;
    if (length == 0 || length >= MAX_PATH) return nullptr;
    path[length++] = '\\';
    while (*name && length < sizeof path - 1) path[length++] = *name++;
    return ::LoadLibraryA(path);
}

RealWinApi::~RealWinApi() {
    if (advapi32_) ::FreeLibrary(static_cast<HMODULE>(advapi32_));
}

void* RealWinApi::Advapi32Function(const char* name) {
    if (!advapi32_) advapi32_ = ::LoadLibraryA("advapi32.dll");
    if (!advapi32_) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(advapi32_), name));
}

Bool RealWinApi::GetVersionExA(OsVersionInfoA& info) {
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
}

Bool RealWinApi::LookupPrivilegeValueA(const char* systemName, const char* name, Luid& luid) {
    auto fn = reinterpret_cast<LookupPrivilegeValueAFn>(Advapi32Function("LookupPrivilegeValueA"));
    if (!fn) return Unbound();
    return fn(systemName, name, reinterpret_cast<PLUID>(&luid));
}

Handle RealWinApi::GetCurrentProcess() { return ::GetCurrentProcess(); }

Bool RealWinApi::OpenProcessToken(Handle process, std::uint32_t desiredAccess, Handle& token) {
    auto fn = reinterpret_cast<OpenProcessTokenFn>(Advapi32Function("OpenProcessToken"));
    if (!fn) return Unbound();
    return fn(process, desiredAccess, &token);
}

Bool RealWinApi::AdjustTokenPrivileges(Handle token, Bool disableAll,
                                       const TokenPrivileges& newState, std::uint32_t bufferLength,
                                       TokenPrivileges* previousState,
                                       std::uint32_t* returnLength) {
    auto fn = reinterpret_cast<AdjustTokenPrivilegesFn>(Advapi32Function("AdjustTokenPrivileges"));
    if (!fn) return Unbound();
    TokenPrivileges state = newState;  // the system takes it as non-const
    return fn(token, disableAll, reinterpret_cast<PTOKEN_PRIVILEGES>(&state), bufferLength,
              reinterpret_cast<PTOKEN_PRIVILEGES>(previousState),
              reinterpret_cast<PDWORD>(returnLength));
}

Bool RealWinApi::CloseHandle(Handle handle) { return ::CloseHandle(handle); }

Bool RealWinApi::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason);
}

Bool RealWinApi::InitiateSystemShutdownExW(const wchar_t* machine, const wchar_t* message,
                                           std::uint32_t timeout, Bool forceAppsClosed, Bool reboot,
                                           std::uint32_t reason) {
    auto fn = reinterpret_cast<InitiateSystemShutdownExWFn>(
        Advapi32Function("InitiateSystemShutdownExW"));
    if (!fn) return Unbound();
    return fn(const_cast<LPWSTR>(machine), const_cast<LPWSTR>(message), timeout, forceAppsClosed,
              reboot, reason);
}

Bool RealWinApi::InitiateSystemShutdownW(const wchar_t* machine, const wchar_t* message,
                                         std::uint32_t timeout, Bool forceAppsClosed, Bool reboot) {
    auto fn =
        reinterpret_cast<InitiateSystemShutdownWFn>(Advapi32Function("InitiateSystemShutdownW"));
    if (!fn) return Unbound();
    return fn(const_cast<LPWSTR>(machine), const_cast<LPWSTR>(message), timeout, forceAppsClosed,
              reboot);
}

std::uint32_t RealWinApi::GetLastError() { return ::GetLastError(); }

std::uint32_t RealWinApi::FormatMessageA(std::uint32_t flags, const void* source,
                                         std::uint32_t messageId, std::uint32_t languageId,
                                         char* buffer, std::uint32_t size) {
    return ::FormatMessageA(flags, source, messageId, languageId, buffer, size, nullptr);
}

void RealWinApi::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

Handle RealWinApi::GetProcessWindowStation() {
    auto fn = reinterpret_cast<GetProcessWindowStationFn>(
        SystemFunction("user32.dll", "GetProcessWindowStation"));
    return fn ? fn() : nullptr;
}

Bool RealWinApi::GetUserObjectInformationA(Handle object, std::int32_t index, void* info,
                                           std::uint32_t length, std::uint32_t* needed) {
    auto fn = reinterpret_cast<GetUserObjectInformationAFn>(
        SystemFunction("user32.dll", "GetUserObjectInformationA"));
    if (!fn) return Unbound();
    return fn(object, index, info, length, reinterpret_cast<LPDWORD>(needed));
}

void RealWinApi::ExitProcess(std::uint32_t code) { ::ExitProcess(code); }

std::wstring RealWinApi::CommandLine() { return ::GetCommandLineW(); }

std::string RealWinApi::ModuleFileName() {
    char path[MAX_PATH + 1] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::wstring RealWinApi::ModuleFileNameW() {
    // Bound at run time: Windows 95, 98 and Me export it as a stub that fails.
    auto wide =
        modulePathW_
            ? modulePathW_
            : reinterpret_cast<ModulePathW>(SystemFunction("kernel32.dll", "GetModuleFileNameW"));
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
    ::MessageBoxA(nullptr, text.c_str(), title.c_str(),
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
    ::ExitProcess(1);
}

}  // namespace win
