// Reading the one meaningful token of the command line.
#pragma once

#include <string>
#include <string_view>

namespace mShutDown {

inline constexpr int kDefaultMaxArgs = 10;

// What follows the program's name on a command line. A name that begins with
// a double quote ends at the closing quote. An unquoted one that spells the
// running executable's own path (modulePath, with or without ".exe", any
// case), followed by a space, a tab or the end, ends after it: a program
// started from a Run key or a scheduled task as C:\Program Files\...\endnow.exe
// has spaces in its unquoted name. Any other name ends at the first space or tab.
std::wstring_view ArgumentString(std::wstring_view commandLine, std::wstring_view modulePath = {});

// Splits the argument string at spaces, tabs, slashes and double quotes and
// returns the last of the first maxArgs tokens ("" when there is none).
// Quotes do not group; a token that would begin past maxArgs stops the scan.
std::wstring GetCommandArgument(std::wstring_view arguments, int maxArgs = kDefaultMaxArgs);

}  // namespace mShutDown
