// A scripted stand-in for Windows. Every call that can fail is logged with its
// arguments, "ExitWindowsEx(8,4294967295)", and leaves a fresh last-error value
// behind, so code that reads the error at the wrong moment gets the wrong text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
    // Logon SIDs, written out (the program only passes them on): the window station's user ("":
    // no one is logged on to it) and the one in the process's token. They differ for a program
    // run as another user; a service's token has none ("").
    std::string stationUser = "S-1-5-5-0-7", tokenLogon = "S-1-5-5-0-7";
    // The machine's sessions and their users ("" for none); the process is in session 1.
    std::map<std::uint32_t, std::wstring> sessions = {{0, L""}, {1, L"me"}};
    std::int32_t answer = 7;  // what the question's box answers: IDNO
    // Call name -> the last error it leaves when it fails, and for how many calls (all unless
    // times says).
    std::map<std::string, std::uint32_t> fail;
    std::map<std::string, int> times;
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
    win::Bool GetTokenInformation(win::Handle token, std::int32_t infoClass, void* info,
                                  std::uint32_t length, std::uint32_t* needed) override {
        if (Enter("GetTokenInformation", token, infoClass)) return 0;
        // The everyone group, then the logon SID (none: a service's token).
        groups = {tokenLogon.empty() ? 1u : 2u, {{const_cast<char*>("S-1-1-0"), 7}}};
        const win::SidAndAttributes logon{tokenLogon.data(), win::kGroupLogonId | 7};
        *needed = sizeof groups + sizeof logon;
        if (infoClass != win::kTokenGroups || length < *needed) return Failed(122);
        std::memcpy(info, &groups, sizeof groups);
        std::memcpy(static_cast<char*>(info) + sizeof groups, &logon, sizeof logon);
        return 1;
    }
    win::Bool EqualSid(const void* a, const void* b) override {
        const auto *x = static_cast<const char*>(a), *y = static_cast<const char*>(b);
        Enter("EqualSid", x, y);
        return std::string(x) == y;
    }
    win::Bool CloseHandle(win::Handle handle) override { return !Enter("CloseHandle", handle); }
    win::Bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        return !Enter("ExitWindowsEx", flags, reason);
    }
    win::Bool InitiateSystemShutdownExW(const wchar_t* machine, const wchar_t* message,
                                        std::uint32_t timeout, win::Bool force, win::Bool reboot,
                                        std::uint32_t reason) override {
        if (Before(501))  // it came with XP
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
                                        std::uint32_t length, std::uint32_t* needed) override {
        if (Enter("GetUserObjectInformationA", object, index)) return 0;
        if (index == win::kUoiUserSid) {
            *needed = stationUser.empty() ? 0 : stationUser.size() + 1;
            if (length < *needed) return Failed(122);
            std::memcpy(info, stationUser.c_str(), *needed);
            return 1;
        }
        if (index != win::kUoiFlags || length < sizeof(win::UserObjectFlags)) return Failed(87);
        static_cast<win::UserObjectFlags*>(info)->dwFlags = stationFlags;
        return 1;
    }
    std::uint32_t GetCurrentProcessId() override { return 4242; }
    // Windows has each of these from 2000 on, and wtsapi32 from XP on.
    win::Bool ProcessIdToSessionId(std::uint32_t id, std::uint32_t* session) override {
        if (Before(500)) fail.emplace("ProcessIdToSessionId", win::kErrorProcNotFound);
        *session = 1;
        return !Enter("ProcessIdToSessionId", id);
    }
    win::Bool WTSEnumerateSessionsW(win::Handle server, std::uint32_t reserved,
                                    std::uint32_t version, win::WtsSessionInfoW** out,
                                    std::uint32_t* count) override {
        if (Before(501)) fail.emplace("WTSEnumerateSessionsW", win::kErrorProcNotFound);
        if (Enter("WTSEnumerateSessionsW", server, reserved, version)) return 0;
        infos.clear();
        for (const auto& [id, user] : sessions) infos.push_back({id, nullptr, 0});
        *out = infos.data();
        *count = static_cast<std::uint32_t>(infos.size());
        return 1;
    }
    win::Bool WTSQuerySessionInformationW(win::Handle server, std::uint32_t id, std::int32_t what,
                                          wchar_t** buffer, std::uint32_t* bytes) override {
        if (Enter("WTSQuerySessionInformationW", server, id, what)) return 0;
        *buffer = sessions.at(id).data();
        *bytes = static_cast<std::uint32_t>((sessions.at(id).size() + 1) * sizeof(wchar_t));
        return 1;
    }
    void WTSFreeMemory(void* memory) override {
        Enter("WTSFreeMemory", memory == infos.data() ? "sessions" : "name");
    }
    win::Handle RegisterEventSourceA(const char* server, const char* source) override {
        return Enter("RegisterEventSourceA", server, source) ? nullptr : win::Handle(77);
    }
    win::Bool ReportEventA(win::Handle log, std::uint16_t type, std::uint16_t category,
                           std::uint32_t id, const void* sid, std::uint16_t count,
                           std::uint32_t size, const char** strings, const void*) override {
        return !Enter("ReportEventA", log, type, category, id, sid ? "sid" : "null", count, size,
                      count ? strings[0] : "none");
    }
    win::Bool DeregisterEventSource(win::Handle log) override {
        return !Enter("DeregisterEventSource", log);
    }
    std::int32_t MessageBoxA(win::Handle owner, const char* text, const char* caption,
                             std::uint32_t type) override {
        Enter("MessageBoxA", owner, text, caption, type);
        return answer;
    }
    // The notice's, which the tests under Wine check against the real one.
    std::int32_t DwmSetWindowAttribute(win::Handle, std::uint32_t, const void*,
                                       std::uint32_t) override {
        return 0;
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

    // The notice: where noticeFails, making it fails with error 7 unless told no one sees it.
    bool noticeFails = false;
    void WhereNoOneSees() override { Enter("WhereNoOneSees"); }
    void SetStatusCaption(const std::wstring& text) override {
        Make();
        Enter("SetStatusCaption", std::string(text.begin(), text.end()).c_str());
    }
    void Show() override {
        Make();
        Enter("Show");
    }
    void Refresh() override { Enter("Refresh"); }
    void Unload() override { Enter("Unload"); }

    // Logs the call and leaves a fresh error; true when the script says it fails.
    template <typename... Args>
    bool Enter(const std::string& name, Args... args) {
        std::string list;
        ((list += (list.empty() ? "" : ",") + Text(args)), ...);
        calls.push_back(name + "(" + list + ")");
        const bool fails = fail.contains(name) && (!times.contains(name) || times[name]-- > 0);
        lastError = fails ? fail[name] : ++fresh;
        return fails;
    }

private:
    void Make() {
        if (noticeFails && !std::ranges::count(calls, "WhereNoOneSees()"))
            mShutDown::Raise(*this, mShutDown::ErrNoWindow, "Can't create the notice window");
    }
    bool Before(std::uint32_t release100) const {
        return release.major * 100 + release.minor < release100;
    }
    std::uint32_t Failed(std::uint32_t code) {
        lastError = code;
        return 0;
    }
    static std::string Text(const char* text) { return text ? text : "null"; }
    static std::string Text(const wchar_t* text) {
        return text ? std::string(text, text + std::char_traits<wchar_t>::length(text)) : "null";
    }
    static std::string Text(win::Handle handle) {
        return handle ? std::to_string(reinterpret_cast<std::intptr_t>(handle)) : "null";
    }
    static std::string Text(auto number) { return std::to_string(number); }

    std::uint32_t lastError = 0;
    std::uint32_t fresh = 9000;
    win::TokenGroups groups{};
    std::vector<win::WtsSessionInfoW> infos;
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
