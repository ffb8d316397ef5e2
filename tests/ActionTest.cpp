// From the command line and the release to the request: the reader, the rules,
// the release tests and the run sequence.
#include <array>

#include "FakeWinApi.h"
#include "Releases.h"
#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/SelectAction.h"
#include "power/VersionInfo.h"

namespace {

using namespace mShutDown;
using Calls = std::vector<std::string>;

TEST(ReaderTest, TheProgramNameEndsAtItsQuoteItsOwnPathOrTheFirstSpace) {
    const wchar_t* own = L"C:\\Program Files\\EndNow\\endnow.exe";
    const wchar_t* cases[][3] = {  // command line, arguments, the running executable's path
        {L"endnow.exe /S", L" /S", own}, {L"", L"", own}, {L"endnow.exe\t/L", L"\t/L", own},
        {L"\"C:\\a b\\endnow.exe\"/P", L"/P", own}, {L"\"C:\\a b\\endnow.exe /S", L"", own},  // unclosed
        {L"C:\\a\"b.exe /S", L" /S", own}, {L"C:\\tools/S/endnow.exe", L"", own},
        // Unquoted with spaces, as a Run key starts it: its own path, in any case, with or without ".exe".
        {own, L"", own}, {L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t/s", L"\t/s", own},
        {L"C:\\Program Files\\EndNow\\endnow /S", L" /S", own}, {L"C:\\Program Files\\EndNow\\endnow", L"", own},
        // Else the first space: a longer name, another path, no path known, another extension left off.
        {L"C:\\Program Files\\EndNow\\endnow.exe2 /L", L" Files\\EndNow\\endnow.exe2 /L", own},
        {L"C:\\Program Files\\Other\\endnow.exe /L", L" Files\\Other\\endnow.exe /L", own},
        {L"C:\\Program Files\\EndNow\\endnow.exe /L", L" Files\\EndNow\\endnow.exe /L", L""},
        {L"C:\\Program Files\\EndNow\\endnow /L", L" Files\\EndNow\\endnow /L", L"C:\\Program Files\\EndNow\\endnow.com"}};
    for (auto& c : cases) EXPECT_EQ(ArgumentString(c[0], c[2]), c[1]) << testing::PrintToString(c[0]);
}

TEST(ReaderTest, TheTokenIsTheLastOfTheFirstMaxArgs) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L" \t/ \" // \"\t", L""}, {L"a/b", L"b"}, {L"ab\tcd", L"cd"}, {L"\"two words\"", L"words"}, {L"sh\"ut", L"ut"},
        {L"-s", L"-s"}, {L"1 2 3 4 5 6 7 8 9 10 11", L"10"}, {L"1 2 3 4 5 6 7 8 9 10/11", L"10"}};
    for (auto& [arguments, token] : cases) EXPECT_EQ(GetCommandArgument(arguments), token);
    EXPECT_EQ(GetCommandArgument(L"abc", 0), L"");
    EXPECT_EQ(GetCommandArgument(L"  a b", 1), L"a");
    EXPECT_EQ(GetCommandArgument(L"a b c", 2), L"b");
    const std::wstring longest(32767, L'x');  // the most a Windows command line holds
    EXPECT_EQ(GetCommandArgument(L"S " + longest), longest);
    EXPECT_EQ(GetCommandArgument(longest + L" S"), L"S");
    EXPECT_EQ(GetCommandArgument(std::wstring(32767, L'/')), L"");
}

// The notice as the run uses it, logged among the fake's calls; its first use can fail.
struct FakeNotice : window::Notice {
    explicit FakeNotice(FakeWinApi& api) : api(api) {}
    void SetStatusCaption(const std::wstring& text) override { Use("SetStatusCaption", std::string(text.begin(), text.end()).c_str()); }
    void Show() override { Use("Show"); }
    void Refresh() override { Use("Refresh"); }
    void Unload() override { api.Enter("Unload"); }
    template <typename... Args>
    void Use(const char* call, Args... args) {
        api.Enter(call, args...);
        if (loadFails) throw Raised{*loadFails};
    }
    FakeWinApi& api;
    std::optional<ErrorRecord> loadFails;
};

// The calls of the run sequence, in order.
Calls Sequence(const FakeWinApi& api) {
    Calls out;
    for (const auto& c : api.calls)
        for (const char* name : {"SetStatus", "Show(", "Refresh(", "Sleep(", "ExitWindowsEx(", "Unload(", "ReportAndExit("})
            if (c.rfind(name, 0) == 0) out.push_back(c);
    return out;
}

TEST(RunTest, CaptionShowRefreshPauseThenPrivilegeRequestAndUnload) {
    const std::tuple<const wchar_t*, int, const char*> cases[] = {
        {L"e", 2, "ReBoot !"}, {L"e / \t\"/", 2, "ReBoot !"}, {L"e /l", 0, "LogOff !"}, {L"e L", 0, "LogOff !"},
        {L"e /S", 8, "ShutDown !"}, {L"e s", 8, "ShutDown !"}, {L"e /P", 8, "ShutDown !"}, {L"e p", 8, "ShutDown !"},
        {L"e -s", 0, nullptr}, {L"e shutdown", 0, nullptr}, {L"e s l", 0, "LogOff !"}, {L"e l s", 8, "ShutDown !"},
        // The tenth token decides; the eleventh is never read.
        {L"e 1 2 3 4 5 6 7 8 9 L S", 0, "LogOff !"}, {L"e 1 2 3 4 5 6 7 8 9 10 S", 0, nullptr},
        {L"C:\\Program Files\\EndNow\\endnow.exe", 2, "ReBoot !"}};
    for (const auto& [line, flags, caption] : cases) {
        FakeWinApi api;  // Windows 2000: a shut-down powers off
        api.minor = 0, api.commandLine = line;
        FakeNotice notice(api);
        EXPECT_EQ(Main(api, notice), 0);
        Calls expected{"Show()", "Refresh()", "Sleep(1000)", "ExitWindowsEx(" + std::to_string(flags) + ",4294967295)", "Unload()"};
        if (caption) expected.insert(expected.begin(), "SetStatusCaption(" + std::string(caption) + ")");
        EXPECT_EQ(Sequence(api), expected) << testing::PrintToString(line);
        // The privilege after the pause; only the shut-down rule asks for the release (four tests), the request for the platform.
        const auto at = [&](const char* call) { return std::find(api.calls.begin(), api.calls.end(), call) - api.calls.begin(); };
        EXPECT_LT(at("Sleep(1000)"), at("LookupPrivilegeValueA(null,SeShutdownPrivilege)"));
        EXPECT_EQ(api.Count("GetVersionExA"), caption && caption[0] == 'S' ? 5 : 1);
    }
}

TEST(RunTest, AnErrorEndsTheRunWhereItIsRaisedWithTheNoticeLeftUp) {
    FakeWinApi api;
    api.fail["ExitWindowsEx"] = 5;
    FakeNotice notice(api);
    EXPECT_EQ(RaisedBy([&] { Main(api, notice); }).Number, ErrShutdownFailed);
    EXPECT_EQ(Sequence(api), (Calls{"SetStatusCaption(ReBoot !)", "Show()", "Refresh()", "Sleep(1000)",
                                    "ExitWindowsEx(2,4294967295)", "ReportAndExit()"}));
    FakeWinApi other;
    FakeNotice failing(other);
    failing.loadFails = ErrorRecord{6, "endnow.mShutDown", "Overflow", {}, {}};
    EXPECT_EQ(RaisedBy([&] { Main(other, failing); }).Number, 6);
    EXPECT_EQ(Sequence(other), Calls{"SetStatusCaption(ReBoot !)"});
}

class ReleaseTest : public testing::TestWithParam<ReleaseRow> {};
TEST_P(ReleaseTest, ClassifiesTheReleaseAndMakesItsRequest) {
    const ReleaseRow& r = GetParam();
    FakeWinApi api;
    api.major = r.major, api.minor = r.minor, api.platform = r.platform, api.versionResult = r.result;
    EXPECT_EQ((std::array{VersionInfo::IsWin98OrLater(api), VersionInfo::IsWinMe(api), VersionInfo::IsWinNT5(api),
                          VersionInfo::IsWinXP(api)}),
              (std::array{r.win98, r.me, r.nt5, r.xp}));
    WindowsNTCache family;
    EXPECT_EQ(ShutdownFlags(api, family), r.shutdownFlags);
    EXPECT_EQ(family.IsWindowsNT(api), r.nt);
    EXPECT_TRUE(ShutdownSystem(api, family, r.shutdownFlags));  // the privilege first, on the NT family only
    EXPECT_EQ(api.Count("AdjustTokenPrivileges"), r.nt ? 1 : 0);
    EXPECT_EQ(api.calls.back(), "ExitWindowsEx(" + std::to_string(r.shutdownFlags) + ",4294967295)");
}
INSTANTIATE_TEST_SUITE_P(Releases, ReleaseTest, testing::ValuesIn(kReleases), [](auto& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(api.calls, Calls(3, "GetVersionExA(148)"));
}

}  // namespace
