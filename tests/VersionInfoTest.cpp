#include <gtest/gtest.h>

#include "FakeWinApi.h"
#include "power/ShutDown.h"
#include "power/VersionInfo.h"

namespace {

constexpr std::uint32_t k9x = win::kPlatformWin9x;
constexpr std::uint32_t kNT = win::kPlatformNT;
constexpr std::uint32_t kWin32s = 0;

struct ReleaseCase {
    std::uint32_t major, minor, platform;
    bool win98OrLater, me, nt5, xp, nt;
};

class ReleaseTest : public testing::TestWithParam<ReleaseCase> {};

TEST_P(ReleaseTest, ClassifiesTheRelease) {
    const auto& r = GetParam();
    FakeWinApi api;
    api.SetRelease(r.major, r.minor, r.platform);
    EXPECT_EQ(VersionInfo::IsWin98OrLater(api), r.win98OrLater);
    EXPECT_EQ(VersionInfo::IsWinMe(api), r.me);
    EXPECT_EQ(VersionInfo::IsWinNT5(api), r.nt5);
    EXPECT_EQ(VersionInfo::IsWinXP(api), r.xp);
    mShutDown::WindowsNTCache family;
    EXPECT_EQ(family.IsWindowsNT(api), r.nt);
}

INSTANTIATE_TEST_SUITE_P(Releases, ReleaseTest,
                         testing::Values(ReleaseCase{4, 0, k9x, false, false, false, false, false},    // 95
                                         ReleaseCase{4, 0, kNT, false, false, false, false, true},     // NT 4.0
                                         ReleaseCase{4, 10, k9x, true, false, false, false, false},    // 98
                                         ReleaseCase{4, 90, k9x, true, true, false, false, false},     // Me
                                         ReleaseCase{5, 0, kNT, false, false, true, false, true},      // 2000
                                         ReleaseCase{5, 1, kNT, false, false, true, true, true},       // XP
                                         ReleaseCase{5, 2, kNT, false, false, true, false, true},      // 2003
                                         ReleaseCase{6, 0, kNT, false, false, false, false, true},     // Vista
                                         ReleaseCase{10, 0, kNT, false, false, false, false, true},    // 10, 11
                                         ReleaseCase{3, 10, kWin32s, false, false, false, false, false},
                                         // The first half of the 98 test ignores the platform.
                                         ReleaseCase{4, 10, kNT, true, false, false, false, true},
                                         ReleaseCase{5, 0, k9x, true, false, false, false, false}));

TEST(VersionInfoTest, AResultOfTwoIsNotSuccessForTheReleaseTests) {
    FakeWinApi api;
    api.SetRelease(5, 1, kNT);
    api.versionResult = 2;
    EXPECT_FALSE(VersionInfo::IsWin98OrLater(api));
    EXPECT_FALSE(VersionInfo::IsWinMe(api));
    EXPECT_FALSE(VersionInfo::IsWinNT5(api));
    EXPECT_FALSE(VersionInfo::IsWinXP(api));
    mShutDown::WindowsNTCache family;
    EXPECT_TRUE(family.IsWindowsNT(api));  // any non-zero result counts here
}

TEST(VersionInfoTest, ReleaseTestsAskEveryTime) {
    FakeWinApi api;
    api.SetRelease(5, 0, kNT);
    EXPECT_TRUE(VersionInfo::IsWinNT5(api));
    api.SetRelease(5, 1, kNT);
    EXPECT_TRUE(VersionInfo::IsWinXP(api));
    EXPECT_EQ(api.Count("GetVersionExA"), 2);
}

TEST(VersionInfoTest, AFailedQueryAnswersFalseAndIsNotRemembered) {
    FakeWinApi api;
    api.SetRelease(5, 1, kNT);
    api.Fail("GetVersionExA", 1);
    EXPECT_FALSE(VersionInfo::IsWinXP(api));
    mShutDown::WindowsNTCache family;
    EXPECT_FALSE(family.IsWindowsNT(api));

    api.failures.clear();
    EXPECT_TRUE(family.IsWindowsNT(api));
    EXPECT_EQ(api.Count("GetVersionExA"), 3);
}

TEST(VersionInfoTest, TheFirstSuccessfulPlatformAnswerIsKept) {
    FakeWinApi api;
    api.SetRelease(4, 10, k9x);
    mShutDown::WindowsNTCache family;
    EXPECT_FALSE(family.IsWindowsNT(api));
    api.SetRelease(5, 1, kNT);
    EXPECT_FALSE(family.IsWindowsNT(api));
    EXPECT_EQ(api.Count("GetVersionExA"), 1);
}

}  // namespace
