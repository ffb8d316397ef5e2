// launch PROGRAM [ARGUMENTS]: starts PROGRAM the way a Run key or a scheduled
// task does, with its path unquoted at the start of the command line even
// when it holds spaces, and exits with its exit code.
//
// The program is passed as the application name too: without one, Wine's
// CreateProcess quotes an unquoted path with spaces before the child sees
// its command line, which Windows does not do.
#include <windows.h>

#include <string>

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring line =
        argc > 1 ? std::wstring(argv[1]) + (argc > 2 ? L" " + std::wstring(argv[2]) : L"") : L"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    DWORD code = 3;  // not started
    if (argc > 1 && CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process))
        WaitForSingleObject(process.hProcess, INFINITE),
            GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
