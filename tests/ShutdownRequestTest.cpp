#include <gtest/gtest.h>

#include <climits>

#include "ErrorMatchers.h"
#include "FakeWinApi.h"

namespace {

using namespace mShutDown;

class ShutdownSystemTest : public testing::Test {
protected:
    bool Request(std::int32_t flags) { return ShutdownSystem(api, family, flags); }

    FakeWinApi api;
    WindowsNTCache family;
};

class InvalidFlagsTest : public ShutdownSystemTest, public testing::WithParamInterface<std::int32_t> {};

TEST_P(InvalidFlagsTest, RaisesWithoutAskingWindowsAnything) {
    const auto record = RaisedBy([&] { Request(GetParam()); });
    EXPECT_EQ(record.Number, ErrInvalidParameter);
    EXPECT_EQ(record.Description, "Invalid parameter to ShutdownSystem: " + std::to_string(GetParam()));
    EXPECT_EQ(record.HelpFile, std::string("64"));
    EXPECT_EQ(api.Count("ExitWindowsEx"), 0);
    EXPECT_EQ(api.Count("GetVersionExA"), 0);
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, InvalidFlagsTest, testing::Values(32, -1, 64, INT_MAX, INT_MIN));

TEST_F(ShutdownSystemTest, DescribesNegativeFlagsWithAMinusSign) {
    EXPECT_EQ(RaisedBy([&] { Request(INT_MIN); }).Description, "Invalid parameter to ShutdownSystem: -2147483648");
    EXPECT_EQ(RaisedBy([&] { Request(-1); }).Description, "Invalid parameter to ShutdownSystem: -1");
}

TEST_F(ShutdownSystemTest, AcceptsTheWholeRange) {
    api.SetRelease(4, 10, win::kPlatformWin9x);
    for (std::int32_t flags : {0, 1, 2, 8, 31}) EXPECT_TRUE(Request(flags));
    ASSERT_EQ(api.exits.size(), 5u);
    EXPECT_EQ(api.exits.back().flags, 31u);
}

TEST_F(ShutdownSystemTest, EnablesThePrivilegeBeforeTheRequestOnNT) {
    api.SetRelease(6, 1, win::kPlatformNT);
    EXPECT_TRUE(Request(EWX_LOGOFF));  // even a log-off, which would not need it
    ASSERT_EQ(api.exits.size(), 1u);
    EXPECT_EQ(api.exits[0].flags, 0u);
    EXPECT_EQ(api.exits[0].reason, 0xFFFFFFFFu);
    EXPECT_LT(api.IndexOf("AdjustTokenPrivileges"), api.IndexOf("ExitWindowsEx"));
    EXPECT_LT(api.IndexOf("CloseHandle"), api.IndexOf("ExitWindowsEx"));
}

TEST_F(ShutdownSystemTest, SkipsThePrivilegeOn9x) {
    api.SetRelease(4, 90, win::kPlatformWin9x);
    EXPECT_TRUE(Request(EWX_REBOOT));
    EXPECT_EQ(api.Count("LookupPrivilegeValueA"), 0);
    EXPECT_EQ(api.Count("OpenProcessToken"), 0);
    EXPECT_EQ(api.exits.at(0).flags, 2u);
}

TEST_F(ShutdownSystemTest, AFailedVersionQueryGoesStraightToTheRequest) {
    api.SetRelease(5, 1, win::kPlatformNT);
    api.Fail("GetVersionExA", 1);
    EXPECT_TRUE(Request(EWX_SHUTDOWN));
    EXPECT_EQ(api.Count("LookupPrivilegeValueA"), 0);
    EXPECT_EQ(api.exits.at(0).flags, 1u);
}

TEST_F(ShutdownSystemTest, ARefusedRequestRaisesWithTheTextOfItsCode) {
    api.SetRelease(5, 1, win::kPlatformNT);
    api.Fail("ExitWindowsEx", 1314);  // ERROR_PRIVILEGE_NOT_HELD
    const auto record = RaisedBy([&] { Request(EWX_SHUTDOWN); });
    EXPECT_EQ(record.Number, ErrShutdownFailed);
    EXPECT_EQ(record.Description, "ShutdownSystem failed: " + FakeWinApi::TextFor(1314));
    EXPECT_EQ(record.Source, "endnow.mShutDown");
    EXPECT_FALSE(record.HelpFile.has_value());
}

TEST_F(ShutdownSystemTest, APrivilegeErrorPassesThroughAndNoRequestIsMade) {
    api.SetRelease(5, 0, win::kPlatformNT);
    api.Fail("OpenProcessToken", 5);
    EXPECT_EQ(RaisedBy([&] { Request(EWX_POWEROFF); }).Number, ErrNoPrivileges);
    EXPECT_EQ(api.Count("ExitWindowsEx"), 0);
}

}  // namespace
