#include "window/Form1.h"

#include "power/VersionInfo.h"
#include "window/NoticeError.h"

namespace window {

namespace {

constexpr char kClassName[] = "EndNowNotice";
// No caption, window menu or buttons, and no frame of the system's: on Windows 10 and 11 the
// compositor draws a light strip along the top of a sizing frame without a caption, and Vista and
// 7 draw glass there, so the notice draws its frame itself (WM_NCCALCSIZE, WM_NCPAINT). Topmost:
// a window that comes to the front during its second, or a start that did not get the
// foreground, must not hide it. No taskbar button for a notice that is gone a second later.
constexpr DWORD kStyle = WS_POPUP;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

// The classic raised edge in the system's 3D colours, as on every release from 95 on: light and
// white along the top and left, black and dark grey along the bottom and right, the face colour
// between it and the inner area.
void DrawFrame(HWND hwnd, const Layout::NoticeLayout& l) {
    WindowDC dc(hwnd, ::GetWindowDC(hwnd));
    if (!dc.get()) return;
    RECT frame{0, 0, l.windowWidth(), l.windowHeight()};
    ::ExcludeClipRect(dc.get(), l.frameX, l.frameY, frame.right - l.frameX,
                      frame.bottom - l.frameY);
    ::FillRect(dc.get(), &frame, ::GetSysColorBrush(COLOR_3DFACE));
    ::DrawEdge(dc.get(), &frame, EDGE_RAISED, BF_RECT);
}

// Windows 11 rounds the corners of some windows, which would cut the corners off the frame the
// notice draws itself; its rules do not say whether they take in this one, so it asks for square
// corners (DWMWA_WINDOW_CORNER_PREFERENCE, DWMWCP_DONOTROUND). Only Vista on has dwmapi, and
// only 11 knows the attribute; anywhere else the request fails, and that changes nothing.
void AskForSquareCorners(win::WinApi& api, HWND hwnd) {
    constexpr DWORD kCornerPreference = 33;
    constexpr DWORD kDoNotRound = 1;
    if (VersionInfo::IsVistaOrLater(api))
        api.DwmSetWindowAttribute(hwnd, kCornerPreference, &kDoNotRound, sizeof kDoNotRound);
}

void DrawLabel(HDC dc, const Layout::Box& box, const std::wstring& text) {
    // Not clipped to the box: an italic's overhang stays visible.
    ::ExtTextOutW(dc, box.left, box.top, 0, nullptr, text.data(), static_cast<UINT>(text.size()),
                  nullptr);
}

// The painter's target: the window's own measurements, drawing into its kept image.
class ImageSurface final : public Gradient::Surface {
public:
    ImageSurface(win::WinApi& api, Form1& form, HDC windowDC, HDC imageDC)
        : api_(api), form_(form), windowDC_(windowDC), imageDC_(imageDC) {}

    int GetDeviceCaps(int index) override { return ::GetDeviceCaps(windowDC_, index); }
    Gradient::Brush CreateSolidBrush(std::uint32_t color) override {
        return ::CreateSolidBrush(color);
    }
    int FillRect(const Gradient::Rect& r, Gradient::Brush brush) override {
        // Bands past the window's edge come as inverted rectangles. GDI would
        // flip them and paint a line at the origin over the finished bands;
        // they hold nothing to paint.
        if (r.right <= r.left || r.bottom <= r.top) return 1;
        const RECT rect{r.left, r.top, r.right, r.bottom};
        return ::FillRect(imageDC_, &rect, static_cast<HBRUSH>(brush));
    }
    int DeleteObject(Gradient::Brush brush) override {
        return ::DeleteObject(static_cast<HBRUSH>(brush));
    }
    std::int32_t InnerWidth() override { return Client().right; }
    std::int32_t InnerHeight() override { return Client().bottom; }
    void SetBackColor(std::uint32_t color) override { form_.SetBackColor(color); }
    // The bands are painted while the window is still hidden: nothing is on
    // screen to bring up to date, and the first repaint shows the kept image.
    // (Wine spends 5-7 ms invalidating a window never shown.)
    void Refresh() override {
        if (::IsWindowVisible(form_.hwnd())) form_.Refresh();
    }

private:
    RECT Client() {
        RECT rect{};
        if (!::GetClientRect(form_.hwnd(), &rect)) form_.NoWindow();
        return rect;
    }

    win::WinApi& api_;
    Form1& form_;
    HDC windowDC_;
    HDC imageDC_;
};

}  // namespace

Form1::Form1(win::WinApi& api, HINSTANCE instance, const DrawingCalls& calls, bool seen)
    : api_(api),
      instance_(instance),
      calls_(calls),
      seen_(seen),
      class_(instance, kClassName, &Form1::WindowProc,
             ::LoadIconA(instance, MAKEINTRESOURCEA(kIconId)), kBackground) {
    if (MeasureScreen() && (class_.registered() || NoWindow()) && Create()) Load();
}

bool Form1::NoWindow() {
    if (seen_) RaiseNoWindow(api_);
    failed_ = true;
    return false;
}

bool Form1::MeasureScreen() {
    WindowDC screen(nullptr, calls_.getDC(nullptr));
    if (!screen.get()) return NoWindow();
    layout_ = Layout::ForDpi(::GetDeviceCaps(screen.get(), LOGPIXELSX),
                             ::GetDeviceCaps(screen.get(), LOGPIXELSY));
    label2_ = layout_.label2;
    return true;
}

bool Form1::Create() {
    const int width = layout_.windowWidth(), height = layout_.windowHeight();
    const Layout::Point at = Layout::Centred(::GetSystemMetrics(SM_CXSCREEN),
                                             ::GetSystemMetrics(SM_CYSCREEN), width, height);
    // Hidden until Show; WindowProc takes hold of the handle on WM_NCCREATE.
    if (!::CreateWindowExA(kExStyle, class_.name(), "", kStyle, at.x, at.y, width, height, nullptr,
                           nullptr, instance_, this))
        return NoWindow();
    AskForSquareCorners(api_, hwnd());
    return true;
}

// The load handler: the bands go into the kept image while the window is hidden.
void Form1::Load() {
    WindowDC windowDC(hwnd(), calls_.getDC(hwnd()));
    if (!windowDC.get()) {
        NoWindow();
        return;
    }
    font_ = Font(calls_.createFont(layout_.fontHeight, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE,
                                   ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | kFontFamily, kFontFace));
    image_ = Bitmap(calls_.createBitmap(windowDC.get(), layout_.clientWidth, layout_.clientHeight));
    imageDC_ = MemoryDC(calls_.createMemoryDC(windowDC.get()));
    imageSelected_.emplace(imageDC_.get(), image_.get());
    // Without either there is no image to keep; the bands go nowhere (the
    // painter ignores failed fills) and the background shows instead.
    ImageSurface surface(api_, *this, windowDC.get(), imageDC_.get());
    Gradient::PaintGradient(api_, surface, painter_, Gradient::FromBottomRight);
}

void Form1::SetStatusCaption(const std::wstring& caption) {
    SIZE extent{};
    {
        WindowDC dc(hwnd(), calls_.getDC(hwnd()));
        if (!dc.get()) {
            NoWindow();
            return;
        }
        Selection font(dc.get(), font_.get());
        ::GetTextExtentPoint32W(dc.get(), caption.data(), static_cast<int>(caption.size()),
                                &extent);
    }
    // The old and new places both need repainting.
    RECT old{label2_.left, label2_.top, label2_.right(), label2_.bottom()};
    ::InvalidateRect(hwnd(), &old, TRUE);
    caption_ = caption;
    label2_ = Layout::StatusLabel(layout_, extent.cx, extent.cy);
    RECT now{label2_.left, label2_.top, label2_.right(), label2_.bottom()};
    ::InvalidateRect(hwnd(), &now, TRUE);
}

void Form1::Show() { ::ShowWindow(hwnd(), SW_SHOWNORMAL); }

void Form1::Refresh() {
    ::RedrawWindow(hwnd(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    ::GdiFlush();
}

void Form1::Paint() {
    PaintSession paint(hwnd());
    const HDC dc = paint.dc();
    if (!dc) return;
    if (image_ && imageDC_)
        ::BitBlt(dc, 0, 0, layout_.clientWidth, layout_.clientHeight, imageDC_.get(), 0, 0,
                 SRCCOPY);
    Selection font(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kTextColor);
    DrawLabel(dc, layout_.label1, kLabel1Caption);
    DrawLabel(dc, label2_, caption_);
}

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_.Adopt(hwnd);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    return self->HandleMessage(hwnd, message, wParam, lParam);
}

LRESULT Form1::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_NCCALCSIZE: {
            // The inner area, inside the frame: the first of the rectangles either form of
            // lParam points to.
            RECT& inner = *reinterpret_cast<RECT*>(lParam);
            inner.left += layout_.frameX;
            inner.top += layout_.frameY;
            inner.right -= layout_.frameX;
            inner.bottom -= layout_.frameY;
            return 0;
        }
        case WM_NCPAINT:
            DrawFrame(hwnd, layout_);
            return 0;
        case WM_CLOSE:
            return 0;  // only the program takes its notice down
        case WM_NCDESTROY:
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            window_.Forget();
            return ::DefWindowProcA(hwnd, message, wParam, lParam);
        default:
            return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace window
