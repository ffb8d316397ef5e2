#include "app/CommandLine.h"

namespace mShutDown {

namespace {
bool IsDelimiter(wchar_t c) { return c == L' ' || c == L'/' || c == L'\t' || c == L'"'; }
}  // namespace

std::wstring_view ArgumentString(std::wstring_view commandLine) {
    std::size_t nameEnd;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        nameEnd = commandLine.find(L'"', 1);
        if (nameEnd != std::wstring_view::npos) ++nameEnd;
    } else {
        nameEnd = commandLine.find_first_of(L" \t");
    }
    return nameEnd == std::wstring_view::npos ? std::wstring_view{} : commandLine.substr(nameEnd);
}

std::wstring GetCommandArgument(std::wstring_view arguments, int maxArgs) {
    // Only the last token collected is ever returned, so it is the only one kept.
    std::wstring token;
    int numArgs = 0;
    bool inToken = false;
    for (wchar_t c : arguments) {
        if (IsDelimiter(c)) {
            inToken = false;
            continue;
        }
        if (!inToken) {
            if (numArgs == maxArgs) break;
            ++numArgs;
            inToken = true;
            token.clear();
        }
        token += c;
    }
    return token;
}

}  // namespace mShutDown
