// The benchmark's floor programs: what any notice must cost at the least.
// Built without WINDOW: sleep 1000 ms and ask to log off. With WINDOW: first
// put up a bare window the size of the notice (420 x 143 inside a 4-pixel
// frame), unpainted but for its class brush, then the same.
#include <windows.h>

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
                                (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                                w, h, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
#else
    (void)instance;
#endif
    Sleep(1000);
    ExitWindowsEx(EWX_LOGOFF, 0xFFFFFFFF);
    return 0;
}
