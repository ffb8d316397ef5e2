// Arbitrary command lines through the reader and the action choice, checked
// against a second, deliberately plain reading of the rules.
//
// Input: byte 0 picks a row of the release table, byte 1 whether the program
// name is quoted, the rest are the arguments as 16-bit characters (any value),
// up to the 32,767-character limit of a Windows command line.
#include <cstdlib>

#include "FakeWinApi.h"
#include "Releases.h"
#include "app/SelectAction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const ReleaseRow& release = kReleases[data[0] % std::size(kReleases)];
    std::wstring arguments, current;
    for (std::size_t i = 2; i + 1 < size && arguments.size() < 32767 - 40; i += 2)
        arguments += static_cast<wchar_t>(data[i] | data[i + 1] << 8);

    // The rules read plainly: split into all the tokens, keep the first ten, look at the last.
    std::vector<std::wstring> tokens{L""};
    for (wchar_t c : arguments + L' ')
        if (c != L' ' && c != L'\t' && c != L'/' && c != L'"') current += c;
        else if (!current.empty()) tokens.push_back(current), current.clear();
    const std::wstring token = tokens[std::min<std::size_t>(tokens.size() - 1, 10)];
    const bool logOff = token == L"L" || token == L"l";
    const bool shutDown = token == L"S" || token == L"s" || token == L"P" || token == L"p";
    const std::int32_t flags = token.empty() ? 2 : shutDown ? release.shutdownFlags : 0;
    const wchar_t* caption = token.empty() ? L"ReBoot !" : logOff ? L"LogOff !" : shutDown ? L"ShutDown !" : nullptr;

    FakeWinApi api;
    api.major = release.major, api.minor = release.minor, api.platform = release.platform;
    api.versionResult = release.result;
    api.commandLine = (data[1] & 1 ? L"\"C:\\Program Files\\EndNow\\endnow.exe\" " : L"endnow.exe ") + arguments;
    mShutDown::WindowsNTCache family;
    const mShutDown::ActionChoice choice = mShutDown::SelectAction(api, family);
    if (choice.ExitFlags != flags || choice.StatusCaption.value_or(L"(none)") != (caption ? caption : L"(none)"))
        std::abort();
    return 0;
}
