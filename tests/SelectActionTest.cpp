#include <gtest/gtest.h>

#include "FakeWinApi.h"
#include "app/SelectAction.h"

namespace {

using namespace mShutDown;

constexpr std::uint32_t k9x = win::kPlatformWin9x;
constexpr std::uint32_t kNT = win::kPlatformNT;

ActionChoice Select(FakeWinApi& api, const std::wstring& arguments) {
    api.commandLine = L"\"C:\\Program Files\\EndNow\\endnow.exe\"" + arguments;
    WindowsNTCache family;
    return SelectAction(api, family);
}

struct RuleCase {
    const wchar_t* arguments;
    std::int32_t flags;
    const wchar_t* caption;  // nullptr: no caption
};

class RuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(RuleTest, AppliesTheFirstMatchingRule) {
    FakeWinApi api;
    api.SetRelease(5, 0, kNT);
    const auto choice = Select(api, GetParam().arguments);
    EXPECT_EQ(choice.ExitFlags, GetParam().flags);
    if (GetParam().caption)
        EXPECT_EQ(choice.StatusCaption, std::wstring(GetParam().caption));
    else
        EXPECT_FALSE(choice.StatusCaption.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleTest,
    testing::Values(RuleCase{L"", EWX_REBOOT, L"ReBoot !"}, RuleCase{L" / \t\"/", EWX_REBOOT, L"ReBoot !"},
                    RuleCase{L" /l", EWX_LOGOFF, L"LogOff !"}, RuleCase{L" L", EWX_LOGOFF, L"LogOff !"},
                    RuleCase{L" /S", EWX_POWEROFF, L"ShutDown !"}, RuleCase{L" s", EWX_POWEROFF, L"ShutDown !"},
                    RuleCase{L" /P", EWX_POWEROFF, L"ShutDown !"}, RuleCase{L" p", EWX_POWEROFF, L"ShutDown !"},
                    RuleCase{L" -s", EWX_LOGOFF, nullptr}, RuleCase{L" shutdown", EWX_LOGOFF, nullptr},
                    RuleCase{L" /x", EWX_LOGOFF, nullptr}, RuleCase{L" s l", EWX_LOGOFF, L"LogOff !"},
                    RuleCase{L" l s", EWX_POWEROFF, L"ShutDown !"},
                    // The tenth token decides; the eleventh is never read.
                    RuleCase{L" 1 2 3 4 5 6 7 8 9 L S", EWX_LOGOFF, L"LogOff !"},
                    RuleCase{L" 1 2 3 4 5 6 7 8 9 10 S", EWX_LOGOFF, nullptr}));

TEST(SelectActionTest, AnUnquotedPathWithSpacesIsTheProgramsNameNotAnArgument) {
    FakeWinApi api;
    api.moduleFileNameW = L"C:\\Program Files\\EndNow\\endnow.exe";
    api.commandLine = L"C:\\Program Files\\EndNow\\endnow.exe";
    WindowsNTCache family;
    EXPECT_EQ(SelectAction(api, family).ExitFlags, EWX_REBOOT);
}

TEST(SelectActionTest, OnlyTheShutdownRuleAsksForTheRelease) {
    for (const wchar_t* arguments : {L"", L" /L", L" shutdown"}) {
        FakeWinApi api;
        Select(api, arguments);
        EXPECT_EQ(api.Count("GetVersionExA"), 0) << "for" << testing::PrintToString(arguments);
    }
}

struct ReleaseCase {
    const char* name;
    std::uint32_t major, minor, platform;
    std::int32_t flags;
};

class ShutdownFlagsTest : public testing::TestWithParam<ReleaseCase> {};

TEST_P(ShutdownFlagsTest, ChoosesTheFlagsForTheRelease) {
    const auto& r = GetParam();
    FakeWinApi api;
    api.SetRelease(r.major, r.minor, r.platform);
    const auto choice = Select(api, L" /S");
    EXPECT_EQ(choice.ExitFlags, r.flags);
    EXPECT_EQ(choice.StatusCaption, std::wstring(L"ShutDown !"));
    // All four release tests run, whichever is true.
    EXPECT_GE(api.Count("GetVersionExA"), 4);
}

INSTANTIATE_TEST_SUITE_P(Releases, ShutdownFlagsTest,
                         testing::Values(ReleaseCase{"Windows2000", 5, 0, kNT, EWX_POWEROFF},
                                         ReleaseCase{"WindowsXP", 5, 1, kNT, EWX_SHUTDOWN},
                                         ReleaseCase{"Server2003", 5, 2, kNT, EWX_POWEROFF},
                                         ReleaseCase{"Windows98", 4, 10, k9x, EWX_SHUTDOWN},
                                         ReleaseCase{"WindowsMe", 4, 90, k9x, EWX_SHUTDOWN},
                                         // Releases none of the tests accepts.
                                         ReleaseCase{"Windows95", 4, 0, k9x, EWX_SHUTDOWN},
                                         ReleaseCase{"NT4", 4, 0, kNT, EWX_POWEROFF},
                                         ReleaseCase{"Win32s", 3, 10, 0, EWX_SHUTDOWN},
                                         ReleaseCase{"Vista", 6, 0, kNT, EWX_POWEROFF},
                                         ReleaseCase{"Windows7", 6, 1, kNT, EWX_POWEROFF},
                                         ReleaseCase{"Windows8", 6, 2, kNT, EWX_POWEROFF},
                                         ReleaseCase{"Windows10", 10, 0, kNT, EWX_POWEROFF}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShutdownFlagsTest, AFailedQueryStillShutsDownRatherThanLoggingOff) {
    FakeWinApi api;
    api.Fail("GetVersionExA", 1);
    EXPECT_EQ(Select(api, L" /S").ExitFlags, EWX_SHUTDOWN);
}

TEST(ShutdownFlagsTest, AResultOfTwoFallsBackByPlatform) {
    FakeWinApi api;
    api.SetRelease(5, 1, kNT);
    api.versionResult = 2;  // the release tests refuse it; the platform test accepts it
    EXPECT_EQ(Select(api, L" /S").ExitFlags, EWX_POWEROFF);
}

}  // namespace
