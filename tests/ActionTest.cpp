// From the command line and the release to the request, and what a failing
// request shows: the reader, the rules, the release tests, the run sequence,
// the privilege steps and the numbered errors with the system's text.
#include <array>
#include <climits>

#include "FakeWinApi.h"
#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/SelectAction.h"
#include "power/VersionInfo.h"

namespace {

using namespace mShutDown;
using Calls = std::vector<std::string>;

TEST(ReaderTest, TheProgramNameEndsAtItsQuoteItsOwnPathOrTheFirstSpace) {
    const wchar_t* own = L"C:\\Program Files\\EndNow\\endnow.exe";
    const wchar_t* cases[][3] = {
        // command line, arguments, the running executable's path
        {L"endnow.exe /S", L" /S", own},
        {L"", L"", own},
        {L"endnow.exe\t/L", L"\t/L", own},
        {L"\"C:\\a b\\endnow.exe\"/P", L"/P", own},
        {L"\"C:\\a b\\endnow.exe /S", L"", own},  // unclosed
        {L"C:\\a\"b.exe /S", L" /S", own},
        {L"C:\\tools/S/endnow.exe", L"", own},
        // Unquoted with spaces, as a Run key starts it: its own path, in any case, with or without
        // ".exe".
        {own, L"", own},
        {L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t/s", L"\t/s", own},
        {L"C:\\Program Files\\EndNow\\endnow /S", L" /S", own},
        {L"C:\\Program Files\\EndNow\\endnow", L"", own},
        // Else the first space: a longer name, another path, no path known, another extension left
        // off.
        {L"C:\\Program Files\\EndNow\\endnow.exe2 /L", L" Files\\EndNow\\endnow.exe2 /L", own},
        {L"C:\\Program Files\\Other\\endnow.exe /L", L" Files\\Other\\endnow.exe /L", own},
        {L"C:\\Program Files\\EndNow\\endnow.exe /L", L" Files\\EndNow\\endnow.exe /L", L""},
        {L"C:\\Program Files\\EndNow\\endnow /L", L" Files\\EndNow\\endnow /L",
         L"C:\\Program Files\\EndNow\\endnow.com"}};
    for (auto& c : cases)
        EXPECT_EQ(ArgumentString(c[0], c[2]), c[1]) << testing::PrintToString(c[0]);
}

TEST(ReaderTest, TheTokenIsTheLastOfTheFirstMaxArgs) {
    const std::tuple<const wchar_t*, int, const wchar_t*> cases[] = {
        {L"a/b", 10, L"b"},
        {L"ab\tcd", 10, L"cd"},
        {L"\"two words\"", 10, L"words"},
        {L"sh\"ut", 10, L"ut"},
        {L"1 2 3 4 5 6 7 8 9 10/11", 10, L"10"},
        {L"abc", 0, L""},
        {L"  a b", 1, L"a"},
        {L"a b c", 2, L"b"}};
    for (auto [arguments, maxArgs, token] : cases)
        EXPECT_EQ(GetCommandArgument(arguments, maxArgs), token) << maxArgs;
    const std::wstring longest(32767, L'x');  // the most a Windows command line holds
    EXPECT_EQ(GetCommandArgument(L"S " + longest), longest);
    EXPECT_EQ(GetCommandArgument(longest + L" S"), L"S");
    EXPECT_EQ(GetCommandArgument(std::wstring(32767, L'/')), L"");
}

// The notice as the run uses it, logged among the fake's calls.
struct FakeNotice : window::Notice {
    explicit FakeNotice(FakeWinApi& api) : api(api) {}
    void SetStatusCaption(const std::wstring& text) override {
        api.Enter("SetStatusCaption", std::string(text.begin(), text.end()).c_str());
    }
    void Show() override { api.Enter("Show"); }
    void Refresh() override { api.Enter("Refresh"); }
    void Unload() override { api.Enter("Unload"); }
    FakeWinApi& api;
};

TEST(RunTest, TheNoticeIsUpForASecondBeforeTheRequestAndDownAfterIt) {
    // Arguments: none restarts, L/l logs off, S/s/P/p shut down, anything else logs off without a
    // word.
    const std::tuple<const wchar_t*, const char*, int> cases[] = {
        // command line, caption, flags
        {L"e", "ReBoot !", 2},
        {L"e /\t\"/", "ReBoot !", 2},
        {L"e /L", "LogOff !", 0},
        {L"e l", "LogOff !", 0},
        {L"e /S", "ShutDown !", 1},
        {L"e s", "ShutDown !", 1},
        {L"e P", "ShutDown !", 1},
        {L"e /p", "ShutDown !", 1},
        {L"e /x", nullptr, 0},
        {L"e -s", nullptr, 0},
        {L"e shutdown", nullptr, 0},
        {L"e s l", "LogOff !", 0},
        {L"e l s", "ShutDown !", 1},
        {L"e 1 2 3 4 5 6 7 8 9 L S", "LogOff !", 0},  // the tenth token decides
        {L"e 1 2 3 4 5 6 7 8 9 10 S", nullptr, 0},
        {L"e 1 2 3 4 5 6 7 8 9 10 11", nullptr, 0}};
    for (auto [line, caption, flags] : cases) {
        FakeWinApi api;  // Windows 98: no privilege to enable
        api.major = 4, api.minor = 10, api.platform = win::kPlatformWin9x, api.commandLine = line;
        FakeNotice notice(api);
        EXPECT_EQ(Main(api, notice), 0);
        Calls expected{"Show()",
                       "Refresh()",
                       "Sleep(1000)",
                       "GetVersionExA(148)",
                       "ExitWindowsEx(" + std::to_string(flags) + ",4294967295)",
                       "Unload()"};
        if (caption)
            expected.insert(expected.begin(), "SetStatusCaption(" + std::string(caption) + ")");
        if (flags == 1)
            expected.insert(expected.begin(), 4, "GetVersionExA(148)");  // the four release tests
        EXPECT_EQ(api.calls, expected);
    }
}

// Every release the program tells apart: what GetVersionExA answers, what the release tests (98 or
// later, Me, NT 5, XP) and the platform test (NT) make of it, and the flags a shut-down asks for.
struct ReleaseRow {
    const char* name;
    std::uint32_t major, minor, platform;
    win::Bool result;
    std::array<bool, 5> answers;
    int flags;
};
const ReleaseRow kReleases[] = {{"95", 4, 0, 1, 1, {0, 0, 0, 0, 0}, 1},
                                {"NT4", 4, 0, 2, 1, {0, 0, 0, 0, 1}, 8},
                                {"98", 4, 10, 1, 1, {1, 0, 0, 0, 0}, 1},
                                {"Me", 4, 90, 1, 1, {1, 1, 0, 0, 0}, 1},
                                {"2000", 5, 0, 2, 1, {0, 0, 1, 0, 1}, 8},
                                {"XP", 5, 1, 2, 1, {0, 0, 1, 1, 1}, 1},
                                {"2003", 5, 2, 2, 1, {0, 0, 1, 0, 1}, 8},
                                {"Vista", 6, 0, 2, 1, {0, 0, 0, 0, 1}, 8},
                                {"7", 6, 1, 2, 1, {0, 0, 0, 0, 1}, 8},
                                {"10", 10, 0, 2, 1, {0, 0, 0, 0, 1}, 8},
                                {"Win32s", 3, 10, 0, 1, {0, 0, 0, 0, 0}, 1},
                                // The first half of the 98 test ignores the platform.
                                {"NT 4.10", 4, 10, 2, 1, {1, 0, 0, 0, 1}, 1},
                                {"9x 5.0", 5, 0, 1, 1, {1, 0, 0, 0, 0}, 1},
                                // The release tests accept only 1, the platform test any success. A
                                // failed query still shuts down.
                                {"XP answering 2", 5, 1, 2, 2, {0, 0, 0, 0, 1}, 8},
                                {"failed query", 5, 1, 2, 0, {0, 0, 0, 0, 0}, 1}};

TEST(ReleaseTest, EachReleaseIsClassifiedAndMakesItsRequest) {
    for (const ReleaseRow& r : kReleases) {
        FakeWinApi api;
        api.major = r.major, api.minor = r.minor, api.platform = r.platform,
        api.versionResult = r.result;
        api.adjustLeaves =
            1300;  // ERROR_NOT_ALL_ASSIGNED: the adjust is judged by its return value alone
        WindowsNTCache family;
        const std::array<bool, 5> answers{VersionInfo::IsWin98OrLater(api),
                                          VersionInfo::IsWinMe(api), VersionInfo::IsWinNT5(api),
                                          VersionInfo::IsWinXP(api), family.IsWindowsNT(api)};
        EXPECT_EQ(answers, r.answers) << r.name;
        EXPECT_EQ(ShutdownFlags(api, family), r.flags) << r.name;
        EXPECT_TRUE(
            ShutdownSystem(api, family, r.flags));  // the privilege first, on the NT family only
        const auto adjusted = std::count(api.calls.begin(), api.calls.end(),
                                         "AdjustTokenPrivileges(122,0,1,19,36,2,16,1,1)");
        EXPECT_EQ(adjusted, r.answers[4]) << r.name;
        EXPECT_EQ(api.calls.back(), "ExitWindowsEx(" + std::to_string(r.flags) + ",4294967295)");
    }
}

TEST(ReleaseTest, ThePlatformIsKeptOnceKnownTheReleaseIsAskedEveryTime) {
    FakeWinApi api;
    WindowsNTCache family;
    api.versionResult = 0;
    EXPECT_FALSE(family.IsWindowsNT(api));
    api.versionResult = 1;
    EXPECT_TRUE(family.IsWindowsNT(api));  // a failed query is not remembered
    api.platform = win::kPlatformWin9x;
    // A successful one is kept; the release is asked for again.
    EXPECT_TRUE(family.IsWindowsNT(api) && VersionInfo::IsWin98OrLater(api));
    EXPECT_EQ(api.calls, Calls(3, "GetVersionExA(148)"));
}

// On NT: the LUID whole, enabled (2), with room for the previous state (16 bytes), the token closed
// once.
const Calls kSteps{"GetVersionExA(148)",
                   "LookupPrivilegeValueA(null,SeShutdownPrivilege)",
                   "GetCurrentProcess()",
                   "OpenProcessToken(-1,40)",
                   "AdjustTokenPrivileges(122,0,1,19,36,2,16,1,1)",
                   "CloseHandle(122)",
                   "ExitWindowsEx(1,4294967295)"};

TEST(RequestTest, EachFailingStepRaisesItsErrorWithTheTextOfTheCodeThatCallLeft) {
    const char* noPrivileges =
        "Can't enable shutdown: You do not have the privileges to shutdown this system. [%]";
    const std::tuple<int, std::uint32_t, ErrorNumber, const char*> cases[] = {
        // step, code, error, text (% the code's)
        {1, 1313, ErrNoPrivilegeValue,
         "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [%]"},
        {2, 6, ErrNoCurrentProcess,
         "Can't enable shutdown: Can't determine the current process. [%]"},
        {3, 5, ErrNoPrivileges, noPrivileges},
        {3, FakeWinApi::kTextless, ErrNoPrivileges, noPrivileges},
        {4, 1314, ErrNoPrivileges, noPrivileges},
        {6, 1314, ErrShutdownFailed, "ShutdownSystem failed: %"}};
    for (auto [step, code, number, text] : cases) {
        FakeWinApi api;
        api.fail[kSteps[step].substr(0, kSteps[step].find('('))] = code;
        WindowsNTCache family;
        const ErrorRecord record = RaisedBy([&] { ShutdownSystem(api, family, EWX_SHUTDOWN); });
        std::string description = text;
        EXPECT_EQ(record.Description,
                  description.replace(description.find('%'), 1, FakeWinApi::TextFor(code)));
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
        EXPECT_EQ(
            std::tie(record.Number, record.Description, record.HelpFile),
            std::make_tuple(ErrInvalidParameter,
                            "Invalid parameter to ShutdownSystem: " + std::to_string(flags), "64"));
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
    EXPECT_EQ(GetSystemErrorText(api, -2147024891),
              "Message 2147942405.\r\n");  // 0x80070005, as its bits
    EXPECT_EQ(GetSystemErrorText(api, FakeWinApi::kTextless), "");
    api.fail["FormatMessageA"] = 122;
    EXPECT_EQ(GetSystemErrorText(api, 5), "");
    EXPECT_EQ(api.calls.front(),
              "FormatMessageA(4608,0,5,0,256)");  // from the system, no inserts, any language
    const char* names[][2] = {{"C:\\Program Files\\EndNow\\endnow.exe", "endnow"},
                              {"tool.exe", "tool"},
                              {"D:\\my.tools\\run", "run"},
                              {"C:\\x\\end.now.EXE", "end.now"},
                              {"\\\\server\\share\\e.exe", "e"},
                              {"C:e.exe", "e"},
                              {"a/b.exe", "b"}};
    for (auto& [path, name] : names) EXPECT_EQ(ProgramName(path), name);
    EXPECT_EQ(FormatErrorMessage({ErrOverflow, "tool.mShutDown", "Overflow", {}, {}}),
              "Error 6 (0x00000006) in tool.mShutDown\r\n\r\nOverflow");
    EXPECT_EQ(FormatErrorMessage({ErrShutdownFailed, "e.mShutDown", "x\r\n", {}, {}}),
              "Error -2147219925 (0x8004062B) in e.mShutDown\r\n\r\nx\r\n");
}

}  // namespace
