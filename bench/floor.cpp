// The benchmark's floor programs: what any notice must cost at the least.
// Built without WINDOW: sleep 1000 ms and ask to log off. With WINDOW: first
// put up a bare window the size of the notice (420 x 143 inside a 4-pixel
// frame), unpainted but for its class brush, then the same.
//
// Both ask the way endnow.exe does on the NT family: the shutdown privilege
// is enabled in the process token first (advapi32 bound at run time), then
// ExitWindowsEx. What is left between the exe and the window floor is the
// notice itself: font, bands and labels.
#include <windows.h>

namespace {

void EnableShutdownPrivilege() {
    HMODULE advapi = LoadLibraryA("advapi32.dll");
    if (!advapi) return;
    auto lookup = reinterpret_cast<decltype(&LookupPrivilegeValueA)>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "LookupPrivilegeValueA")));
    auto open = reinterpret_cast<decltype(&OpenProcessToken)>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "OpenProcessToken")));
    auto adjust = reinterpret_cast<decltype(&AdjustTokenPrivileges)>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "AdjustTokenPrivileges")));
    TOKEN_PRIVILEGES wanted{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}}, previous{};
    DWORD length = 0;
    HANDLE token = nullptr;
    if (lookup && open && adjust &&
        lookup(nullptr, "SeShutdownPrivilege", &wanted.Privileges[0].Luid) &&
        open(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        adjust(token, FALSE, &wanted, sizeof previous, &previous, &length);
        CloseHandle(token);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef WINDOW
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "Floor";
    RegisterClassA(&wc);
    RECT frame{0, 0, 420, 143};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_THICKFRAME, FALSE, WS_EX_TOOLWINDOW);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, "Floor", "", WS_POPUP | WS_THICKFRAME,
                                (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr,
                                instance, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
#else
    (void)instance;
#endif
    Sleep(1000);
    if (static_cast<LONG>(GetVersion()) >= 0)
        EnableShutdownPrivilege();  // high bit clear: the NT family
    ExitWindowsEx(EWX_LOGOFF, 0xFFFFFFFF);
    return 0;
}
