// The request and what a failing one shows: the privilege steps, the flags'
// range, the numbered errors and the system's text in them.
#include <climits>

#include "FakeWinApi.h"

namespace {

using namespace mShutDown;
using Calls = std::vector<std::string>;

// On NT: the LUID whole, enabled (2), with room for the previous state (16 bytes), the token closed once.
const Calls kSteps{"GetVersionExA(148)", "LookupPrivilegeValueA(null,SeShutdownPrivilege)", "GetCurrentProcess()",
                   "OpenProcessToken(-1,40)", "AdjustTokenPrivileges(122,0,1,19,36,2,16,1,1)", "CloseHandle(122)",
                   "ExitWindowsEx(1,4294967295)"};

TEST(RequestTest, EachFailingStepRaisesItsErrorWithTheTextOfTheCodeThatCallLeft) {
    const char* noPrivileges = "Can't enable shutdown: You do not have the privileges to shutdown this system. [%]";
    const std::tuple<int, std::uint32_t, ErrorNumber, const char*> cases[] = {  // step, code, error, text (% the code's)
        {1, 1313, ErrNoPrivilegeValue, "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [%]"},
        {2, 6, ErrNoCurrentProcess, "Can't enable shutdown: Can't determine the current process. [%]"},
        {3, 5, ErrNoPrivileges, noPrivileges}, {3, FakeWinApi::kTextless, ErrNoPrivileges, noPrivileges},
        {4, 1314, ErrNoPrivileges, noPrivileges}, {6, 1314, ErrShutdownFailed, "ShutdownSystem failed: %"}};
    for (auto [step, code, number, text] : cases) {
        FakeWinApi api;
        api.fail[kSteps[step].substr(0, kSteps[step].find('('))] = code;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, EWX_SHUTDOWN); });
        std::string description = text;
        EXPECT_EQ(record.Description, description.replace(description.find('%'), 1, FakeWinApi::TextFor(code)));
        EXPECT_EQ(std::tie(record.Number, record.Source, record.HelpFile, record.HelpContext),
                  std::make_tuple(number, "endnow.mShutDown", std::nullopt, std::nullopt));
        // The text is asked for right after the failing call; an opened token is closed after that.
        Calls expected(kSteps.begin(), kSteps.begin() + step + 1);
        expected.push_back("FormatMessageA(4608,0," + std::to_string(code) + ",0,256)");
        if (step == 4) expected.push_back(kSteps[5]);
        expected.push_back("ReportAndExit()");
        EXPECT_EQ(api.calls, expected) << step;
    }
}

TEST(RequestTest, FlagsOutsideZeroToThirtyOneRaiseBeforeAnythingIsAsked) {
    for (std::int32_t flags : {32, -1, 64, INT_MAX, INT_MIN}) {
        FakeWinApi api;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, flags); });
        EXPECT_EQ(std::tie(record.Number, record.Description, record.HelpFile),
                  std::make_tuple(ErrInvalidParameter, "Invalid parameter to ShutdownSystem: " + std::to_string(flags), "64"));
        EXPECT_EQ(api.calls, Calls{"ReportAndExit()"});
    }
    FakeWinApi api;
    api.platform = win::kPlatformWin9x;
    WindowsNTCache family;
    for (std::int32_t flags : {0, 31}) EXPECT_TRUE(ShutdownSystem(api, family, flags));
    EXPECT_EQ(api.calls.back(), "ExitWindowsEx(31,4294967295)");
}

TEST(ErrorTest, TheSystemsTextForACodeTheProgramsNameAndTheNumberInDecimalAndHex) {
    FakeWinApi api;
    EXPECT_EQ(GetSystemErrorText(api, 5), "Message 5.\r\n");
    EXPECT_EQ(GetSystemErrorText(api, -2147024891), "Message 2147942405.\r\n");  // 0x80070005, as its bits
    EXPECT_EQ(GetSystemErrorText(api, FakeWinApi::kTextless), "");
    api.fail["FormatMessageA"] = 122;
    EXPECT_EQ(GetSystemErrorText(api, 5), "");
    EXPECT_EQ(api.calls.front(), "FormatMessageA(4608,0,5,0,256)");  // from the system, no inserts, any language
    const char* names[][2] = {{"C:\\Program Files\\EndNow\\endnow.exe", "endnow"}, {"tool.exe", "tool"},
                              {"D:\\my.tools\\run", "run"}, {"C:\\x\\end.now.EXE", "end.now"},
                              {"\\\\server\\share\\e.exe", "e"}, {"C:e.exe", "e"}, {"a/b.exe", "b"}};
    for (auto& [path, name] : names) EXPECT_EQ(ProgramName(path), name);
    api.modulePath = "D:\\bin\\tool.exe";
    EXPECT_EQ(RaisedBy([&] { Raise(api, ErrOverflow, "Overflow"); }).Source, "tool.mShutDown");
    EXPECT_EQ(FormatErrorMessage({ErrOverflow, "tool.mShutDown", "Overflow", {}, {}}),
              "Error 6 (0x00000006) in tool.mShutDown\r\n\r\nOverflow");
    EXPECT_EQ(FormatErrorMessage({ErrShutdownFailed, "e.mShutDown", "x\r\n", {}, {}}),
              "Error -2147219925 (0x8004062B) in e.mShutDown\r\n\r\nx\r\n");
}

}  // namespace
