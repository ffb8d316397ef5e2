#include "app/CommandLine.h"

namespace mShutDown {

namespace {
bool IsDelimiter(wchar_t c) { return c == L' ' || c == L'/' || c == L'\t' || c == L'"'; }

// File names compare without regard to case. Only ASCII letters are folded:
// a path typed in another case with accented letters falls back to the
// first-space rule, as every path did before.
wchar_t Folded(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Folded(a[i]) != Folded(b[i])) return false;
    return true;
}

// Whether the command line starts with path, followed by a space, a tab or its end.
bool StartsWithName(std::wstring_view commandLine, std::wstring_view path) {
    if (path.empty() || commandLine.size() < path.size() ||
        !SameName(commandLine.substr(0, path.size()), path))
        return false;
    return commandLine.size() == path.size() || commandLine[path.size()] == L' ' ||
           commandLine[path.size()] == L'\t';
}

// The length of the running executable's path at the start of an unquoted
// command line, with or without its ".exe"; 0 when it is not there.
std::size_t OwnPathLength(std::wstring_view commandLine, std::wstring_view modulePath) {
    if (StartsWithName(commandLine, modulePath)) return modulePath.size();
    constexpr std::wstring_view kExe = L".exe";
    if (modulePath.size() > kExe.size()) {
        const std::size_t stem = modulePath.size() - kExe.size();
        if (SameName(modulePath.substr(stem), kExe) &&
            StartsWithName(commandLine, modulePath.substr(0, stem)))
            return stem;
    }
    return 0;
}

}  // namespace

std::wstring_view ArgumentString(std::wstring_view commandLine, std::wstring_view modulePath) {
    std::size_t nameEnd;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        nameEnd = commandLine.find(L'"', 1);
        if (nameEnd != std::wstring_view::npos) ++nameEnd;
    } else if (const std::size_t own = OwnPathLength(commandLine, modulePath)) {
        nameEnd = own;
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
