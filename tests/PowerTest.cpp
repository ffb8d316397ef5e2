// Power control: the numbered errors with the system's own text, and where no one can see them.
#include "FakeWinApi.h"

namespace {

using namespace mShutDown;

// Each error's description; % stands for the system's text for the code the failed call left.
std::string Description(ErrorNumber error, std::uint32_t code) {
    const std::map<ErrorNumber, std::string> texts = {
        {ErrNoPrivilegeValue,
         "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [%]"},
        {ErrNoCurrentProcess, "Can't enable shutdown: Can't determine the current process. [%]"},
        {ErrNoPrivileges,
         "Can't enable shutdown: You do not have the privileges to shutdown this system. [%]"},
        {ErrShutdownFailed, "ShutdownSystem failed: %"},
    };
    if (!texts.contains(error)) return "";  // a silent end carries nothing to read
    std::string text = texts.at(error);
    return text.replace(text.find('%'), 1, FakeWinApi::TextFor(code));
}

TEST(PowerTest, EachFailureRaisesItsErrorWithTheTextOfTheCodeThatCallLeft) {
    // A shut-down asked for on XP with one call failing (and maybe a window-station call).
    struct Row {
        const char* fails = "ExitWindowsEx";
        std::uint32_t code = 1314;
        ErrorNumber error = ErrShutdownFailed;  // 0: the run ends with exit code 1, shows nothing
        std::uint32_t station = win::kWsfVisible;
        const char* unanswered = nullptr;  // a window-station call that fails
        std::uint32_t platform = win::kPlatformNT;
    };
    const Row rows[] = {
        {.fails = "LookupPrivilegeValueA", .code = 1313, .error = ErrNoPrivilegeValue},
        {.fails = "GetCurrentProcess", .code = 6, .error = ErrNoCurrentProcess},
        {.fails = "OpenProcessToken", .code = 5, .error = ErrNoPrivileges},
        {.fails = "AdjustTokenPrivileges", .error = ErrNoPrivileges},
        // The system's text whole, up to 255 characters, and with its inserts as they stand.
        {.code = 193},
        {.code = 255},
        // No box where no one sees the window station, where the system-shutdown call is made;
        // one where that cannot be told, or on 95, 98 and Me, which have no stations.
        {.fails = "InitiateSystemShutdownExW", .error = ErrorNumber{}, .station = 0},
        {.station = 0, .unanswered = "GetProcessWindowStation"},
        {.station = 0, .unanswered = "GetUserObjectInformationA"},
        {.station = 0, .platform = win::kPlatformWin9x},
    };
    for (const Row& row : rows) {
        FakeWinApi api;
        api.fail[row.fails] = row.code;
        if (row.unanswered) api.fail[row.unanswered] = 6;
        api.stationFlags = row.station;
        api.release.platform = row.platform;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, EWX_SHUTDOWN); });
        EXPECT_EQ(record.Number, row.error) << row.fails;
        EXPECT_EQ(record.Description, Description(row.error, row.code));
        EXPECT_EQ(api.calls.back() == "ExitProcess(1)", row.error == 0);
        // Shown or not, the text is that of the code the failed call left.
        EXPECT_TRUE(
            std::ranges::count(api.calls, "FormatMessageA(4608," + Decimal(row.code) + ",0)"));
        // A token opened is closed, even when adjusting it failed.
        const bool opened = std::ranges::count(api.calls, "OpenProcessToken(-1,40)") &&
                            std::string(row.fails) != "OpenProcessToken";
        EXPECT_EQ(std::ranges::count(api.calls, "CloseHandle(122)"), opened) << row.fails;
    }
}

TEST(PowerTest, TheNumberShowsInDecimalAndInHexOfEightDigits) {
    EXPECT_EQ(FormatErrorMessage({ErrOverflow, "t.mShutDown", "Overflow", {}, {}}),
              "Error 6 (0x00000006) in t.mShutDown\r\n\r\nOverflow");
}

}  // namespace
