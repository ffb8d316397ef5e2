#include <gtest/gtest.h>

#include "ErrorMatchers.h"
#include "FakeWinApi.h"
#include "power/ShutDown.h"

namespace {

using namespace mShutDown;

TEST(GetSystemErrorTextTest, AsksTheSystemTableAndKeepsExactlyTheReturnedText) {
    FakeWinApi api;
    EXPECT_EQ(GetSystemErrorText(api, 5), "Message 5.\r\n");
    ASSERT_EQ(api.formats.size(), 1u);
    const auto& f = api.formats[0];
    EXPECT_EQ(f.flags, 0x1200u);
    EXPECT_EQ(f.sourceValue, 0u);
    EXPECT_EQ(f.messageId, 5u);
    EXPECT_EQ(f.languageId, 0u);
    EXPECT_EQ(f.size, 256u);
}

TEST(GetSystemErrorTextTest, NoTextGivesEmpty) {
    FakeWinApi api;
    api.unknownCodes.insert(0x1234);
    EXPECT_EQ(GetSystemErrorText(api, 0x1234), "");
    api.Fail("FormatMessageA", 122);
    EXPECT_EQ(GetSystemErrorText(api, 5), "");
}

TEST(GetSystemErrorTextTest, NegativeCodesPassAsTheirUnsignedBits) {
    FakeWinApi api;
    GetSystemErrorText(api, -2147024891);  // 0x80070005
    EXPECT_EQ(api.formats.at(0).messageId, 0x80070005u);
}

struct NameCase {
    const char* path;
    const char* name;
};

class ProgramNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(ProgramNameTest, DropsFolderAndExtension) { EXPECT_EQ(ProgramName(GetParam().path), GetParam().name); }

INSTANTIATE_TEST_SUITE_P(Paths, ProgramNameTest,
                         testing::Values(NameCase{"C:\\Program Files\\EndNow\\endnow.exe", "endnow"},
                                         NameCase{"tool.exe", "tool"}, NameCase{"D:\\my.tools\\run", "run"},
                                         NameCase{"C:\\x\\end.now.EXE", "end.now"},
                                         NameCase{"\\\\server\\share\\endnow.exe", "endnow"},
                                         NameCase{"C:endnow.exe", "endnow"}, NameCase{"", ""}));

TEST(RaiseTest, HandsTheRecordToTheReporterWithTheRunningExecutablesName) {
    FakeWinApi api;
    api.moduleFileName = "D:\\bin\\tool.exe";
    const ErrorRecord record = RaisedBy([&] { Raise(api, ErrShutdownFailed, "why"); });
    EXPECT_EQ(record.Number, ErrShutdownFailed);
    EXPECT_EQ(record.Source, "tool.mShutDown");
    EXPECT_EQ(record.Description, "why");
    EXPECT_FALSE(record.HelpFile.has_value());
    EXPECT_FALSE(record.HelpContext.has_value());
    EXPECT_EQ(api.Count("ReportAndExit"), 1);
}

struct NumberCase {
    ErrorNumber number;
    const char* decimalAndHex;
};

class ErrorMessageTest : public testing::TestWithParam<NumberCase> {};

TEST_P(ErrorMessageTest, ShowsNumberInDecimalAndHexThenSourceAndDescription) {
    ErrorRecord record{GetParam().number, "endnow.mShutDown", "ShutdownSystem failed: Access denied.\r\n", {}, {}};
    EXPECT_EQ(FormatErrorMessage(record), std::string("Error ") + GetParam().decimalAndHex +
                                              " in endnow.mShutDown\r\n\r\nShutdownSystem failed: Access denied.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Numbers, ErrorMessageTest,
                         testing::Values(NumberCase{ErrShutdownFailed, "-2147219925 (0x8004062B)"},
                                         NumberCase{ErrNoPrivilegeValue, "-2147219924 (0x8004062C)"},
                                         NumberCase{ErrNoCurrentProcess, "-2147219923 (0x8004062D)"},
                                         NumberCase{ErrNoPrivileges, "-2147219922 (0x8004062E)"},
                                         NumberCase{ErrInvalidParameter, "-2147219921 (0x8004062F)"},
                                         NumberCase{static_cast<ErrorNumber>(6), "6 (0x00000006)"}));

}  // namespace
