// The WinApi seam bound to the running Windows. Built only for Windows.
#pragma once

#include "power/LateBound.h"
#include "power/WinApi.h"

namespace win {

class RealWinApi : public WinApi {
public:
    // GetModuleFileNameW's shape. Left out, the real one is bound at run time; a test passes a
    // stand-in for the stub that fails on Windows 95, 98 and Me.
    using ModulePathW = unsigned long(__stdcall*)(void* module, wchar_t* path, unsigned long size);
    explicit RealWinApi(ModulePathW modulePathW = nullptr) : modulePathW_(modulePathW) {}
    RealWinApi(const RealWinApi&) = delete;
    RealWinApi& operator=(const RealWinApi&) = delete;

    Bool GetVersionExA(OsVersionInfoA& info) override;
    Bool LookupPrivilegeValueA(const char* systemName, const char* name, Luid& luid) override;
    Handle GetCurrentProcess() override;
    Bool OpenProcessToken(Handle process, std::uint32_t desiredAccess, Handle& token) override;
    Bool AdjustTokenPrivileges(Handle token, Bool disableAll, const TokenPrivileges& newState,
                               std::uint32_t bufferLength, TokenPrivileges* previousState,
                               std::uint32_t* returnLength) override;
    Bool GetTokenInformation(Handle token, std::int32_t infoClass, void* info, std::uint32_t length,
                             std::uint32_t* returnLength) override;
    Bool EqualSid(const void* a, const void* b) override;
    Bool CloseHandle(Handle handle) override;
    Bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    Bool InitiateSystemShutdownExW(const wchar_t* machine, const wchar_t* message,
                                   std::uint32_t timeout, Bool forceAppsClosed, Bool reboot,
                                   std::uint32_t reason) override;
    Bool InitiateSystemShutdownW(const wchar_t* machine, const wchar_t* message,
                                 std::uint32_t timeout, Bool forceAppsClosed, Bool reboot) override;
    std::uint32_t GetLastError() override;
    std::uint32_t FormatMessageA(std::uint32_t flags, const void* source, std::uint32_t messageId,
                                 std::uint32_t languageId, char* buffer,
                                 std::uint32_t size) override;
    void Sleep(std::uint32_t milliseconds) override;
    Handle GetProcessWindowStation() override;
    Bool GetUserObjectInformationA(Handle object, std::int32_t index, void* info,
                                   std::uint32_t length, std::uint32_t* needed) override;
    [[noreturn]] void ExitProcess(std::uint32_t code) override;
    std::uint32_t GetCurrentProcessId() override;
    Bool ProcessIdToSessionId(std::uint32_t processId, std::uint32_t* sessionId) override;
    Bool WTSEnumerateSessionsW(Handle server, std::uint32_t reserved, std::uint32_t version,
                               WtsSessionInfoW** sessions, std::uint32_t* count) override;
    Bool WTSQuerySessionInformationW(Handle server, std::uint32_t sessionId, std::int32_t infoClass,
                                     wchar_t** buffer, std::uint32_t* bytes) override;
    void WTSFreeMemory(void* memory) override;
    Handle RegisterEventSourceA(const char* server, const char* source) override;
    Bool ReportEventA(Handle log, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                      const void* userSid, std::uint16_t stringCount, std::uint32_t dataSize,
                      const char** strings, const void* data) override;
    Bool DeregisterEventSource(Handle log) override;
    std::int32_t MessageBoxA(Handle owner, const char* text, const char* caption,
                             std::uint32_t type) override;
    std::int32_t DwmSetWindowAttribute(Handle window, std::uint32_t attribute, const void* value,
                                       std::uint32_t size) override;
    std::wstring CommandLine() override;
    std::string ModuleFileName() override;
    std::wstring ModuleFileNameW() override;
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override;

private:
    LateBound late_;  // loads a library on first use: 95/98/Me never load advapi32
    ModulePathW modulePathW_;
};

}  // namespace win
