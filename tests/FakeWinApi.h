// A scripted stand-in for Windows. Every call is logged by name, and every
// call leaves a fresh last-error value behind, so code that reads the error
// at the wrong moment gets the wrong text.
#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "power/WinApi.h"

// What the fake's reporter throws in place of ending the process, so that a
// test sees the error that was raised.
struct Raised {
    mShutDown::ErrorRecord record;
};

class FakeWinApi : public win::WinApi {
public:
    // --- script ---
    void SetRelease(std::uint32_t major, std::uint32_t minor, std::uint32_t platform) {
        release = {major, minor, platform};
    }
    // The named call fails and leaves this last-error code.
    void Fail(const std::string& call, std::uint32_t code) { failures[call] = code; }

    struct Release {
        std::uint32_t major, minor, platform;
    };
    Release release{5, 1, win::kPlatformNT};
    win::Bool versionResult = 1;
    std::wstring commandLine = L"endnow.exe";
    std::string moduleFileName = "C:\\Program Files\\EndNow\\endnow.exe";
    std::wstring moduleFileNameW = L"C:\\Program Files\\EndNow\\endnow.exe";
    std::set<std::uint32_t> unknownCodes;  // FormatMessageA has no text for these
    std::map<std::string, std::uint32_t> failures;
    std::uint32_t adjustSuccessCode = 0;  // last error a successful adjust leaves (1300: partial)

    const win::Handle process = reinterpret_cast<win::Handle>(-1);
    const win::Handle token = reinterpret_cast<win::Handle>(0x7A);
    const win::Luid luid{0x13, 0};

    // --- record ---
    std::vector<std::string> calls;
    struct Adjust {
        win::Handle token;
        win::Bool disableAll;
        win::TokenPrivileges state;
        std::uint32_t bufferLength;
        bool previousGiven, lengthGiven;
    };
    std::vector<Adjust> adjusts;
    struct OpenToken {
        win::Handle process;
        std::uint32_t access;
    };
    std::vector<OpenToken> opens;
    std::vector<const char*> lookupSystemNames;
    std::vector<std::string> lookupNames;
    std::vector<win::Handle> closed;
    struct Exit {
        std::uint32_t flags, reason;
    };
    std::vector<Exit> exits;
    std::vector<std::uint32_t> sleeps;
    struct Format {
        std::uint32_t flags, sourceValue, messageId, languageId, size;
    };
    std::vector<Format> formats;

    int Count(const std::string& call) const {
        int n = 0;
        for (auto& c : calls) n += c == call;
        return n;
    }
    // Position of the first call of that name, or -1.
    int IndexOf(const std::string& call) const {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i] == call) return static_cast<int>(i);
        return -1;
    }
    static std::string TextFor(std::uint32_t code) { return "Message " + std::to_string(code) + ".\r\n"; }

    // --- WinApi ---
    win::Bool GetVersionExA(win::OsVersionInfoA& info) override {
        if (Enter("GetVersionExA")) return 0;
        if (info.dwOSVersionInfoSize != 148) return Failed(87);  // as Windows rejects a wrong size
        if (versionResult == 0) return Failed(1);
        info.dwMajorVersion = release.major;
        info.dwMinorVersion = release.minor;
        info.dwBuildNumber = 1234;
        info.dwPlatformId = release.platform;
        return versionResult;
    }
    win::Bool LookupPrivilegeValueA(const char* systemName, const char* name, win::Luid& out) override {
        lookupSystemNames.push_back(systemName);
        lookupNames.emplace_back(name);
        if (Enter("LookupPrivilegeValueA")) return 0;
        out = luid;
        return 1;
    }
    win::Handle GetCurrentProcess() override {
        if (Enter("GetCurrentProcess")) return nullptr;
        return process;
    }
    win::Bool OpenProcessToken(win::Handle p, std::uint32_t access, win::Handle& out) override {
        opens.push_back({p, access});
        if (Enter("OpenProcessToken")) return 0;
        out = token;
        return 1;
    }
    win::Bool AdjustTokenPrivileges(win::Handle t, win::Bool disableAll, const win::TokenPrivileges& state,
                                    std::uint32_t bufferLength, win::TokenPrivileges* previous,
                                    std::uint32_t* length) override {
        adjusts.push_back({t, disableAll, state, bufferLength, previous != nullptr, length != nullptr});
        if (Enter("AdjustTokenPrivileges")) return 0;
        if (adjustSuccessCode) lastError = adjustSuccessCode;
        return 1;
    }
    win::Bool CloseHandle(win::Handle h) override {
        closed.push_back(h);
        return Enter("CloseHandle") ? 0 : 1;
    }
    win::Bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        exits.push_back({flags, reason});
        return Enter("ExitWindowsEx") ? 0 : 1;
    }
    std::uint32_t GetLastError() override { return lastError; }
    std::uint32_t FormatMessageA(std::uint32_t flags, const void* source, std::uint32_t messageId,
                                 std::uint32_t languageId, char* buffer, std::uint32_t size) override {
        std::uint32_t sourceValue = 0xDEAD;
        if (source) std::memcpy(&sourceValue, source, sizeof sourceValue);
        formats.push_back({flags, sourceValue, messageId, languageId, size});
        if (Enter("FormatMessageA") || unknownCodes.count(messageId)) return 0;
        std::string text = TextFor(messageId);
        std::memset(buffer, 'x', size);  // whatever lies past the text must not be read
        std::memcpy(buffer, text.data(), text.size());
        return static_cast<std::uint32_t>(text.size());
    }
    void Sleep(std::uint32_t ms) override {
        sleeps.push_back(ms);
        Enter("Sleep");
    }
    std::wstring CommandLine() override {
        Enter("CommandLine");
        return commandLine;
    }
    std::string ModuleFileName() override {
        Enter("ModuleFileName");
        return moduleFileName;
    }
    std::wstring ModuleFileNameW() override {
        Enter("ModuleFileNameW");
        return moduleFileNameW;
    }
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override {
        Enter("ReportAndExit");
        throw Raised{error};
    }

private:
    // Logs the call and leaves a fresh error; true when the script says it fails.
    bool Enter(const std::string& call) {
        calls.push_back(call);
        lastError = ++fresh;
        auto failure = failures.find(call);
        if (failure == failures.end()) return false;
        lastError = failure->second;
        return true;
    }
    win::Bool Failed(std::uint32_t code) {
        lastError = code;
        return 0;
    }

    std::uint32_t lastError = 0;
    std::uint32_t fresh = 9000;
};
