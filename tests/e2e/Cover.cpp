// cover: another program coming to the front. Shows a plain white window over the screen, makes
// it the foreground window, prints 1 if it is (else 0), and keeps it until its input ends.
//
// One pixel short of the screen's width: Wine hands a window of the screen's size to the window
// manager as full-screen, and that stacks it above every other, topmost or not, which Windows
// does not do.
#include <windows.h>

#include <cstdio>

int main() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "Cover";
    RegisterClassA(&wc);
    HWND cover =
        CreateWindowExA(0, "Cover", "", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN) - 1,
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(cover, SW_SHOW);
    SetForegroundWindow(cover);
    UpdateWindow(cover);
    std::printf("%d\n", GetForegroundWindow() == cover);
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
}
