// Arbitrary command lines through the reader and the action choice, checked
// against a second, deliberately plain reading of the rules.
//
// Input: byte 0 picks the Windows release, byte 1 whether the program name is
// quoted, the rest are the arguments as 16-bit characters (any value), up to
// the 32,767-character limit of a Windows command line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FakeWinApi.h"
#include "app/SelectAction.h"

namespace {

struct Release {
    std::uint32_t major, minor, platform;
    std::int32_t shutdownFlags;
};
// 95, 98, Me, NT 4.0, 2000, XP, Server 2003, Vista, 7, 8, 10 and Win32s.
const Release kReleases[] = {
    {4, 0, 1, 1}, {4, 10, 1, 1}, {4, 90, 1, 1}, {4, 0, 2, 8}, {5, 0, 2, 8}, {5, 1, 2, 1},
    {5, 2, 2, 8}, {6, 0, 2, 8}, {6, 1, 2, 8}, {6, 2, 2, 8}, {10, 0, 2, 8}, {3, 10, 0, 1},
};

bool Delimiter(wchar_t c) { return c == L' ' || c == L'\t' || c == L'/' || c == L'"'; }

// The rules read plainly: split the arguments into all their tokens, keep the
// first ten, and look at the last of those.
std::wstring LastOfTenTokens(const std::wstring& arguments) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    for (wchar_t c : arguments + L' ') {
        if (!Delimiter(c)) {
            current += c;
        } else if (!current.empty()) {
            tokens.push_back(current);
            current.clear();
        }
    }
    if (tokens.size() > 10) tokens.resize(10);
    return tokens.empty() ? L"" : tokens.back();
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const Release& release = kReleases[data[0] % std::size(kReleases)];
    const bool quoted = data[1] & 1;
    std::wstring arguments;
    for (std::size_t i = 2; i + 1 < size && arguments.size() < 32767 - 40; i += 2)
        arguments += static_cast<wchar_t>(data[i] | data[i + 1] << 8);

    // The program's name ends at its closing quote, or at the first space or tab.
    const std::wstring name = quoted ? L"\"C:\\Program Files\\EndNow\\endnow.exe\"" : L"endnow.exe";
    FakeWinApi api;
    api.SetRelease(release.major, release.minor, release.platform);
    api.commandLine = name + L" " + arguments;
    mShutDown::WindowsNTCache family;
    const mShutDown::ActionChoice choice = mShutDown::SelectAction(api, family);

    const std::wstring token = LastOfTenTokens(arguments);
    if (token.empty()) {
        Check(choice.ExitFlags == 2 && choice.StatusCaption == L"ReBoot !");
    } else if (token == L"L" || token == L"l") {
        Check(choice.ExitFlags == 0 && choice.StatusCaption == L"LogOff !");
    } else if (token == L"S" || token == L"s" || token == L"P" || token == L"p") {
        Check(choice.ExitFlags == release.shutdownFlags && choice.StatusCaption == L"ShutDown !");
    } else {
        Check(choice.ExitFlags == 0 && !choice.StatusCaption);
    }
    return 0;
}
