// Power control: which release is running, the privilege, the request, and
// the numbered errors with the system's own text.
#include "FakeWinApi.h"
#include "app/SelectAction.h"
#include "power/VersionInfo.h"

namespace {

using namespace mShutDown;
using Calls = std::vector<std::string>;

// The release tests that say yes, by name: 98 (or later), Me, NT5, XP, and NT (the platform).
std::string Answers(win::WinApi& api, WindowsNTCache& family) {
    std::string yes;
    yes += VersionInfo::IsWin98OrLater(api) ? " 98" : "";
    yes += VersionInfo::IsWinMe(api) ? " Me" : "";
    yes += VersionInfo::IsWinNT5(api) ? " NT5" : "";
    yes += VersionInfo::IsWinXP(api) ? " XP" : "";
    yes += family.IsWindowsNT(api) ? " NT" : "";
    return yes;
}

// A release as GetVersionExA describes it, the tests that say yes, and the flags it shuts down
// with.
struct ReleaseRow {
    const char* name;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t platform;
    const char* answers;
    int flags;  // for a shut-down
    win::Bool result = 1;
};

constexpr std::uint32_t k9x = win::kPlatformWin9x;
constexpr std::uint32_t kNT = win::kPlatformNT;

TEST(PowerTest, EachReleaseIsToldApartAndAsksForItsShutDown) {
    const ReleaseRow rows[] = {
        {"95", 4, 0, k9x, "", 1},
        {"NT4", 4, 0, kNT, " NT", 8},
        {"98", 4, 10, k9x, " 98", 1},
        {"Me", 4, 90, k9x, " 98 Me", 1},
        {"2000", 5, 0, kNT, " NT5 NT", 8},
        {"XP", 5, 1, kNT, " NT5 XP NT", 1},
        {"10", 10, 0, kNT, " NT", 8},
        // The first half of the 98 test ignores the platform.
        {"NT 4.10", 4, 10, kNT, " 98 NT", 1},
        // The release tests take only an answer of 1, the platform test any success.
        {"XP saying 2", 5, 1, kNT, " NT", 8, 2},
        {"no answer", 5, 1, kNT, "", 1, 0},
    };
    for (const ReleaseRow& row : rows) {
        FakeWinApi api;
        api.major = row.major;
        api.minor = row.minor;
        api.platform = row.platform;
        api.versionResult = row.result;
        WindowsNTCache family;
        EXPECT_EQ(Answers(api, family), row.answers) << row.name;
        EXPECT_EQ(ShutdownFlags(api, family), row.flags) << row.name;
        // On the NT family the privilege comes first: the LUID whole, enabled, the token closed.
        EXPECT_TRUE(ShutdownSystem(api, family, row.flags));
        const bool nt = std::string(row.answers).ends_with("NT");
        EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(),
                             "AdjustTokenPrivileges(122,0,1,19,36,2)"),
                  nt);
        EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "CloseHandle(122)"), nt);
        // Opened for adjusting and querying (0x20 | 0x08): the previous state is read back.
        EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "OpenProcessToken(-1,40)"), nt);
        EXPECT_EQ(api.calls.back(), "ExitWindowsEx(" + std::to_string(row.flags) + ",4294967295)");
    }
}

TEST(PowerTest, ThePlatformIsKeptOnceKnownButAFailedQueryIsNot) {
    FakeWinApi api;
    WindowsNTCache family;
    api.versionResult = 0;
    EXPECT_FALSE(family.IsWindowsNT(api));
    api.versionResult = 1;
    EXPECT_TRUE(family.IsWindowsNT(api));
    api.platform = k9x;
    EXPECT_TRUE(family.IsWindowsNT(api));
}

struct FailureRow {
    const char* call;
    std::uint32_t code;
    ErrorNumber number;
    std::string description;  // % stands for the system's text for the code
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
        {"AdjustTokenPrivileges", 1314, ErrNoPrivileges, noPrivileges},
        {"ExitWindowsEx", 1314, ErrShutdownFailed, "ShutdownSystem failed: %"},
    };
    for (const FailureRow& row : rows) {
        FakeWinApi api;
        api.fail[row.call] = row.code;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, EWX_SHUTDOWN); });
        std::string description = row.description;
        description.replace(description.find('%'), 1, FakeWinApi::TextFor(row.code));
        EXPECT_EQ(record.Number, row.number) << row.call;
        EXPECT_EQ(record.Source, "endnow.mShutDown");
        EXPECT_EQ(record.Description, description);
        // The text is asked for right after the failing call; an opened token is closed after that.
        Calls after{"FormatMessageA(4608," + std::to_string(row.code) + ",0,256)",
                    "ReportAndExit()"};
        if (row.call == std::string("AdjustTokenPrivileges"))
            after.insert(after.begin() + 1, "CloseHandle(122)");
        const auto failed = api.calls.end() - after.size() - 1;
        EXPECT_TRUE(failed->starts_with(row.call)) << *failed;
        EXPECT_EQ(Calls(failed + 1, api.calls.end()), after) << row.call;
    }
}

TEST(PowerTest, FlagsAboveThirtyOneRaiseBeforeAnythingIsAsked) {
    FakeWinApi api;
    WindowsNTCache family;
    EXPECT_TRUE(ShutdownSystem(api, family, 31));
    api.calls.clear();
    const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, 32); });
    EXPECT_EQ(record.Number, ErrInvalidParameter);
    EXPECT_EQ(record.Description, "Invalid parameter to ShutdownSystem: 32");
    EXPECT_EQ(record.HelpFile, "64");
    EXPECT_EQ(api.calls, Calls{"ReportAndExit()"});
}

TEST(PowerTest, TheNumberShowsInDecimalAndInHexOfEightDigits) {
    EXPECT_EQ(FormatErrorMessage({ErrOverflow, "t.mShutDown", "Overflow", {}, {}}),
              "Error 6 (0x00000006) in t.mShutDown\r\n\r\nOverflow");
}

}  // namespace
