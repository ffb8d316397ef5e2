// The seam against the real system (run under Wine): what the fake assumes
// about Windows, checked on Windows itself.
#include <gtest/gtest.h>

#include "power/ShutDown.h"
#include "power/VersionInfo.h"
#include "power/WinApiReal.h"

namespace {

using namespace mShutDown;

TEST(RealSystemTextTest, AccessDeniedEndsWithTheSystemsLineBreak) {
    win::RealWinApi api;
    const std::string text = GetSystemErrorText(api, 5);
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(RealSystemTextTest, SuccessHasAMessage) {
    win::RealWinApi api;
    EXPECT_FALSE(GetSystemErrorText(api, 0).empty());
}

TEST(RealSystemTextTest, AnUnknownCodeGivesEmpty) {
    win::RealWinApi api;
    EXPECT_EQ(GetSystemErrorText(api, 0x2A5F1), "");
    EXPECT_EQ(GetSystemErrorText(api, -1), "");
}

TEST(RealSystemTest, NamesTheRunningExecutable) {
    win::RealWinApi api;
    EXPECT_EQ(ProgramName(api.ModuleFileName()), "endnow_tests");
    EXPECT_NE(api.CommandLine().find(L"endnow_tests"), std::wstring::npos);
}

TEST(RealSystemTest, TheVersionQueryAnswersExactlyOne) {
    win::RealWinApi api;
    win::OsVersionInfoA info;
    EXPECT_EQ(VersionInfo::QueryVersion(api, info), 1);
    EXPECT_GE(info.dwMajorVersion, 4u);
}

TEST(RealSystemTest, TheSecurityCallsBindAtRunTime) {
    win::RealWinApi api;
    win::Luid luid{};
    EXPECT_NE(api.LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", luid), 0);
    EXPECT_NE(luid.LowPart, 0u);
    EXPECT_EQ(api.LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", luid), 0);
    EXPECT_EQ(api.GetLastError(), 1313u);  // ERROR_NO_SUCH_PRIVILEGE
}

TEST(RealSystemTest, EnablesThePrivilegeInItsOwnToken) {
    win::RealWinApi api;
    WindowsNTCache family;
    if (!family.IsWindowsNT(api)) GTEST_SKIP() << "no tokens on this platform";
    EXPECT_TRUE(EnableShutdownPrivilege(api));
}

}  // namespace
