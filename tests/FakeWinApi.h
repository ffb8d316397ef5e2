// A scripted stand-in for Windows. Every call is logged with its arguments,
// "ExitWindowsEx(8,4294967295)", and leaves a fresh last-error value behind,
// so code that reads the error at the wrong moment gets the wrong text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "power/ShutDown.h"

struct Raised {
    mShutDown::ErrorRecord record;
};  // what the fake's reporter throws in place of ending the process

class FakeWinApi : public win::WinApi {
public:
    std::uint32_t major = 5, minor = 1, platform = win::kPlatformNT,
                  adjustLeaves = 0;  // 1300: partly assigned
    win::Bool versionResult = 1;
    std::wstring commandLine = L"endnow.exe",
                 modulePathW = L"C:\\Program Files\\EndNow\\endnow.exe";
    std::string modulePath = "C:\\Program Files\\EndNow\\endnow.exe";
    std::map<std::string, std::uint32_t> fail;  // call name -> the last error it leaves
    std::vector<std::string> calls;
    static constexpr std::uint32_t kTextless = 4711;  // FormatMessageA has no text for it
    static std::string TextFor(std::uint32_t c) {
        return c == kTextless ? "" : "Message " + std::to_string(c) + ".\r\n";
    }

    win::Bool GetVersionExA(win::OsVersionInfoA& info) override {
        if (Enter("GetVersionExA", info.dwOSVersionInfoSize) || info.dwOSVersionInfoSize != 148)
            return 0;
        info.dwMajorVersion = major, info.dwMinorVersion = minor, info.dwPlatformId = platform;
        return versionResult;
    }
    win::Bool LookupPrivilegeValueA(const char* system, const char* name,
                                    win::Luid& luid) override {
        return Enter("LookupPrivilegeValueA", system, name) ? 0 : (luid = {0x13, 0x24}, 1);
    }
    win::Handle GetCurrentProcess() override {
        return Enter("GetCurrentProcess") ? nullptr : win::Handle(std::intptr_t(-1));
    }
    win::Bool OpenProcessToken(win::Handle process, std::uint32_t access,
                               win::Handle& token) override {
        return Enter("OpenProcessToken", process, access) ? 0 : (token = win::Handle(0x7A), 1);
    }
    win::Bool AdjustTokenPrivileges(win::Handle token, win::Bool all, const win::TokenPrivileges& s,
                                    std::uint32_t size, win::TokenPrivileges* previous,
                                    std::uint32_t* returned) override {
        const win::Luid& luid = s.PrivilegeLuid;
        if (Enter("AdjustTokenPrivileges", token, all, s.PrivilegeCount, luid.LowPart,
                  luid.HighPart, s.Attributes, size, previous != nullptr, returned != nullptr))
            return 0;
        if (adjustLeaves) lastError = adjustLeaves;
        return 1;
    }
    win::Bool CloseHandle(win::Handle handle) override { return !Enter("CloseHandle", handle); }
    win::Bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        return !Enter("ExitWindowsEx", flags, reason);
    }
    std::uint32_t GetLastError() override { return lastError; }
    std::uint32_t FormatMessageA(std::uint32_t flags, const void* source, std::uint32_t id,
                                 std::uint32_t language, char* buffer,
                                 std::uint32_t size) override {
        const std::uint32_t sourceValue =
            source ? *static_cast<const std::uint32_t*>(source) : 0xDEAD;
        if (Enter("FormatMessageA", flags, sourceValue, id, language, size) || TextFor(id).empty())
            return 0;
        std::fill_n(buffer, size, 'x');  // whatever lies past the text must not be read
        return static_cast<std::uint32_t>(TextFor(id).copy(buffer, size));
    }
    void Sleep(std::uint32_t ms) override { Enter("Sleep", ms); }
    std::wstring CommandLine() override { return commandLine; }
    std::string ModuleFileName() override { return modulePath; }
    std::wstring ModuleFileNameW() override { return modulePathW; }
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& e) override {
        Enter("ReportAndExit");
        throw Raised{e};
    }

    // Logs the call and leaves a fresh error; true when the script says it fails.
    template <typename... Args>
    bool Enter(const std::string& name, Args... args) {
        std::string list;
        ((list += (list.empty() ? "" : ",") + Text(args)), ...);
        calls.push_back(name + "(" + list + ")");
        const auto failure = fail.find(name);
        lastError = failure != fail.end() ? failure->second : ++fresh;
        return failure != fail.end();
    }

    static std::string Text(const char* s) { return s ? s : "null"; }
    static std::string Text(win::Handle h) {
        return std::to_string(reinterpret_cast<std::intptr_t>(h));
    }
    static std::string Text(auto number) { return std::to_string(number); }
    std::uint32_t lastError = 0, fresh = 9000;
};

// Runs the action and returns the error it raised; fails the test when none.
inline mShutDown::ErrorRecord RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const Raised& raised) {
        return raised.record;
    }
    ADD_FAILURE() << "no error was raised";
    return {};
}
