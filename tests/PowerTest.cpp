// Power control: the numbered errors with the system's own text, and where no one can see them.
#include "FakeWinApi.h"

namespace {

using namespace mShutDown;
using Calls = std::vector<std::string>;

// Each error's description; % stands for the system's text for the code the failed call left.
std::string Description(ErrorNumber error, std::uint32_t code) {
    const std::map<ErrorNumber, std::string> texts = {
        {ErrNoPrivilegeValue,
         "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [%]"},
        {ErrNoCurrentProcess, "Can't enable shutdown: Can't determine the current process. [%]"},
        {ErrNoPrivileges,
         "Can't enable shutdown: You do not have the privileges to shutdown this system. [%]"},
        {ErrShutdownFailed, "ShutdownSystem failed: %"},
        {ErrNoInteractiveUser,
         "Can't log off: this program does not run as the user logged on here."},
    };
    if (!texts.contains(error)) return "";  // a silent end carries nothing to read
    std::string text = texts.at(error);
    const auto at = text.find('%');
    return at == std::string::npos ? text : text.replace(at, 1, FakeWinApi::TextFor(code));
}

TEST(PowerTest, EachFailureRaisesItsErrorWithTheTextOfTheCodeThatCallLeft) {
    // A shut-down asked for on XP with one call failing (and maybe a window-station call).
    struct Row {
        const char* fails = "ExitWindowsEx";
        std::uint32_t code = 1314;
        ErrorNumber error = ErrShutdownFailed;
        // Where no one can see a box, the error is recorded in the event log instead.
        bool recorded = false;
        std::uint32_t station = win::kWsfVisible;
        const char* unanswered = nullptr;  // a window-station call that fails
        std::uint32_t platform = win::kPlatformNT;
        std::int32_t flags = EWX_SHUTDOWN;
        const char* token = "S-1-5-5-0-7";  // S-1-5-5-0-8: run as another user
        const char* stationUser = "S-1-5-5-0-7";
    };
    const Row rows[] = {
        {.fails = "LookupPrivilegeValueA", .code = 1313, .error = ErrNoPrivilegeValue},
        {.fails = "GetCurrentProcess", .code = 6, .error = ErrNoCurrentProcess},
        {.fails = "OpenProcessToken", .code = 5, .error = ErrNoPrivileges},
        {.fails = "AdjustTokenPrivileges", .error = ErrNoPrivileges},
        // The system's text whole, up to 255 characters, and with its inserts as they stand.
        {.code = 193},
        {.code = 255},
        // No box where no one sees the window station, or no one is logged on to it; one where
        // that cannot be told, or on 95, 98 and Me, which have no stations.
        {.fails = "InitiateSystemShutdownExW", .recorded = true, .station = 0},
        {.fails = "InitiateSystemShutdownExW", .recorded = true, .stationUser = ""},
        // Not ready: asked six times in all, two seconds apart; other codes once.
        {.fails = "InitiateSystemShutdownExW", .code = 21, .recorded = true, .station = 0},
        {.station = 0, .unanswered = "GetProcessWindowStation"},
        {.station = 0, .unanswered = "GetUserObjectInformationA"},
        {.station = 0, .platform = win::kPlatformWin9x},
        // No one to log off: from a task, silently; run as another user, in a box.
        {.fails = "", .error = ErrNoInteractiveUser, .recorded = true, .station = 0, .flags = 0},
        {.fails = "", .error = ErrNoInteractiveUser, .flags = 0, .token = "S-1-5-5-0-8"},
    };
    for (const Row& row : rows) {
        FakeWinApi api;
        api.fail[row.fails] = row.code;
        if (row.unanswered) api.fail[row.unanswered] = 6;
        api.stationFlags = row.station;
        api.release.platform = row.platform;
        api.tokenLogon = row.token;
        api.stationUser = row.stationUser;
        WindowsNTCache family;
        const ErrorRecord record =
            RaisedBy([&] { ShutdownSystem(api, family, row.flags, FindAudience(api)); });
        const std::string shown = Description(row.error, row.code);
        EXPECT_EQ(record.Description, row.recorded ? "" : shown) << row.fails;
        EXPECT_EQ(record.Number, row.recorded ? 0 : row.error);
        // Shown or not, the text is that of the code the failed call left.
        EXPECT_EQ(std::ranges::count(api.calls, "FormatMessageA(4608," + Decimal(row.code) + ",0)"),
                  row.error != ErrNoInteractiveUser);
        const std::string number = row.error == ErrShutdownFailed ? "-2147219925 (0x8004062B)"
                                                                  : "-2147219920 (0x80040630)";
        const Calls recording = {"RegisterEventSourceA(null,EndNow)",
                                 "ReportEventA(77,1,0,1,null,1,0,Error " + number +
                                     " in endnow.mShutDown\r\n\r\n" + shown + ")",
                                 "DeregisterEventSource(77)", "ExitProcess(1)"};
        EXPECT_EQ(std::ranges::count(api.calls, recording[0]), row.recorded);
        if (row.recorded) EXPECT_EQ(Calls(api.calls.end() - 4, api.calls.end()), recording);
        EXPECT_EQ(std::ranges::count(api.calls, "Sleep(2000)"), row.code == 21 ? 5 : 0);
        // Every token opened is closed, even when adjusting it failed.
        const auto opened = std::ranges::count_if(
            api.calls, [](const std::string& c) { return c.starts_with("OpenProcessToken("); });
        EXPECT_EQ(std::string(row.fails) == "OpenProcessToken" ? 0 : opened,
                  std::ranges::count(api.calls, "CloseHandle(122)"))
            << row.fails;
    }
}

}  // namespace
