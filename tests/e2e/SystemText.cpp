// system_text CODE: prints the system's message text for a last-error code, as
// FormatMessageA gives it in this prefix, with CR and LF written as \r and \n
// (the way Wine's relay trace shows a string). The failure check compares the
// exe's message with it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    char text[256] = {};
    const DWORD code = std::strtoul(argv[1], nullptr, 0);
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   text, sizeof text, nullptr);
    for (DWORD i = 0; i < n; ++i) {
        if (text[i] == '\r') std::fputs("\\r", stdout);
        else if (text[i] == '\n') std::fputs("\\n", stdout);
        else std::fputc(text[i], stdout);
    }
    return 0;
}
