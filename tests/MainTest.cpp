#include <gtest/gtest.h>

#include <algorithm>

#include "ErrorMatchers.h"
#include "FakeNotice.h"
#include "FakeWinApi.h"
#include "app/Main.h"

namespace {

// The calls of interest, in the order they were made.
std::vector<std::string> Sequence(const FakeWinApi& api) {
    static const std::vector<std::string> kept{"SetStatusCaption", "Show", "Refresh", "Sleep", "ExitWindowsEx",
                                               "Unload", "ReportAndExit"};
    std::vector<std::string> out;
    std::copy_if(api.calls.begin(), api.calls.end(), std::back_inserter(out),
                 [](const std::string& c) { return std::find(kept.begin(), kept.end(), c) != kept.end(); });
    return out;
}

struct RunCase {
    const wchar_t* commandLine;
    std::optional<std::wstring> caption;
    std::uint32_t flags;
};

class MainRunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(MainRunTest, CaptionShowRefreshPauseRequestUnloadInThatOrder) {
    FakeWinApi api;
    api.SetRelease(5, 1, win::kPlatformNT);
    api.commandLine = GetParam().commandLine;
    FakeNotice notice(api);
    EXPECT_EQ(mShutDown::Main(api, notice), 0);

    std::vector<std::string> expected{"Show", "Refresh", "Sleep", "ExitWindowsEx", "Unload"};
    if (GetParam().caption) expected.insert(expected.begin(), "SetStatusCaption");
    EXPECT_EQ(Sequence(api), expected);
    EXPECT_EQ(notice.caption, GetParam().caption);
    EXPECT_EQ(api.sleeps, std::vector<std::uint32_t>{1000});
    ASSERT_EQ(api.exits.size(), 1u);
    EXPECT_EQ(api.exits[0].flags, GetParam().flags);
    // The privilege is enabled after the pause, right before the request.
    EXPECT_LT(api.IndexOf("Sleep"), api.IndexOf("LookupPrivilegeValueA"));
    EXPECT_FALSE(notice.loaded);
}

INSTANTIATE_TEST_SUITE_P(Captions, MainRunTest,
                         ::testing::Values(RunCase{L"endnow.exe", L"ReBoot !", 2},
                                           RunCase{L"endnow.exe /L", L"LogOff !", 0},
                                           RunCase{L"endnow.exe /S", L"ShutDown !", 1},
                                           RunCase{L"endnow.exe /x", std::nullopt, 0}));

TEST(MainTest, AFailedRequestIsReportedOverTheNotice) {
    FakeWinApi api;
    api.SetRelease(4, 10, win::kPlatformWin9x);
    api.moduleFileName = "C:\\tools\\tool.exe";
    api.Fail("ExitWindowsEx", 5);
    FakeNotice notice(api);
    const auto record = RaisedBy([&] { mShutDown::Main(api, notice); });
    EXPECT_EQ(record.Number, mShutDown::ErrShutdownFailed);
    EXPECT_EQ(record.Source, "tool.mShutDown");
    // Not unloaded: the notice stays under the message until the program ends.
    EXPECT_EQ(Sequence(api), (std::vector<std::string>{"SetStatusCaption", "Show", "Refresh", "Sleep",
                                                       "ExitWindowsEx", "ReportAndExit"}));
    EXPECT_TRUE(notice.loaded);
}

TEST(MainTest, ANoticeThatCannotLoadEndsTheRunBeforeTheRequest) {
    FakeWinApi api;
    api.commandLine = L"endnow.exe /S";
    FakeNotice notice(api);
    notice.loadFails = mShutDown::ErrorRecord{6, "endnow.mShutDown", "Overflow", {}, {}};
    EXPECT_EQ(RaisedBy([&] { mShutDown::Main(api, notice); }).Number, 6);
    EXPECT_EQ(Sequence(api), (std::vector<std::string>{"SetStatusCaption"}));
    EXPECT_TRUE(api.exits.empty());
}

}  // namespace
