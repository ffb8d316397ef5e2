// A scripted stand-in for Windows. Every call that can fail is logged with its
// arguments, "ExitWindowsEx(8,4294967295)", and leaves a fresh last-error value
// behind, so code that reads the error at the wrong moment gets the wrong text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "power/ShutDown.h"

class FakeWinApi : public win::WinApi {
public:
    // What GetVersionExA answers: Windows XP by default.
    std::uint32_t major = 5;
    std::uint32_t minor = 1;
    std::uint32_t platform = win::kPlatformNT;
    win::Bool versionResult = 1;
    std::wstring commandLine = L"endnow.exe";
    std::string modulePath = "C:\\Program Files\\EndNow\\endnow.exe";
    // Call name -> the last error it leaves when it fails.
    std::map<std::string, std::uint32_t> fail;
    std::vector<std::string> calls;

    // What FormatMessageA answers for a code.
    static std::string TextFor(std::uint32_t code) {
        return "Message " + std::to_string(code) + ".\r\n";
    }

    win::Bool GetVersionExA(win::OsVersionInfoA& info) override {
        if (info.dwOSVersionInfoSize != sizeof info) return 0;
        info.dwMajorVersion = major;
        info.dwMinorVersion = minor;
        info.dwPlatformId = platform;
        return versionResult;
    }
    win::Bool LookupPrivilegeValueA(const char* system, const char* name,
                                    win::Luid& luid) override {
        luid = {19, 36};
        return !Enter("LookupPrivilegeValueA", system, name);
    }
    win::Handle GetCurrentProcess() override {
        return Enter("GetCurrentProcess") ? nullptr : win::Handle(-1);
    }
    win::Bool OpenProcessToken(win::Handle process, std::uint32_t access,
                               win::Handle& token) override {
        token = win::Handle(122);
        return !Enter("OpenProcessToken", process, access);
    }
    win::Bool AdjustTokenPrivileges(win::Handle token, win::Bool disableAll,
                                    const win::TokenPrivileges& state, std::uint32_t,
                                    win::TokenPrivileges*, std::uint32_t*) override {
        const win::Luid& luid = state.PrivilegeLuid;
        return !Enter("AdjustTokenPrivileges", token, disableAll, state.PrivilegeCount,
                      luid.LowPart, luid.HighPart, state.Attributes);
    }
    win::Bool CloseHandle(win::Handle handle) override { return !Enter("CloseHandle", handle); }
    win::Bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        return !Enter("ExitWindowsEx", flags, reason);
    }
    std::uint32_t GetLastError() override { return lastError; }
    std::uint32_t FormatMessageA(std::uint32_t flags, const void*, std::uint32_t id,
                                 std::uint32_t language, char* buffer,
                                 std::uint32_t size) override {
        if (Enter("FormatMessageA", flags, id, language, size)) return 0;
        std::fill_n(buffer, size, 'x');  // whatever lies past the text must not be read
        return static_cast<std::uint32_t>(TextFor(id).copy(buffer, size));
    }
    void Sleep(std::uint32_t milliseconds) override { Enter("Sleep", milliseconds); }
    std::wstring CommandLine() override { return commandLine; }
    std::string ModuleFileName() override { return modulePath; }
    std::wstring ModuleFileNameW() override { return {modulePath.begin(), modulePath.end()}; }
    // Throws the error in place of ending the process.
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override { throw error; }

    // Logs the call and leaves a fresh error; true when the script says it fails.
    template <typename... Args>
    bool Enter(const std::string& name, Args... args) {
        std::string list;
        ((list += (list.empty() ? "" : ",") + Text(args)), ...);
        calls.push_back(name + "(" + list + ")");
        const bool failing = fail.contains(name);
        lastError = failing ? fail[name] : ++fresh;
        return failing;
    }

private:
    static std::string Text(const char* text) { return text ? text : "null"; }
    static std::string Text(win::Handle handle) {
        return std::to_string(reinterpret_cast<std::intptr_t>(handle));
    }
    static std::string Text(auto number) { return std::to_string(number); }

    std::uint32_t lastError = 0;
    std::uint32_t fresh = 9000;
};

// Runs the action and returns the error it raised; fails the test when none.
inline mShutDown::ErrorRecord RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const mShutDown::ErrorRecord& record) {
        return record;
    }
    ADD_FAILURE() << "no error was raised";
    return {};
}
