// A scripted stand-in for Windows. Every call that can fail is logged with its
// arguments, "ExitWindowsEx(8,4294967295)", and leaves a fresh last-error value
// behind, so code that reads the error at the wrong moment gets the wrong text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "power/ShutDown.h"
#include "window/Notice.h"

// Also the notice as the run uses it, logged among the calls.
class FakeWinApi : public win::WinApi, public window::Notice {
public:
    // What GetVersionExA answers: Windows XP by default.
    struct Release {
        std::uint32_t major, minor, platform;
        win::Bool answer = 1;
    } release{5, 1, win::kPlatformNT};
    std::wstring commandLine = L"endnow.exe";
    std::string modulePath = "C:\\Program Files\\EndNow\\endnow.exe";
    std::uint32_t stationFlags = win::kWsfVisible;  // the window station's UOI_FLAGS
    // Call name -> the last error it leaves when it fails.
    std::map<std::string, std::uint32_t> fail;
    std::vector<std::string> calls;

    // The system's text for a code. Windows' own messages run past 128 characters, and some
    // hold inserts, such as 193's "%1 is not a valid Win32 application.".
    static std::string TextFor(std::uint32_t code) {
        if (code == 193) return "%1 is not a valid Win32 application.\r\n";
        if (code == 255) return std::string(253, 'm') + "\r\n";
        return "Message " + std::to_string(code) + ".\r\n";
    }

    win::Bool GetVersionExA(win::OsVersionInfoA& info) override {
        if (info.dwOSVersionInfoSize != sizeof info) return 0;
        info.dwMajorVersion = release.major;
        info.dwMinorVersion = release.minor;
        info.dwPlatformId = release.platform;
        return release.answer;
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
    win::Bool InitiateSystemShutdownExW(const wchar_t* machine, const wchar_t* message,
                                        std::uint32_t timeout, win::Bool force, win::Bool reboot,
                                        std::uint32_t reason) override {
        if (release.major * 100 + release.minor < 501)  // it came with XP
            fail.emplace("InitiateSystemShutdownExW", win::kErrorProcNotFound);
        return !Enter("InitiateSystemShutdownExW", machine, message, timeout, force, reboot,
                      reason);
    }
    win::Bool InitiateSystemShutdownW(const wchar_t* machine, const wchar_t* message,
                                      std::uint32_t timeout, win::Bool force,
                                      win::Bool reboot) override {
        return !Enter("InitiateSystemShutdownW", machine, message, timeout, force, reboot);
    }
    std::uint32_t GetLastError() override { return lastError; }
    // As Windows answers: a system message with inserts but no arguments fails unless the inserts
    // are to stand as they are, and so does a text that does not fit with its closing zero.
    std::uint32_t FormatMessageA(std::uint32_t flags, const void*, std::uint32_t id,
                                 std::uint32_t language, char* buffer,
                                 std::uint32_t size) override {
        if (Enter("FormatMessageA", flags, id, language)) return 0;
        const std::string text = TextFor(id);
        const bool inserts = text.find('%') != std::string::npos;
        if (!(flags & 0x1000) || (inserts && !(flags & 0x200))) return Failed(87);
        if (text.size() >= size) return Failed(122);
        std::fill_n(buffer, size, 'x');  // whatever lies past the text must not be read
        return static_cast<std::uint32_t>(text.copy(buffer, size));
    }
    void Sleep(std::uint32_t milliseconds) override { Enter("Sleep", milliseconds); }
    win::Handle GetProcessWindowStation() override {
        return Enter("GetProcessWindowStation") ? nullptr : win::Handle(44);
    }
    win::Bool GetUserObjectInformationA(win::Handle object, std::int32_t index, void* info,
                                        std::uint32_t length, std::uint32_t*) override {
        if (Enter("GetUserObjectInformationA", object, index)) return 0;
        if (index != win::kUoiFlags || length < sizeof(win::UserObjectFlags)) return Failed(122);
        static_cast<win::UserObjectFlags*>(info)->dwFlags = stationFlags;
        return 1;
    }
    std::wstring CommandLine() override { return commandLine; }
    std::string ModuleFileName() override { return modulePath; }
    std::wstring ModuleFileNameW() override { return {modulePath.begin(), modulePath.end()}; }
    // Both throw in place of ending the process: the error shown, or none for a silent end.
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override { throw error; }
    [[noreturn]] void ExitProcess(std::uint32_t code) override {
        Enter("ExitProcess", code);
        throw mShutDown::ErrorRecord{};
    }

    void SetStatusCaption(const std::wstring& text) override {
        Enter("SetStatusCaption", std::string(text.begin(), text.end()).c_str());
    }
    void Show() override { Enter("Show"); }
    void Refresh() override { Enter("Refresh"); }
    void Unload() override { Enter("Unload"); }

    // Logs the call and leaves a fresh error; true when the script says it fails.
    template <typename... Args>
    bool Enter(const std::string& name, Args... args) {
        std::string list;
        ((list += (list.empty() ? "" : ",") + Text(args)), ...);
        calls.push_back(name + "(" + list + ")");
        lastError = fail.contains(name) ? fail[name] : ++fresh;
        return fail.contains(name);
    }

private:
    std::uint32_t Failed(std::uint32_t code) {
        lastError = code;
        return 0;
    }
    static std::string Text(const char* text) { return text ? text : "null"; }
    static std::string Text(const wchar_t* text) {
        return text ? std::string(text, text + std::char_traits<wchar_t>::length(text)) : "null";
    }
    static std::string Text(win::Handle handle) {
        return std::to_string(reinterpret_cast<std::intptr_t>(handle));
    }
    static std::string Text(auto number) { return std::to_string(number); }

    std::uint32_t lastError = 0;
    std::uint32_t fresh = 9000;
};

// Runs the action and returns the error it raised (Number 0 for a silent end); fails the test
// when none.
inline mShutDown::ErrorRecord RaisedBy(auto action) {
    try {
        action();
    } catch (const mShutDown::ErrorRecord& record) {
        return record;
    }
    ADD_FAILURE() << "no error was raised";
    return {};
}
