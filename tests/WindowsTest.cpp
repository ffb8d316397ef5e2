// The notice window against the real system, under Wine, where a screenshot or a trace cannot show
// it: how it answers the user, the drawing objects it can do without, and the one it cannot.
#include "power/ShutDown.h"  // before <windows.h>, whose EWX_ macros would clash with its constants

#include <windows.h>

#include "FakeWinApi.h"
#include "power/WinApiReal.h"
#include "window/Form1.h"

namespace {

using namespace mShutDown;

struct ReportingApi : win::RealWinApi {  // reports by throwing instead of ending the process
    using RealWinApi::RealWinApi;
    [[noreturn]] void ReportAndExit(const ErrorRecord& error) override { throw error; }
};

HFONT WINAPI NoFont(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                    LPCSTR) {
    return nullptr;
}
HBITMAP WINAPI NoBitmap(HDC, int, int) { return nullptr; }
HDC WINAPI NoMemoryDC(HDC) { return nullptr; }
// The screen's DC is there; the window's is not.
HDC WINAPI NoWindowDC(HWND hwnd) {
    if (!hwnd) return ::GetDC(nullptr);
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

// What the notice's last messages find of the drawing objects it paints with.
struct Watched {
    HGDIOBJ font, imageDC;
    WNDPROC proc;
    std::pair<DWORD, DWORD> atDestroy;
} watched;

LRESULT CALLBACK Watching(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        watched.atDestroy = {::GetObjectType(watched.font), ::GetObjectType(watched.imageDC)};
    return ::CallWindowProcA(watched.proc, hwnd, message, wParam, lParam);
}

TEST(NoticeWindowTest, ItIsDestroyedBeforeWhatItPaintsWith) {
    ReportingApi api;
    window::Form1Notice notice(api, ::GetModuleHandleA(nullptr));
    notice.Show();
    const window::Form1& form = *notice.Loaded();
    watched = {form.font(), form.imageDC(), nullptr, {}};
    watched.proc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(form.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Watching)));
    notice.Unload();
    EXPECT_EQ(watched.atDestroy, std::make_pair(DWORD{OBJ_FONT}, DWORD{OBJ_MEMDC}));
}

// As Windows 95, 98 and Me answer: a stub that fails.
DWORD WINAPI StubModulePathW(void*, wchar_t*, DWORD) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}

TEST(SystemTest, TheOwnPathFallsBackToItsEightBitFormAndInsertsStayAsTheyStand) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(ReportingApi(&StubModulePathW).ModuleFileNameW(), std::wstring(path, length));
    ReportingApi api;
    EXPECT_NE(GetSystemErrorText(api, ERROR_BAD_EXE_FORMAT).find("%1"), std::string::npos);
}

TEST(NoticeWindowTest, WithoutItsFontOrImageItDrawsAndCannotBeClosedWithoutADCError7) {
    ReportingApi api;
    window::Form1Notice notice(api, ::GetModuleHandleA(nullptr),
                               {&::GetDC, &NoFont, &NoBitmap, &NoMemoryDC});
    notice.SetStatusCaption(L"ShutDown !");
    notice.Show();
    notice.Refresh();
    const window::Form1& form = *notice.Loaded();
    const HWND hwnd = form.hwnd();
    HDC dc = ::GetDC(hwnd);
    int white = 0;
    for (int x = 0; x < form.layout().clientWidth / 2; ++x) {
        for (int y = 0; y < form.layout().clientHeight / 3; ++y) {
            white += ::GetPixel(dc, x, y) == RGB(255, 255, 255);
        }
    }
    EXPECT_GT(white, 20);  // "Windows will now"
    EXPECT_EQ(::GetPixel(dc, form.layout().clientWidth - 1, form.layout().clientHeight - 1),
              window::kBackground);
    EXPECT_GT(form.Label2().width, 0);  // measured in the system font
    ::ReleaseDC(hwnd, dc);
    // Its icon shows, and it does not close.
    EXPECT_NE(::GetClassLongPtrA(hwnd, GCLP_HICON), 0);
    ::SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    notice.Unload();

    const window::DrawingCalls noWindowDC{&NoWindowDC, &::CreateFontA, &::CreateCompatibleBitmap,
                                          &::CreateCompatibleDC};
    const auto record =
        RaisedBy([&] { window::Form1Notice(api, ::GetModuleHandleA(nullptr), noWindowDC).Show(); });
    EXPECT_EQ(record.Number, 7);
    EXPECT_EQ(record.Description, "Can't create the notice window: " +
                                      GetSystemErrorText(api, ERROR_NOT_ENOUGH_MEMORY));
}

}  // namespace
