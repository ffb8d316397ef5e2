#include <gtest/gtest.h>

#include "FakeWinApi.h"
#include "app/Main.h"

namespace {

TEST(MainTest, WaitsASecondThenMakesTheRequestAndExitsZero) {
    FakeWinApi api;
    api.SetRelease(5, 1, win::kPlatformNT);
    api.commandLine = L"endnow.exe /S";
    EXPECT_EQ(mShutDown::Main(api), 0);
    EXPECT_EQ(api.sleeps, std::vector<std::uint32_t>{1000});
    ASSERT_EQ(api.exits.size(), 1u);
    EXPECT_EQ(api.exits[0].flags, 1u);
    EXPECT_LT(api.IndexOf("Sleep"), api.IndexOf("LookupPrivilegeValueA"));
    EXPECT_TRUE(api.shown.empty());
}

TEST(MainTest, AnErrorIsShownUnderTheProgramsNameAndExitsOne) {
    FakeWinApi api;
    api.SetRelease(4, 10, win::kPlatformWin9x);
    api.moduleFileName = "C:\\tools\\tool.exe";
    api.Fail("ExitWindowsEx", 5);
    EXPECT_EQ(mShutDown::Main(api), 1);
    ASSERT_EQ(api.shown.size(), 1u);
    EXPECT_EQ(api.shown[0].title, "tool");
    EXPECT_EQ(api.shown[0].text, "Error -2147219925 (0x8004062B) in tool.mShutDown\r\n\r\n"
                                 "ShutdownSystem failed: " + FakeWinApi::TextFor(5));
    EXPECT_EQ(api.calls.back(), "ShowError");
}

}  // namespace
