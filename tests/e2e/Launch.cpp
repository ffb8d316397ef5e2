// launch [-unseen] PROGRAM [ARGUMENT]: starts PROGRAM the way a Run key or a
// scheduled task does, with its path unquoted at the start of the command line
// even when it holds spaces, and exits with its exit code (3 when it did not
// start). With -unseen, in a window station of its own, which no one sees, as
// a task that runs whether or not its user is logged on.
//
// The program is passed as the application name too: without one, Wine's
// CreateProcess quotes an unquoted path with spaces before the child sees
// its command line, which Windows does not do.
//
// launch -cover: another program coming to the front. It shows a plain white
// window over the screen, makes it the foreground window, prints 1 if it is
// (else 0), and keeps it until its input ends. The window is a pixel short of
// the screen's width: Wine hands a window of the screen's size to the window
// manager as full-screen, which stacks it above every other, topmost or not,
// and Windows does not.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// A window station made here is not WinSta0, the one on the screen.
bool MakeUnseenDesktop() {
    HWINSTA own = GetProcessWindowStation();
    HWINSTA unseen = CreateWindowStationW(L"EndNowUnseen", 0, WINSTA_ALL_ACCESS, nullptr);
    return unseen && SetProcessWindowStation(unseen) &&
           CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr) &&
           SetProcessWindowStation(own);
}

int Cover() {
    // A static control filled with the window colour, white as Wine sets it up.
    HWND cover = CreateWindowExA(0, "STATIC", "", WS_POPUP | SS_WHITERECT, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, nullptr, nullptr);
    // Shown active, as a window a user brings up is, so that Wine hands it to the window manager
    // before it is mapped.
    ShowWindow(cover, SW_SHOW);
    SetForegroundWindow(cover);
    UpdateWindow(cover);
    std::printf("%d\n", GetForegroundWindow() == cover);
    std::fflush(stdout);
    while (std::getchar() != EOF) continue;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"-cover") return Cover();
    STARTUPINFOW startup{sizeof startup};
    if (argc > 1 && std::wstring(argv[1]) == L"-unseen") {
        if (!MakeUnseenDesktop()) return 3;
        startup.lpDesktop = const_cast<wchar_t*>(L"EndNowUnseen\\Default");
        --argc;
        ++argv;
    }
    std::wstring line = argc > 1 ? argv[1] : L"";
    if (argc > 2) line += std::wstring(L" ") + argv[2];
    PROCESS_INFORMATION process{};
    if (argc < 2 || !CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &process))
        return 3;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 3;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
