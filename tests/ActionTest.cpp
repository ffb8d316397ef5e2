// From the command line and the release to the request: the reader, the rules,
// the release tests and the run sequence.
#include <optional>

#include "FakeWinApi.h"
#include "Releases.h"
#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/SelectAction.h"
#include "power/VersionInfo.h"

namespace {

using namespace mShutDown;

constexpr const wchar_t* kOwnPath = L"C:\\Program Files\\EndNow\\endnow.exe";

struct NameCase {
    const wchar_t *commandLine, *arguments, *modulePath = kOwnPath;
};
class ArgumentStringTest : public testing::TestWithParam<NameCase> {};
TEST_P(ArgumentStringTest, StripsOnlyTheProgramName) {
    EXPECT_EQ(ArgumentString(GetParam().commandLine, GetParam().modulePath), GetParam().arguments);
}
INSTANTIATE_TEST_SUITE_P(
    Names, ArgumentStringTest,
    testing::Values(
        NameCase{L"endnow.exe /S", L" /S"}, NameCase{L"", L""}, NameCase{L"endnow.exe\t/L", L"\t/L"},
        NameCase{L"\"C:\\a b\\endnow.exe\"/P", L"/P"}, NameCase{L"\"C:\\a b\\endnow.exe /S", L""},  // unclosed
        NameCase{L"C:\\a\"b.exe /S", L" /S"}, NameCase{L"C:\\tools/S/endnow.exe", L""},
        // Unquoted with spaces, as a Run key starts it: the running executable's
        // own path is the name, in any case, with or without ".exe".
        NameCase{L"C:\\Program Files\\EndNow\\endnow.exe", L""},
        NameCase{L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t/s", L"\t/s"},
        NameCase{L"C:\\Program Files\\EndNow\\endnow /S", L" /S"}, NameCase{L"C:\\Program Files\\EndNow\\endnow", L""},
        // Anything else falls back to the first space: a longer name, another
        // path, no path known, a left-off extension other than ".exe".
        NameCase{L"C:\\Program Files\\EndNow\\endnow.exe2 /L", L" Files\\EndNow\\endnow.exe2 /L"},
        NameCase{L"C:\\Program Files\\Other\\endnow.exe /L", L" Files\\Other\\endnow.exe /L"},
        NameCase{L"C:\\Program Files\\EndNow\\endnow.exe /L", L" Files\\EndNow\\endnow.exe /L", L""},
        NameCase{L"C:\\Program Files\\EndNow\\endnow /L", L" Files\\EndNow\\endnow /L", L"C:\\Program Files\\EndNow\\endnow.com"}));

struct TokenCase {
    const wchar_t* arguments;
    int maxArgs;
    const wchar_t* token;
};
class TokenTest : public testing::TestWithParam<TokenCase> {};
TEST_P(TokenTest, ReturnsTheLastOfTheFirstMaxArgsTokens) {
    EXPECT_EQ(GetCommandArgument(GetParam().arguments, GetParam().maxArgs), GetParam().token);
}
INSTANTIATE_TEST_SUITE_P(
    Tokens, TokenTest,
    testing::Values(TokenCase{L" \t/ \" // \"\t", 10, L""}, TokenCase{L"a/b", 10, L"b"}, TokenCase{L"ab\tcd", 10, L"cd"},
                    TokenCase{L"\"two words\"", 10, L"words"}, TokenCase{L"sh\"ut", 10, L"ut"},
                    TokenCase{L"-s", 10, L"-s"}, TokenCase{L"1 2 3 4 5 6 7 8 9 10 11", 10, L"10"},
                    TokenCase{L"1 2 3 4 5 6 7 8 9 10/11", 10, L"10"}, TokenCase{L"abc", 0, L""},
                    TokenCase{L"  a b", 1, L"a"}, TokenCase{L"a b c", 2, L"b"}));

TEST(TokenTest, TakesTokensOfAnyLengthUpToTheLongestCommandLine) {
    const std::wstring longest(32767, L'x');  // the most a Windows command line holds
    EXPECT_EQ(GetCommandArgument(longest), longest);
    EXPECT_EQ(GetCommandArgument(L"S " + longest), longest);
    EXPECT_EQ(GetCommandArgument(longest + L" S"), L"S");
    EXPECT_EQ(GetCommandArgument(std::wstring(32767, L'/')), L"");
}

// The notice as the run uses it, logged with the fake's calls.
class FakeNotice : public window::Notice {
public:
    explicit FakeNotice(FakeWinApi& api) : api_(api) {}
    std::optional<ErrorRecord> loadFails;  // the first use raises it
    std::optional<std::wstring> caption;
    bool loaded = false;

    void SetStatusCaption(const std::wstring& text) override { Use("SetStatusCaption"), caption = text; }
    void Show() override { Use("Show"); }
    void Refresh() override { Use("Refresh"); }
    void Unload() override { api_.Enter("Unload"), loaded = false; }

private:
    void Use(const char* call) {
        api_.Enter(call);
        if (!loaded && loadFails) throw Raised{*loadFails};
        loaded = true;
    }
    FakeWinApi& api_;
};

// The calls of the run sequence, in order.
std::vector<std::string> Sequence(const FakeWinApi& api) {
    std::vector<std::string> out;
    for (const auto& c : api.calls)
        for (const char* name : {"SetStatusCaption(", "Show(", "Refresh(", "Sleep(", "ExitWindowsEx(", "Unload(", "Report"})
            if (c.rfind(name, 0) == 0) out.push_back(c);
    return out;
}

struct RunCase {
    const wchar_t* commandLine;
    std::int32_t flags;
    std::optional<std::wstring> caption;
};
class RunTest : public testing::TestWithParam<RunCase> {};
TEST_P(RunTest, CaptionShowRefreshPausePrivilegeRequestUnload) {
    FakeWinApi api;  // Windows 2000: a shut-down powers off
    api.minor = 0;
    api.commandLine = GetParam().commandLine;
    FakeNotice notice(api);
    EXPECT_EQ(Main(api, notice), 0);

    EXPECT_EQ(notice.caption, GetParam().caption);
    std::vector<std::string> expected{"Show()", "Refresh()", "Sleep(1000)",
                                      "ExitWindowsEx(" + std::to_string(GetParam().flags) + ",4294967295)", "Unload()"};
    if (GetParam().caption) expected.insert(expected.begin(), "SetStatusCaption()");
    EXPECT_EQ(Sequence(api), expected);
    EXPECT_LT(api.IndexOf("Sleep"), api.IndexOf("LookupPrivilegeValueA"));
    EXPECT_LT(api.IndexOf("CloseHandle"), api.IndexOf("ExitWindowsEx"));
    // Only the shut-down rule asks for the release (four tests); the request asks for the platform.
    EXPECT_EQ(api.Count("GetVersionExA"), GetParam().caption == L"ShutDown !" ? 5 : 1);
}
INSTANTIATE_TEST_SUITE_P(
    Rules, RunTest,
    testing::Values(RunCase{L"e", 2, L"ReBoot !"}, RunCase{L"e / \t\"/", 2, L"ReBoot !"}, RunCase{L"e /l", 0, L"LogOff !"},
                    RunCase{L"e L", 0, L"LogOff !"}, RunCase{L"e /S", 8, L"ShutDown !"}, RunCase{L"e s", 8, L"ShutDown !"},
                    RunCase{L"e /P", 8, L"ShutDown !"}, RunCase{L"e p", 8, L"ShutDown !"}, RunCase{L"e -s", 0, {}},
                    RunCase{L"e shutdown", 0, {}}, RunCase{L"e s l", 0, L"LogOff !"}, RunCase{L"e l s", 8, L"ShutDown !"},
                    // The tenth token decides; the eleventh is never read.
                    RunCase{L"e 1 2 3 4 5 6 7 8 9 L S", 0, L"LogOff !"}, RunCase{L"e 1 2 3 4 5 6 7 8 9 10 S", 0, {}},
                    RunCase{L"C:\\Program Files\\EndNow\\endnow.exe", 2, L"ReBoot !"}));

TEST(RunTest, AFailedRequestIsReportedOverTheNoticeWhichStays) {
    FakeWinApi api;
    api.fail["ExitWindowsEx"] = 5;
    FakeNotice notice(api);
    EXPECT_EQ(RaisedBy([&] { Main(api, notice); }).Number, ErrShutdownFailed);
    EXPECT_EQ(Sequence(api), (std::vector<std::string>{"SetStatusCaption()", "Show()", "Refresh()", "Sleep(1000)",
                                                       "ExitWindowsEx(2,4294967295)", "ReportAndExit()"}));
    EXPECT_TRUE(notice.loaded);
}

TEST(RunTest, ANoticeThatCannotLoadEndsTheRunBeforeTheRequest) {
    FakeWinApi api;
    FakeNotice notice(api);
    notice.loadFails = ErrorRecord{6, "endnow.mShutDown", "Overflow", {}, {}};
    EXPECT_EQ(RaisedBy([&] { Main(api, notice); }).Number, 6);
    EXPECT_EQ(Sequence(api), std::vector<std::string>{"SetStatusCaption()"});
}

class ReleaseTest : public testing::TestWithParam<ReleaseRow> {};
TEST_P(ReleaseTest, ClassifiesTheReleaseAndMakesItsRequest) {
    const ReleaseRow& r = GetParam();
    FakeWinApi api;
    api.major = r.major, api.minor = r.minor, api.platform = r.platform, api.versionResult = r.result;
    EXPECT_EQ(VersionInfo::IsWin98OrLater(api), r.win98);
    EXPECT_EQ(VersionInfo::IsWinMe(api), r.me);
    EXPECT_EQ(VersionInfo::IsWinNT5(api), r.nt5);
    EXPECT_EQ(VersionInfo::IsWinXP(api), r.xp);
    WindowsNTCache family;
    EXPECT_EQ(ShutdownFlags(api, family), r.shutdownFlags);
    EXPECT_EQ(family.IsWindowsNT(api), r.nt);
    // The privilege first, on the NT family only.
    EXPECT_TRUE(ShutdownSystem(api, family, r.shutdownFlags));
    EXPECT_EQ(api.Count("AdjustTokenPrivileges"), r.nt ? 1 : 0);
    EXPECT_EQ(api.calls.back(), "ExitWindowsEx(" + std::to_string(r.shutdownFlags) + ",4294967295)");
}
INSTANTIATE_TEST_SUITE_P(Releases, ReleaseTest, testing::ValuesIn(kReleases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReleaseTest, ThePlatformIsKeptOnceKnownTheReleaseIsAskedEveryTime) {
    FakeWinApi api;
    api.versionResult = 0;
    WindowsNTCache family;
    EXPECT_FALSE(family.IsWindowsNT(api));
    api.versionResult = 1;
    EXPECT_TRUE(family.IsWindowsNT(api));  // a failed query is not remembered
    api.platform = win::kPlatformWin9x;
    EXPECT_TRUE(family.IsWindowsNT(api));  // a successful one is
    EXPECT_TRUE(VersionInfo::IsWin98OrLater(api));
    EXPECT_EQ(api.calls, std::vector<std::string>(3, "GetVersionExA(148)"));
}

}  // namespace
