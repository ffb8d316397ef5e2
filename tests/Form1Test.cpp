// The notice window against the real system, under Wine. Set ENDNOW_EXPECT_DPI
// to the resolution the prefix was given, to check the sizes at that resolution.
#include <gtest/gtest.h>

// Before <windows.h>, whose EWX_ macros would clash with its constants.
#include "power/ShutDown.h"

#include <windows.h>

#include <cstdlib>

#include "ErrorMatchers.h"
#include "power/WinApiReal.h"
#include "window/Form1.h"

namespace {

// The real system, with a reporter that throws instead of ending the process.
class ReportingApi : public win::RealWinApi {
public:
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override { throw Raised{error}; }
};

HFONT WINAPI NoFont(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, LPCSTR) {
    return nullptr;
}
HBITMAP WINAPI NoBitmap(HDC, int, int) { return nullptr; }
HDC WINAPI NoMemoryDC(HDC) { return nullptr; }
// The screen's DC is there; the window's is not.
HDC WINAPI NoWindowDC(HWND hwnd) {
    if (!hwnd) return ::GetDC(hwnd);
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

class Form1Test : public ::testing::Test {
protected:
    win::RealWinApi api;
    window::Form1Notice notice{api, ::GetModuleHandleA(nullptr)};

    window::Form1& Loaded() {
        notice.Show();
        return *notice.Loaded();
    }
};

TEST_F(Form1Test, InnerAreaIsTheDesignInTwipsAtTheScreensResolution) {
    const int dpi = ScreenDpi();
    if (const char* expected = std::getenv("ENDNOW_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected));
    }
    struct Known {
        int dpi, width, height;
    };
    const Known known[] = {{96, 420, 143}, {144, 630, 214}};

    window::Form1& form = Loaded();
    RECT client{};
    ASSERT_TRUE(::GetClientRect(form.hwnd(), &client));
    EXPECT_EQ(client.right, Layout::TwipsToPixels(6300, dpi));
    EXPECT_EQ(client.bottom, Layout::TwipsToPixels(2145, dpi));
    for (const Known& k : known) {
        if (k.dpi != dpi) continue;
        EXPECT_EQ(client.right, k.width);
        EXPECT_EQ(client.bottom, k.height);
    }
    EXPECT_EQ(form.layout().label1, (Layout::Box{0, 0, Layout::TwipsToPixels(6255, dpi), Layout::TwipsToPixels(975, dpi)}));
    EXPECT_EQ(form.layout().fontHeight, -(36 * dpi + 36) / 72);
}

TEST_F(Form1Test, StatusLabelGrowsLeftFromAFixedRightEdge) {
    const int dpi = ScreenDpi();
    notice.SetStatusCaption(L"ShutDown !");
    window::Form1& form = *notice.Loaded();
    const Layout::Box shutDown = form.Label2();
    notice.SetStatusCaption(L"LogOff !");
    const Layout::Box logOff = form.Label2();
    notice.SetStatusCaption(L"");
    const Layout::Box empty = form.Label2();

    for (const Layout::Box& b : {shutDown, logOff, empty}) {
        EXPECT_EQ(b.right(), Layout::TwipsToPixels(6135, dpi));
        EXPECT_EQ(b.top, Layout::TwipsToPixels(960, dpi));
    }
    EXPECT_GT(shutDown.width, logOff.width);
    EXPECT_GT(logOff.width, 0);
    EXPECT_EQ(empty.width, 0);
    // A 36-point line is taller than the em itself.
    EXPECT_GE(shutDown.height, -form.layout().fontHeight);
}

TEST_F(Form1Test, HiddenUntilShownThenCentredWithoutCaptionMenuOrButtons) {
    notice.SetStatusCaption(L"ReBoot !");
    const HWND hwnd = notice.Loaded()->hwnd();
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    notice.Show();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetParent(hwnd), nullptr);

    const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(style & WS_THICKFRAME, 0);
    EXPECT_NE(::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);  // no taskbar button
    EXPECT_EQ(::GetWindowTextLengthA(hwnd), 0);
    EXPECT_NE(::GetClassLongPtrA(hwnd, GCLP_HICON), 0);

    RECT frame{};
    ::GetWindowRect(hwnd, &frame);
    EXPECT_LE(std::abs(frame.left + frame.right - ::GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs(frame.top + frame.bottom - ::GetSystemMetrics(SM_CYSCREEN)), 1);

    // The frame shows but does not resize.
    const LPARAM leftEdge = MAKELPARAM(frame.left + 1, (frame.top + frame.bottom) / 2);
    const LPARAM bottomRight = MAKELPARAM(frame.right - 1, frame.bottom - 1);
    EXPECT_EQ(::SendMessageA(hwnd, WM_NCHITTEST, 0, leftEdge), HTBORDER);
    EXPECT_EQ(::SendMessageA(hwnd, WM_NCHITTEST, 0, bottomRight), HTBORDER);
    // Nor does it close when asked.
    ::SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(hwnd));
}

TEST_F(Form1Test, RefreshShowsTheKeptBands) {
    window::Form1& form = Loaded();
    notice.Refresh();
    const Gradient::PainterState painter = form.painter();
    EXPECT_TRUE(painter.ColorDepth == 4 || painter.ColorDepth == 8 || painter.ColorDepth >= 15);
    EXPECT_TRUE(painter.BandCount == 32 || painter.BandCount == 64 || painter.BandCount == 256);

    HDC dc = ::GetDC(form.hwnd());
    const int w = form.layout().clientWidth, h = form.layout().clientHeight;
    // The outermost band is black; the class background would be 0x620001.
    EXPECT_EQ(::GetPixel(dc, w - 1, h - 1), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(dc, w - 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 0, h - 1), RGB(0, 0, 0));
    // Bands past the edge paint nothing: at 420 x 143 with 256 bands the
    // top-left corner ends in band 142, not in a stray later band or pure blue.
    if (painter.BandCount == 256 && w == 420 && h == 143) {
        EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(0, 0, 142));
        EXPECT_EQ(::GetPixel(dc, 100, 0), RGB(0, 0, 142));
    }
    // Inward the blue rises band by band.
    const COLORREF inner = ::GetPixel(dc, w / 2, h - 4);
    EXPECT_EQ(GetRValue(inner), 0);
    EXPECT_EQ(GetGValue(inner), 0);
    EXPECT_GT(GetBValue(inner), 0);
    ::ReleaseDC(form.hwnd(), dc);
}

TEST_F(Form1Test, UnloadReleasesTheWindowAndItsClass) {
    const HWND hwnd = Loaded().hwnd();
    WNDCLASSA wc{};
    EXPECT_TRUE(::GetClassInfoA(::GetModuleHandleA(nullptr), "EndNowNotice", &wc));
    notice.Unload();
    EXPECT_EQ(notice.Loaded(), nullptr);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(::GetClassInfoA(::GetModuleHandleA(nullptr), "EndNowNotice", &wc));
    // A later use makes a fresh one.
    notice.Show();
    ASSERT_NE(notice.Loaded(), nullptr);
    EXPECT_TRUE(::IsWindow(notice.Loaded()->hwnd()));
}

}  // namespace

namespace {

TEST(Form1FallbackTest, WithoutFontOrImageTheNoticeShowsPlainBackgroundAndSystemFontText) {
    ReportingApi api;
    window::Form1Notice notice(api, ::GetModuleHandleA(nullptr), {&::GetDC, &NoFont, &NoBitmap, &NoMemoryDC});
    notice.SetStatusCaption(L"ShutDown !");
    notice.Show();
    notice.Refresh();
    window::Form1& form = *notice.Loaded();
    EXPECT_GT(form.Label2().width, 0);  // measured in the system font

    HDC dc = ::GetDC(form.hwnd());
    const int w = form.layout().clientWidth, h = form.layout().clientHeight;
    EXPECT_EQ(::GetPixel(dc, w - 1, h - 1), window::kBackground);  // no bands
    int white = 0;
    for (int x = 0; x < w / 2; ++x)
        for (int y = 0; y < h / 3; ++y) white += ::GetPixel(dc, x, y) == RGB(255, 255, 255);
    EXPECT_GT(white, 20);  // "Windows will now" is still written
    ::ReleaseDC(form.hwnd(), dc);
}

TEST(Form1FallbackTest, AWindowWithoutADisplayContextRaisesErrorSeven) {
    ReportingApi api;
    window::Form1Notice notice(api, ::GetModuleHandleA(nullptr), {&NoWindowDC, &::CreateFontA,
                                                                   &::CreateCompatibleBitmap, &::CreateCompatibleDC});
    const mShutDown::ErrorRecord record = RaisedBy([&] { notice.Show(); });
    EXPECT_EQ(record.Number, 7);
    EXPECT_EQ(record.Description,
              "Can't create the notice window: " + mShutDown::GetSystemErrorText(api, ERROR_NOT_ENOUGH_MEMORY));
}

}  // namespace
