// The WinApi seam bound to the running Windows. Built only for Windows.
#pragma once

#include "power/WinApi.h"

namespace win {

// A library from the system folder, or null; the caller frees it.
void* SystemLibrary(const char* name);

class RealWinApi : public WinApi {
public:
    // GetModuleFileNameW's shape. Left out, the real one is bound at run time; a test passes a
    // stand-in for the stub that fails on Windows 95, 98 and Me.
    using ModulePathW = unsigned long(__stdcall*)(void* module, wchar_t* path, unsigned long size);
    explicit RealWinApi(ModulePathW modulePathW = nullptr) : modulePathW_(modulePathW) {}
    ~RealWinApi() override;
    RealWinApi(const RealWinApi&) = delete;
    RealWinApi& operator=(const RealWinApi&) = delete;

    Bool GetVersionExA(OsVersionInfoA& info) override;
    Bool LookupPrivilegeValueA(const char* systemName, const char* name, Luid& luid) override;
    Handle GetCurrentProcess() override;
    Bool OpenProcessToken(Handle process, std::uint32_t desiredAccess, Handle& token) override;
    Bool AdjustTokenPrivileges(Handle token, Bool disableAll, const TokenPrivileges& newState,
                               std::uint32_t bufferLength, TokenPrivileges* previousState,
                               std::uint32_t* returnLength) override;
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
    std::wstring CommandLine() override;
    std::string ModuleFileName() override;
    std::wstring ModuleFileNameW() override;
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override;

private:
    void* Advapi32Function(const char* name);

    void* advapi32_ = nullptr;  // loaded on first use: 95/98/Me never need it
    ModulePathW modulePathW_;
};

}  // namespace win
