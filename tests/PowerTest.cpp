// Power control: the numbered errors with the system's own text, and where no one can see them.
#include "FakeWinApi.h"

namespace {

using namespace mShutDown;

constexpr std::uint32_t k9x = win::kPlatformWin9x;
constexpr std::uint32_t kNT = win::kPlatformNT;

struct FailureRow {
    const char* call;
    std::uint32_t code;
    ErrorNumber number;       // 0: the run ends with exit code 1 and shows nothing
    std::string description;  // % stands for the system's text for the code
    bool tokenClosed = false;
    std::uint32_t station = win::kWsfVisible;  // the window station's flags
    const char* unanswered = nullptr;          // a window-station call that fails
    std::uint32_t platform = kNT;
};

TEST(PowerTest, EachFailingStepRaisesItsErrorWithTheTextOfTheCodeThatCallLeft) {
    const std::string cantFind =
        "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [%]";
    const std::string noProcess = "Can't enable shutdown: Can't determine the current process. [%]";
    const std::string noPrivileges =
        "Can't enable shutdown: You do not have the privileges to shutdown this system. [%]";
    const std::string failed = "ShutdownSystem failed: %";
    const FailureRow rows[] = {
        {"LookupPrivilegeValueA", 1313, ErrNoPrivilegeValue, cantFind},
        {"GetCurrentProcess", 6, ErrNoCurrentProcess, noProcess},
        {"OpenProcessToken", 5, ErrNoPrivileges, noPrivileges},
        {"AdjustTokenPrivileges", 1314, ErrNoPrivileges, noPrivileges, true},
        // The system's text whole, up to 255 characters, and with its inserts as they stand.
        {"ExitWindowsEx", 193, ErrShutdownFailed, failed, true},
        // No box where no one sees the window station (where the system-shutdown call is made);
        // one where that cannot be told.
        {"InitiateSystemShutdownExW", 1314, ErrorNumber{}, "", true, 0},
        {"ExitWindowsEx", 255, ErrShutdownFailed, failed, true, 0, "GetProcessWindowStation"},
        {"ExitWindowsEx", 1314, ErrShutdownFailed, failed, true, 0, "GetUserObjectInformationA"},
        {"ExitWindowsEx", 1314, ErrShutdownFailed, failed, false, 0, nullptr, k9x},
    };
    for (const FailureRow& row : rows) {
        FakeWinApi api;
        api.fail[row.call] = row.code;
        if (row.unanswered) api.fail[row.unanswered] = 6;
        api.stationFlags = row.station;
        api.release.platform = row.platform;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, EWX_SHUTDOWN); });
        std::string description = row.description;
        if (!description.empty())
            description.replace(description.find('%'), 1, FakeWinApi::TextFor(row.code));
        EXPECT_EQ(record.Number, row.number) << row.call;
        EXPECT_EQ(record.Description, description);
        EXPECT_EQ(api.calls.back() == "ExitProcess(1)", row.number == 0);
        // Shown or not, the text is that of the code the failed call left.
        EXPECT_TRUE(
            std::ranges::count(api.calls, "FormatMessageA(4608," + Decimal(row.code) + ",0)"))
            << row.call;
        // An opened token is closed even when adjusting it failed.
        EXPECT_EQ(std::ranges::count(api.calls, "CloseHandle(122)"), row.tokenClosed) << row.call;
    }
}

TEST(PowerTest, TheNumberShowsInDecimalAndInHexOfEightDigits) {
    EXPECT_EQ(FormatErrorMessage({ErrOverflow, "t.mShutDown", "Overflow", {}, {}}),
              "Error 6 (0x00000006) in t.mShutDown\r\n\r\nOverflow");
}

}  // namespace
