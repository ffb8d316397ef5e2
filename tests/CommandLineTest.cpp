#include <gtest/gtest.h>

#include "app/CommandLine.h"

using mShutDown::ArgumentString;
using mShutDown::GetCommandArgument;

namespace {

struct NameCase {
    const wchar_t* commandLine;
    const wchar_t* arguments;
    const wchar_t* modulePath = L"C:\\Program Files\\EndNow\\endnow.exe";
};

class ArgumentStringTest : public testing::TestWithParam<NameCase> {};

TEST_P(ArgumentStringTest, StripsOnlyTheProgramName) {
    EXPECT_EQ(std::wstring(ArgumentString(GetParam().commandLine, GetParam().modulePath)), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ArgumentStringTest,
    testing::Values(NameCase{L"endnow.exe /S", L" /S"}, NameCase{L"endnow.exe", L""}, NameCase{L"", L""},
                    NameCase{L"endnow.exe\t/L", L"\t/L"},
                    NameCase{L"\"C:\\Program Files\\EndNow\\endnow.exe\" /L", L" /L"},
                    // A quoted name ends at its closing quote, even with no space after it.
                    NameCase{L"\"C:\\a b\\endnow.exe\"/P", L"/P"},
                    // An unclosed quote swallows the whole line into the name.
                    NameCase{L"\"C:\\a b\\endnow.exe /S", L""},
                    // A quote inside an unquoted name is not special.
                    NameCase{L"C:\\a\"b.exe /S", L" /S"},
                    // The name alone decides nothing: "/S" inside it is not an argument.
                    NameCase{L"C:\\tools/S/endnow.exe", L""},
                    // Unquoted with spaces (a Run key, a scheduled task): the running
                    // executable's own path is the name, in any case, with or without ".exe".
                    NameCase{L"C:\\Program Files\\EndNow\\endnow.exe", L""},
                    NameCase{L"C:\\Program Files\\EndNow\\endnow.exe /L", L" /L"},
                    NameCase{L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t/s", L"\t/s"},
                    NameCase{L"C:\\Program Files\\EndNow\\endnow /S", L" /S"},
                    NameCase{L"C:\\Program Files\\EndNow\\endnow", L""},
                    // The path must end there: a longer name, another path, or no path known
                    // fall back to the first space.
                    NameCase{L"C:\\Program Files\\EndNow\\endnow.exe2 /L", L" Files\\EndNow\\endnow.exe2 /L"},
                    NameCase{L"C:\\Program Files\\Other\\endnow.exe /L", L" Files\\Other\\endnow.exe /L"},
                    NameCase{L"C:\\Program Files\\EndNow\\endnow.exe /L", L" Files\\EndNow\\endnow.exe /L", L""},
                    // Only ".exe" may be left off.
                    NameCase{L"C:\\Program Files\\EndNow\\endnow /L", L" Files\\EndNow\\endnow /L",
                             L"C:\\Program Files\\EndNow\\endnow.com"}));

struct TokenCase {
    const wchar_t* arguments;
    int maxArgs;
    const wchar_t* token;
};

class GetCommandArgumentTest : public testing::TestWithParam<TokenCase> {};

TEST_P(GetCommandArgumentTest, ReturnsTheLastCollectedToken) {
    EXPECT_EQ(GetCommandArgument(GetParam().arguments, GetParam().maxArgs), GetParam().token);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, GetCommandArgumentTest,
    testing::Values(TokenCase{L"", 10, L""}, TokenCase{L" \t/ \" // \"\t", 10, L""}, TokenCase{L"/S", 10, L"S"},
                    TokenCase{L"a/b", 10, L"b"}, TokenCase{L"ab\tcd", 10, L"cd"},
                    TokenCase{L"  s   l  ", 10, L"l"}, TokenCase{L"///L///", 10, L"L"},
                    TokenCase{L"\"two words\"", 10, L"words"}, TokenCase{L"sh\"ut", 10, L"ut"},
                    TokenCase{L"shutdown", 10, L"shutdown"}, TokenCase{L"-s", 10, L"-s"},
                    TokenCase{L"1 2 3 4 5 6 7 8 9 10", 10, L"10"},
                    TokenCase{L"1 2 3 4 5 6 7 8 9 10 11 12", 10, L"10"},
                    // The token that would be the eleventh stops the scan, so its
                    // characters never reach the tenth slot.
                    TokenCase{L"1 2 3 4 5 6 7 8 9 10 11", 10, L"10"},
                    TokenCase{L"1 2 3 4 5 6 7 8 9 10/11", 10, L"10"}, TokenCase{L"abc", 0, L""},
                    TokenCase{L"", 0, L""}, TokenCase{L"  a b", 1, L"a"}, TokenCase{L"a b c", 2, L"b"}));

TEST(GetCommandArgumentTest, DefaultLimitIsTen) {
    EXPECT_EQ(GetCommandArgument(L"a b c d e f g h i j k l"), L"j");
}

TEST(GetCommandArgumentTest, ReturnsLongTokensWhole) {
    const std::wstring longToken(5000, L'q');
    EXPECT_EQ(GetCommandArgument(L"S " + longToken), longToken);
    EXPECT_EQ(GetCommandArgument(longToken + L" S"), L"S");
}

TEST(GetCommandArgumentTest, HandlesTheLongestCommandLine) {
    // 32,767 characters is the most a Windows command line can hold.
    const std::size_t limit = 32767;
    const std::wstring oneToken(limit, L'x');
    EXPECT_EQ(GetCommandArgument(oneToken), oneToken);

    std::wstring many;
    for (int i = 1; many.size() + 8 < limit; ++i) many += std::to_wstring(i) + L"/";
    many.resize(limit, L' ');
    EXPECT_EQ(GetCommandArgument(many), L"10");

    const std::wstring delimiters(limit, L'/');
    EXPECT_EQ(GetCommandArgument(delimiters), L"");
}

}  // namespace
