// The notice window and the seam against the real system, under Wine, where a screenshot or a
// trace cannot show them: how the notice answers the user, the drawing objects it can do without
// and the one it cannot, the order it goes in, and what a 95 stand-in gives.
#include "power/ShutDown.h"  // before <windows.h>, whose EWX_ macros would clash with its constants

#include <windows.h>

#include "FakeWinApi.h"
#include "power/WinApiReal.h"
#include "window/Form1.h"

namespace {

using namespace mShutDown;

// Reports by throwing instead of ending the process, and keeps what the notice asked of dwmapi.
struct ReportingApi : win::RealWinApi {
    using RealWinApi::RealWinApi;
    [[noreturn]] void ReportAndExit(const ErrorRecord& error) override { throw error; }
    std::int32_t DwmSetWindowAttribute(win::Handle window, std::uint32_t attribute,
                                       const void* value, std::uint32_t size) override {
        asked = {attribute, *static_cast<const std::uint32_t*>(value)};
        return RealWinApi::DwmSetWindowAttribute(window, attribute, value, size);
    }
    std::pair<std::uint32_t, std::uint32_t> asked;
};

HFONT WINAPI NoFont(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                    LPCSTR) {
    return nullptr;
}
HBITMAP WINAPI NoBitmap(HDC, int, int) { return nullptr; }
// The screen's DC is there; the window's is not.
HDC WINAPI NoWindowDC(HWND hwnd) {
    if (!hwnd) return ::GetDC(nullptr);
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}
// As Windows 95, 98 and Me answer.
DWORD WINAPI StubModulePathW(void*, wchar_t*, DWORD) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}

// What the notice's last message finds of the memory DC it paints from.
HDC watchedDC;
WNDPROC watchedProc;
DWORD atDestroy;

LRESULT CALLBACK Watching(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) atDestroy = ::GetObjectType(watchedDC);
    return ::CallWindowProcA(watchedProc, hwnd, message, wParam, lParam);
}

// A notice shown without its font and kept image, as where GDI has no more of either to give.
TEST(NoticeWindowTest, DrawsWithoutItsFontOrImageDoesNotCloseAndGoesBeforeItsObjects) {
    ReportingApi api;
    window::Form1Notice notice{
        api, ::GetModuleHandleA(nullptr), {&::GetDC, &NoFont, &NoBitmap, &::CreateCompatibleDC}};
    notice.SetStatusCaption(L"ShutDown !");
    notice.Show();
    notice.Refresh();
    const window::Form1& form = *notice.Loaded();
    {
        const window::WindowDC dc(form.hwnd(), ::GetDC(form.hwnd()));
        const Layout::NoticeLayout& l = form.layout();
        EXPECT_EQ(::GetPixel(dc.get(), l.clientWidth - 1, l.clientHeight - 1), window::kBackground);
    }
    EXPECT_GT(form.Label2().width, 0);  // measured in the system font
    EXPECT_NE(::GetClassLongPtrA(form.hwnd(), GCLP_HICON), 0);
    // As Windows 10 (the suite's release): DWMWA_WINDOW_CORNER_PREFERENCE, DWMWCP_DONOTROUND.
    EXPECT_EQ(api.asked, std::make_pair(33u, 1u));
    ::SendMessageA(form.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindowVisible(form.hwnd()));
    // At WM_DESTROY the memory DC it paints from is still there.
    watchedDC = form.imageDC();
    watchedProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(form.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Watching)));
    notice.Unload();
    EXPECT_EQ(atDestroy, DWORD{OBJ_MEMDC});
}

TEST(NoticeErrorTest, WithoutAWindowDCTheRunEndsWithError7WhereTheNoticeCanBeSeen) {
    ReportingApi api;
    const window::DrawingCalls noWindowDC{&NoWindowDC, &::CreateFontA, &::CreateCompatibleBitmap,
                                          &::CreateCompatibleDC};
    const auto record =
        RaisedBy([&] { window::Form1Notice(api, ::GetModuleHandleA(nullptr), noWindowDC).Show(); });
    EXPECT_EQ(record.Number, 7);
    EXPECT_EQ(record.Description, "Can't create the notice window: " +
                                      GetSystemErrorText(api, ERROR_NOT_ENOUGH_MEMORY));
    // Where no one sees it, the notice lets the window go and the run goes on.
    window::Form1Notice unseen(api, ::GetModuleHandleA(nullptr), noWindowDC);
    unseen.WhereNoOneSees();
    unseen.SetStatusCaption(L"ShutDown !");
    unseen.Show();
    unseen.Refresh();
    EXPECT_EQ(unseen.Loaded(), nullptr);
}

TEST(SystemTest, AnOwnerGivenAnotherObjectReleasesItsOwnAtOnce) {
    window::Brush kept(::CreateSolidBrush(0)), other(::CreateSolidBrush(1));
    const HBRUSH first = kept.get();
    kept = std::move(other);
    EXPECT_EQ(::GetObjectType(first), 0u);
    EXPECT_EQ(::GetObjectType(kept.get()), DWORD{OBJ_BRUSH});
}

TEST(SystemTest, TheOwnPathFallsBackToItsEightBitFormWhereTheWideCallIsAStub) {
    ReportingApi api, win95(&StubModulePathW);
    EXPECT_EQ(win95.ModuleFileNameW(), api.ModuleFileNameW());
}

}  // namespace
