#include <gtest/gtest.h>

#include "ErrorMatchers.h"
#include "FakeWinApi.h"

namespace {

using namespace mShutDown;

TEST(EnableShutdownPrivilegeTest, EnablesThePrivilegeAndClosesTheTokenOnce) {
    FakeWinApi api;
    EXPECT_TRUE(EnableShutdownPrivilege(api));

    EXPECT_EQ(api.calls, (std::vector<std::string>{"LookupPrivilegeValueA", "GetCurrentProcess", "OpenProcessToken",
                                                   "AdjustTokenPrivileges", "CloseHandle"}));
    EXPECT_EQ(api.lookupSystemNames.at(0), nullptr);
    EXPECT_EQ(api.lookupNames.at(0), "SeShutdownPrivilege");
    EXPECT_EQ(api.opens.at(0).process, api.process);
    EXPECT_EQ(api.opens.at(0).access, 40u);

    const auto& adjust = api.adjusts.at(0);
    EXPECT_EQ(adjust.token, api.token);
    EXPECT_EQ(adjust.disableAll, 0);
    EXPECT_EQ(adjust.state.PrivilegeCount, 1u);
    EXPECT_EQ(adjust.state.PrivilegeLuid.LowPart, api.luid.LowPart);
    EXPECT_EQ(adjust.state.Attributes, 2u);
    EXPECT_EQ(adjust.bufferLength, 16u);
    EXPECT_TRUE(adjust.previousGiven);
    EXPECT_TRUE(adjust.lengthGiven);

    EXPECT_EQ(api.closed, std::vector<win::Handle>{api.token});
}

TEST(EnableShutdownPrivilegeTest, APartialAssignmentStillCountsAsSuccess) {
    FakeWinApi api;
    api.adjustSuccessCode = 1300;  // ERROR_NOT_ALL_ASSIGNED
    EXPECT_TRUE(EnableShutdownPrivilege(api));
    EXPECT_EQ(api.closed.size(), 1u);
}

struct StepCase {
    const char* failingCall;
    std::uint32_t code;
    ErrorNumber number;
    const char* fixedText;
    std::size_t handlesClosed;
};

class PrivilegeStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(PrivilegeStepTest, RaisesItsErrorWithTheTextOfTheCodeLeftByThatCall) {
    const auto& step = GetParam();
    FakeWinApi api;
    api.moduleFileName = "C:\\endnow.exe";
    api.Fail(step.failingCall, step.code);

    const auto record = RaisedBy([&] { EnableShutdownPrivilege(api); });

    EXPECT_EQ(record.Number, step.number);
    EXPECT_EQ(record.Source, "endnow.mShutDown");
    EXPECT_EQ(record.Description, std::string("Can't enable shutdown: ") + step.fixedText + " [" +
                                      FakeWinApi::TextFor(step.code) + "]");
    EXPECT_FALSE(record.HelpFile.has_value());
    EXPECT_EQ(api.closed.size(), step.handlesClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PrivilegeStepTest,
    testing::Values(
        StepCase{"LookupPrivilegeValueA", 1313, ErrNoPrivilegeValue,
                 "Can't find the SE_SHUTDOWN_NAME privilege value.", 0},
        StepCase{"GetCurrentProcess", 6, ErrNoCurrentProcess, "Can't determine the current process.", 0},
        StepCase{"OpenProcessToken", 5, ErrNoPrivileges, "You do not have the privileges to shutdown this system.", 0},
        StepCase{"AdjustTokenPrivileges", 1314, ErrNoPrivileges,
                 "You do not have the privileges to shutdown this system.", 1}));

TEST(EnableShutdownPrivilegeTest, NothingIsOpenedWhenTheLookupFails) {
    FakeWinApi api;
    api.Fail("LookupPrivilegeValueA", 1313);
    RaisedBy([&] { EnableShutdownPrivilege(api); });
    EXPECT_EQ(api.Count("GetCurrentProcess"), 0);
    EXPECT_EQ(api.Count("OpenProcessToken"), 0);
    EXPECT_EQ(api.Count("AdjustTokenPrivileges"), 0);
}

TEST(EnableShutdownPrivilegeTest, AFailedAdjustClosesTheTokenAfterReadingItsTextAndBeforeTheRaise) {
    FakeWinApi api;
    api.Fail("AdjustTokenPrivileges", 1314);
    RaisedBy([&] { EnableShutdownPrivilege(api); });
    const int adjust = api.IndexOf("AdjustTokenPrivileges");
    ASSERT_GE(adjust, 0);
    EXPECT_EQ(api.calls.at(adjust + 1), "FormatMessageA");
    EXPECT_EQ(api.calls.at(adjust + 2), "CloseHandle");
    EXPECT_EQ(api.closed, std::vector<win::Handle>{api.token});
}

TEST(EnableShutdownPrivilegeTest, AnEmptySystemTextLeavesEmptyBrackets) {
    FakeWinApi api;
    api.Fail("OpenProcessToken", 0x4711);
    api.unknownCodes.insert(0x4711);
    const auto record = RaisedBy([&] { EnableShutdownPrivilege(api); });
    EXPECT_EQ(record.Description,
              "Can't enable shutdown: You do not have the privileges to shutdown this system. []");
}

}  // namespace
