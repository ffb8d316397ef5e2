// Power control: the flags each release shuts down with, the privilege, the
// request, and the numbered errors with the system's own text.
#include "FakeWinApi.h"
#include "app/SelectAction.h"

namespace {

using namespace mShutDown;

// A release as GetVersionExA describes it, the flags it shuts down with, and whether the
// privilege is enabled before the request.
struct ReleaseRow {
    const char* name;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t platform;
    int flags;
    bool nt;
    win::Bool answer = 1;
};

constexpr std::uint32_t k9x = win::kPlatformWin9x;
constexpr std::uint32_t kNT = win::kPlatformNT;

TEST(PowerTest, EachReleaseShutsDownWithItsFlagsAfterThePrivilegeOnNT) {
    const ReleaseRow rows[] = {
        {"95", 4, 0, k9x, 1, false},
        // NT 4.0's own hardware layer cannot power off: asked to, it restarts.
        {"NT4", 4, 0, kNT, 1, true},
        {"98", 4, 10, k9x, 1, false},
        {"Me", 4, 90, k9x, 1, false},
        {"2000", 5, 0, kNT, 8, true},
        {"XP", 5, 1, kNT, 1, true},
        {"Vista", 6, 0, kNT, 8, true},
        {"10", 10, 0, kNT, 8, true},
        // 4.10 is 98 whatever the platform.
        {"NT 4.10", 4, 10, kNT, 1, true},
        // The release tests take only an answer of 1, the platform test any success.
        {"2000 saying 2", 5, 0, kNT, 1, true, 2},
        {"no answer", 5, 1, kNT, 1, false, 0},
    };
    // The LUID whole and enabled, in a token opened for adjusting and querying (0x20 | 0x08),
    // which is closed again.
    const std::vector<std::string> privilege{
        "LookupPrivilegeValueA(null,SeShutdownPrivilege)", "OpenProcessToken(-1,40)",
        "AdjustTokenPrivileges(122,0,1,19,36,2)", "CloseHandle(122)"};
    for (const ReleaseRow& row : rows) {
        FakeWinApi api;
        api.major = row.major;
        api.minor = row.minor;
        api.platform = row.platform;
        api.versionResult = row.answer;
        WindowsNTCache family;
        EXPECT_EQ(ShutdownFlags(api, family), row.flags) << row.name;
        EXPECT_TRUE(ShutdownSystem(api, family, row.flags));
        for (const std::string& step : privilege) {
            EXPECT_EQ(std::ranges::count(api.calls, step), row.nt) << row.name << ": " << step;
        }
        EXPECT_EQ(api.calls.back(), "ExitWindowsEx(" + std::to_string(row.flags) + ",4294967295)");
    }
}

struct FailureRow {
    const char* call;
    std::uint32_t code;
    ErrorNumber number;
    std::string description;  // % stands for the system's text for the code
    bool tokenClosed = false;
};

TEST(PowerTest, EachFailingStepRaisesItsErrorWithTheTextOfTheCodeThatCallLeft) {
    const std::string cantFind =
        "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [%]";
    const std::string noProcess = "Can't enable shutdown: Can't determine the current process. [%]";
    const std::string noPrivileges =
        "Can't enable shutdown: You do not have the privileges to shutdown this system. [%]";
    const FailureRow rows[] = {
        {"LookupPrivilegeValueA", 1313, ErrNoPrivilegeValue, cantFind},
        {"GetCurrentProcess", 6, ErrNoCurrentProcess, noProcess},
        {"OpenProcessToken", 5, ErrNoPrivileges, noPrivileges},
        {"AdjustTokenPrivileges", 1314, ErrNoPrivileges, noPrivileges, true},
        {"ExitWindowsEx", 1314, ErrShutdownFailed, "ShutdownSystem failed: %", true},
    };
    for (const FailureRow& row : rows) {
        FakeWinApi api;
        api.fail[row.call] = row.code;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, EWX_SHUTDOWN); });
        std::string description = row.description;
        description.replace(description.find('%'), 1, FakeWinApi::TextFor(row.code));
        EXPECT_EQ(record.Number, row.number) << row.call;
        EXPECT_EQ(record.Description, description);
        // An opened token is closed even when adjusting it failed.
        EXPECT_EQ(std::ranges::count(api.calls, "CloseHandle(122)"), row.tokenClosed) << row.call;
    }
}

struct StationRow {
    std::uint32_t platform;
    std::uint32_t flags;  // the window station's
    const char* failing;  // a call that fails
    bool shown;           // the error box, else a silent exit with code 1
};

TEST(PowerTest, AnErrorEndsTheRunSilentlyWhereTheWindowStationIsKnownToBeUnseen) {
    const StationRow rows[] = {
        {kNT, 1, nullptr, true},
        {kNT, 0, nullptr, false},
        {kNT, 0, "GetProcessWindowStation", true},
        {kNT, 0, "GetUserObjectInformationA", true},
        // 95, 98 and Me have no window stations to ask about.
        {k9x, 0, nullptr, true},
    };
    for (const StationRow& row : rows) {
        FakeWinApi api;
        api.platform = row.platform;
        api.stationFlags = row.flags;
        api.fail["ExitWindowsEx"] = 1314;
        if (row.failing) api.fail[row.failing] = 6;
        WindowsNTCache family;
        bool shown = false;
        std::uint32_t exitCode = 0;
        try {
            ShutdownSystem(api, family, EWX_SHUTDOWN);
        } catch (const ErrorRecord&) {
            shown = true;
        } catch (const FakeWinApi::Exited& exited) {
            exitCode = exited.code;
        }
        EXPECT_EQ(shown, row.shown) << row.flags << row.failing;
        EXPECT_EQ(exitCode, row.shown ? 0u : 1u);
    }
}

TEST(PowerTest, TheSystemsTextComesWholeWithItsInsertsAsTheyStandUpTo255Characters) {
    FakeWinApi api;
    EXPECT_EQ(GetSystemErrorText(api, 193), FakeWinApi::TextFor(193));
    EXPECT_EQ(GetSystemErrorText(api, 255), FakeWinApi::TextFor(255));
    EXPECT_EQ(GetSystemErrorText(api, 256), "");
}

TEST(PowerTest, TheNumberShowsInDecimalAndInHexOfEightDigits) {
    EXPECT_EQ(FormatErrorMessage({ErrOverflow, "t.mShutDown", "Overflow", {}, {}}),
              "Error 6 (0x00000006) in t.mShutDown\r\n\r\nOverflow");
}

}  // namespace
