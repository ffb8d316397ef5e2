// launch PROGRAM [ARGUMENTS]: starts PROGRAM the way a Run key or a scheduled
// task does, with its path unquoted at the start of the command line even
// when it holds spaces, and exits with its exit code (3 when it did not start).
//
// The program is passed as the application name too: without one, Wine's
// CreateProcess quotes an unquoted path with spaces before the child sees
// its command line, which Windows does not do.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    std::wstring line = argc > 1 ? argv[1] : L"";
    if (argc > 2) line += std::wstring(L" ") + argv[2];
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (argc < 2 || !CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &process))
        return 3;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 3;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
