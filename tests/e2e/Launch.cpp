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
    if (!argv || argc < 2) return 2;
    std::wstring commandLine = argv[1];
    if (argc > 2) commandLine += L" " + std::wstring(argv[2]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 3;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 4;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
