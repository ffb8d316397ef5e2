// A scripted stand-in for Windows. Every call is logged with its arguments,
// "ExitWindowsEx(8,4294967295)", and leaves a fresh last-error value behind,
// so code that reads the error at the wrong moment gets the wrong text.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "power/ShutDown.h"

// What the fake's reporter throws in place of ending the process.
struct Raised {
    mShutDown::ErrorRecord record;
};

class FakeWinApi : public win::WinApi {
public:
    std::uint32_t major = 5, minor = 1, platform = win::kPlatformNT;
    win::Bool versionResult = 1;
    std::wstring commandLine = L"endnow.exe", modulePathW = L"C:\\Program Files\\EndNow\\endnow.exe";
    std::string modulePath = "C:\\Program Files\\EndNow\\endnow.exe";
    std::map<std::string, std::uint32_t> fail;  // call name -> the last error it leaves
    std::uint32_t adjustLeaves = 0;             // what a successful adjust leaves (1300: partial)
    std::vector<std::string> calls;

    static constexpr std::uint32_t kTextless = 4711;  // FormatMessageA has no text for it
    static std::string TextFor(std::uint32_t code) {
        return code == kTextless ? "" : "Message " + std::to_string(code) + ".\r\n";
    }
    int Count(const std::string& name) const {
        int n = 0;
        for (const auto& c : calls) n += c.rfind(name + "(", 0) == 0;
        return n;
    }
    int IndexOf(const std::string& name) const {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].rfind(name + "(", 0) == 0) return static_cast<int>(i);
        return -1;
    }

    win::Bool GetVersionExA(win::OsVersionInfoA& info) override {
        if (Enter("GetVersionExA", info.dwOSVersionInfoSize) || info.dwOSVersionInfoSize != 148) return 0;
        info.dwMajorVersion = major, info.dwMinorVersion = minor, info.dwPlatformId = platform;
        return versionResult;
    }
    win::Bool LookupPrivilegeValueA(const char* system, const char* name, win::Luid& out) override {
        if (Enter("LookupPrivilegeValueA", system, name)) return 0;
        out = {0x13, 0x24};
        return 1;
    }
    win::Handle GetCurrentProcess() override { return Enter("GetCurrentProcess") ? nullptr : kProcess; }
    win::Bool OpenProcessToken(win::Handle process, std::uint32_t access, win::Handle& out) override {
        if (Enter("OpenProcessToken", process, access)) return 0;
        out = kToken;
        return 1;
    }
    win::Bool AdjustTokenPrivileges(win::Handle token, win::Bool disableAll, const win::TokenPrivileges& s,
                                    std::uint32_t length, win::TokenPrivileges* previous,
                                    std::uint32_t* returned) override {
        if (Enter("AdjustTokenPrivileges", token, disableAll, s.PrivilegeCount, s.PrivilegeLuid.LowPart,
                  s.PrivilegeLuid.HighPart, s.Attributes, length, previous != nullptr, returned != nullptr))
            return 0;
        if (adjustLeaves) lastError = adjustLeaves;
        return 1;
    }
    win::Bool CloseHandle(win::Handle h) override { return !Enter("CloseHandle", h); }
    win::Bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        return !Enter("ExitWindowsEx", flags, reason);
    }
    std::uint32_t GetLastError() override { return lastError; }
    std::uint32_t FormatMessageA(std::uint32_t flags, const void* source, std::uint32_t id, std::uint32_t language,
                                 char* buffer, std::uint32_t size) override {
        std::uint32_t sourceValue = 0xDEAD;
        if (source) std::memcpy(&sourceValue, source, sizeof sourceValue);
        const std::string text = TextFor(id);
        if (Enter("FormatMessageA", flags, sourceValue, id, language, size) || text.empty()) return 0;
        std::memset(buffer, 'x', size);  // whatever lies past the text must not be read
        std::memcpy(buffer, text.data(), text.size());
        return static_cast<std::uint32_t>(text.size());
    }
    void Sleep(std::uint32_t ms) override { Enter("Sleep", ms); }
    std::wstring CommandLine() override { return commandLine; }
    std::string ModuleFileName() override { return modulePath; }
    std::wstring ModuleFileNameW() override { return modulePathW; }
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override {
        Enter("ReportAndExit");
        throw Raised{error};
    }

    // Logs the call and leaves a fresh error; true when the script says it fails.
    template <typename... Args>
    bool Enter(const std::string& name, Args... args) {
        std::string list, comma;
        ((list += comma + Text(args), comma = ","), ...);
        calls.push_back(name + "(" + list + ")");
        lastError = ++fresh;
        const auto failure = fail.find(name);
        if (failure != fail.end()) lastError = failure->second;
        return failure != fail.end();
    }

    win::Handle const kProcess = reinterpret_cast<win::Handle>(-1), kToken = reinterpret_cast<win::Handle>(0x7A);

private:
    static std::string Text(const char* s) { return s ? s : "null"; }
    static std::string Text(win::Handle h) { return std::to_string(reinterpret_cast<std::intptr_t>(h)); }
    template <typename T>
    static std::string Text(T value) { return std::to_string(value); }

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
