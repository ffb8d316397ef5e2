// The request and what a failing one shows: the privilege steps, the flags'
// range, the numbered errors and the system's text in them.
#include <climits>

#include "FakeWinApi.h"

namespace {

using namespace mShutDown;

const std::vector<std::string> kPrivilegeCalls{
    "LookupPrivilegeValueA(null,SeShutdownPrivilege)", "GetCurrentProcess()", "OpenProcessToken(-1,40)",
    // The LUID whole, enabled (2), with room for the previous state (16 bytes).
    "AdjustTokenPrivileges(122,0,1,19,36,2,16,1,1)", "CloseHandle(122)"};

TEST(RequestTest, EnablesThePrivilegeClosesTheTokenOnceThenAsks) {
    FakeWinApi api;
    api.adjustLeaves = 1300;  // ERROR_NOT_ALL_ASSIGNED: judged by the return value alone
    WindowsNTCache family;
    EXPECT_TRUE(ShutdownSystem(api, family, EWX_POWEROFF));
    std::vector<std::string> expected{"GetVersionExA(148)"};
    expected.insert(expected.end(), kPrivilegeCalls.begin(), kPrivilegeCalls.end());
    expected.push_back("ExitWindowsEx(8,4294967295)");
    EXPECT_EQ(api.calls, expected);
}

struct StepCase {
    const char* failingCall;
    std::uint32_t code;
    ErrorNumber number;
    const char* text;  // % stands for the system's text for the code
    int callsMade;     // of the privilege steps, the failing one included
};
class FailingStepTest : public testing::TestWithParam<StepCase> {};
TEST_P(FailingStepTest, RaisesItsErrorWithTheTextOfTheCodeThatCallLeft) {
    const StepCase& step = GetParam();
    FakeWinApi api;
    api.fail[step.failingCall] = step.code;
    WindowsNTCache family;
    const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, EWX_SHUTDOWN); });

    std::string text = step.text;
    text.replace(text.find('%'), 1, FakeWinApi::TextFor(step.code));
    EXPECT_EQ(record.Number, step.number);
    EXPECT_EQ(record.Source, "endnow.mShutDown");
    EXPECT_EQ(record.Description, text);
    EXPECT_FALSE(record.HelpFile || record.HelpContext);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(api.Count(kPrivilegeCalls[i].substr(0, kPrivilegeCalls[i].find('('))), i < step.callsMade);
    // An opened token is closed once; after a failed adjust, once its error's text is read.
    EXPECT_EQ(api.Count("CloseHandle"), step.callsMade >= 4 ? 1 : 0);
    if (step.callsMade == 4) {
        EXPECT_LT(api.IndexOf("FormatMessageA"), api.IndexOf("CloseHandle"));
    }
    EXPECT_EQ(api.Count("ExitWindowsEx"), step.callsMade == 5 ? 1 : 0);
}
constexpr const char* kNoPrivileges = "Can't enable shutdown: You do not have the privileges to shutdown this system. [%]";
INSTANTIATE_TEST_SUITE_P(
    Steps, FailingStepTest,
    testing::Values(
        StepCase{"LookupPrivilegeValueA", 1313, ErrNoPrivilegeValue,
                 "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [%]", 1},
        StepCase{"GetCurrentProcess", 6, ErrNoCurrentProcess, "Can't enable shutdown: Can't determine the current process. [%]", 2},
        StepCase{"OpenProcessToken", 5, ErrNoPrivileges, kNoPrivileges, 3},
        StepCase{"OpenProcessToken", FakeWinApi::kTextless, ErrNoPrivileges, kNoPrivileges, 3},
        StepCase{"AdjustTokenPrivileges", 1314, ErrNoPrivileges, kNoPrivileges, 4},
        StepCase{"ExitWindowsEx", 1314, ErrShutdownFailed, "ShutdownSystem failed: %", 5}));

TEST(RequestTest, FlagsOutsideZeroToThirtyOneRaiseBeforeAnythingIsAsked) {
    for (std::int32_t flags : {32, -1, 64, INT_MAX, INT_MIN}) {
        FakeWinApi api;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, flags); });
        EXPECT_EQ(record.Number, ErrInvalidParameter);
        EXPECT_EQ(record.Description, "Invalid parameter to ShutdownSystem: " + std::to_string(flags));
        EXPECT_EQ(record.HelpFile, std::string("64"));
        EXPECT_EQ(api.calls, std::vector<std::string>{"ReportAndExit()"});
    }
    FakeWinApi api;
    api.platform = win::kPlatformWin9x;
    WindowsNTCache family;
    for (std::int32_t flags : {0, 31}) EXPECT_TRUE(ShutdownSystem(api, family, flags));
    EXPECT_EQ(api.calls.back(), "ExitWindowsEx(31,4294967295)");
}

TEST(ErrorTextTest, AsksTheSystemTableAndKeepsExactlyTheTextReturned) {
    FakeWinApi api;
    EXPECT_EQ(GetSystemErrorText(api, 5), "Message 5.\r\n");
    EXPECT_EQ(GetSystemErrorText(api, -2147024891), "Message 2147942405.\r\n");  // 0x80070005, as its bits
    EXPECT_EQ(GetSystemErrorText(api, FakeWinApi::kTextless), "");
    api.fail["FormatMessageA"] = 122;
    EXPECT_EQ(GetSystemErrorText(api, 5), "");
    // From the system, no inserts; no source, any language, a 256-byte buffer.
    EXPECT_EQ(api.calls.front(), "FormatMessageA(4608,0,5,0,256)");
}

TEST(ErrorTextTest, ProgramNameDropsFolderAndExtension) {
    const char* cases[][2] = {{"C:\\Program Files\\EndNow\\endnow.exe", "endnow"}, {"tool.exe", "tool"},
                              {"D:\\my.tools\\run", "run"}, {"C:\\x\\end.now.EXE", "end.now"},
                              {"\\\\server\\share\\endnow.exe", "endnow"}, {"C:endnow.exe", "endnow"}, {"", ""}};
    for (auto& c : cases) EXPECT_EQ(ProgramName(c[0]), c[1]) << c[0];
    FakeWinApi api;
    api.modulePath = "D:\\bin\\tool.exe";
    EXPECT_EQ(RaisedBy([&] { Raise(api, ErrNoWindow, "x"); }).Source, "tool.mShutDown");
}

TEST(ErrorTextTest, TheMessageShowsTheNumberInDecimalAndHexThenSourceAndText) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {ErrShutdownFailed, "-2147219925 (0x8004062B)"}, {ErrNoPrivilegeValue, "-2147219924 (0x8004062C)"},
        {ErrNoCurrentProcess, "-2147219923 (0x8004062D)"}, {ErrNoPrivileges, "-2147219922 (0x8004062E)"},
        {ErrInvalidParameter, "-2147219921 (0x8004062F)"}, {ErrOverflow, "6 (0x00000006)"}};
    for (const auto& [number, shown] : cases)
        EXPECT_EQ(FormatErrorMessage({number, "endnow.mShutDown", "Access denied.\r\n", {}, {}}),
                  std::string("Error ") + shown + " in endnow.mShutDown\r\n\r\nAccess denied.\r\n");
}

}  // namespace
