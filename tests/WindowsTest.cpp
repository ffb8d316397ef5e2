// Against the real system, under Wine: what the fake assumes about Windows,
// and the notice window's behaviour where a screenshot cannot show it.
// Before <windows.h>, whose EWX_ macros would clash with its constants.
#include "power/ShutDown.h"

#include <windows.h>

#include "FakeWinApi.h"
#include "power/VersionInfo.h"
#include "power/WinApiReal.h"
#include "window/Form1.h"

namespace {

// The real system, with a reporter that throws instead of ending the process.
class ReportingApi : public win::RealWinApi {
public:
    using RealWinApi::RealWinApi;
    [[noreturn]] void ReportAndExit(const mShutDown::ErrorRecord& error) override { throw Raised{error}; }
};

std::string SystemText(DWORD code) {
    char text[256] = {};
    return std::string(text, ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 256, nullptr));
}

TEST(RealSystemTest, AnswersAsTheFakeAssumes) {
    ReportingApi api;
    EXPECT_EQ(mShutDown::GetSystemErrorText(api, 5), SystemText(5));
    EXPECT_EQ(SystemText(5).substr(SystemText(5).size() - 2), "\r\n");
    EXPECT_EQ(mShutDown::GetSystemErrorText(api, 0x2A5F1), "");
    EXPECT_EQ(mShutDown::ProgramName(api.ModuleFileName()), "endnow_tests");
    EXPECT_EQ(std::wstring(api.ModuleFileNameW()), std::wstring(api.ModuleFileName().begin(), api.ModuleFileName().end()));
    win::OsVersionInfoA info;
    EXPECT_EQ(VersionInfo::QueryVersion(api, info), 1);
    win::Luid luid{};
    EXPECT_EQ(api.LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", luid), 0);
    EXPECT_EQ(api.GetLastError(), 1313u);  // ERROR_NO_SUCH_PRIVILEGE
    EXPECT_TRUE(mShutDown::EnableShutdownPrivilege(api));
}

TEST(RealSystemTest, SecurityCallsThatCannotBeBoundFailWithProcNotFound) {
    ReportingApi api("no-such-advapi32.dll");
    const mShutDown::ErrorRecord record = RaisedBy([&] { mShutDown::EnableShutdownPrivilege(api); });
    EXPECT_EQ(record.Number, mShutDown::ErrNoPrivilegeValue);
    EXPECT_EQ(record.Description, "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [" +
                                      SystemText(ERROR_PROC_NOT_FOUND) + "]");
}

HFONT WINAPI NoFont(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, LPCSTR) {
    return nullptr;
}
HBITMAP WINAPI NoBitmap(HDC, int, int) { return nullptr; }
HDC WINAPI NoMemoryDC(HDC) { return nullptr; }
HDC WINAPI NoWindowDC(HWND hwnd) {  // the screen's DC is there; the window's is not
    if (!hwnd) return ::GetDC(hwnd);
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST(NoticeWindowTest, HiddenUntilShownNoCaptionOrButtonsDoesNotResizeOrCloseAndUnloadsWhole) {
    ReportingApi api;
    window::Form1Notice notice(api, ::GetModuleHandleA(nullptr));
    notice.SetStatusCaption(L"ReBoot !");
    const HWND hwnd = notice.Loaded()->hwnd();
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    notice.Show();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetWindowLongA(hwnd, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_THICKFRAME);
    EXPECT_NE(::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);  // no taskbar button
    EXPECT_NE(::GetClassLongPtrA(hwnd, GCLP_HICON), 0);
    RECT frame{};
    ::GetWindowRect(hwnd, &frame);
    for (LPARAM edge : {MAKELPARAM(frame.left + 1, frame.top + 40), MAKELPARAM(frame.right - 1, frame.bottom - 1)})
        EXPECT_EQ(::SendMessageA(hwnd, WM_NCHITTEST, 0, edge), HTBORDER);
    ::SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(hwnd));

    notice.Unload();
    WNDCLASSA wc{};
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(::GetClassInfoA(::GetModuleHandleA(nullptr), "EndNowNotice", &wc));
    notice.Show();  // a later use makes a fresh one
    EXPECT_TRUE(::IsWindowVisible(notice.Loaded()->hwnd()));
}

TEST(NoticeWindowTest, WithoutFontOrImageShowsPlainBackgroundAndSystemFontText) {
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

TEST(NoticeWindowTest, AWindowWithoutADisplayContextRaisesErrorSeven) {
    ReportingApi api;
    window::Form1Notice notice(api, ::GetModuleHandleA(nullptr),
                               {&NoWindowDC, &::CreateFontA, &::CreateCompatibleBitmap, &::CreateCompatibleDC});
    const mShutDown::ErrorRecord record = RaisedBy([&] { notice.Show(); });
    EXPECT_EQ(record.Number, 7);
    EXPECT_EQ(record.Description, "Can't create the notice window: " + SystemText(ERROR_NOT_ENOUGH_MEMORY));
}

}  // namespace
