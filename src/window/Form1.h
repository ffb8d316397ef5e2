// The notice window: "Windows will now" above the action, white on banded
// dark blue, without a title bar. Windows only.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "power/WinApi.h"
#include "window/Gdi.h"
#include "window/Gradient.h"
#include "window/Layout.h"
#include "window/Notice.h"

namespace window {

inline constexpr COLORREF kBackground = 0x00620001;  // red 1, green 0, blue 98
inline constexpr COLORREF kTextColor = 0x00FFFFFF;
inline constexpr wchar_t kLabel1Caption[] = L"Windows will now";
inline constexpr char kFontFace[] = "Comic Sans MS";
// Where the face is missing (the first Windows 95, without Plus! or Internet Explorer 3), the
// font mapper picks a sans-serif face of the family, not whichever font it looks at first.
inline constexpr BYTE kFontFamily = FF_SWISS;
inline constexpr int kIconId = 1;

// The calls that make the notice's drawing objects, replaceable in tests.
// A failed GetDC ends the run (error 7 with the system's text, like any other
// window failure). A failed font, bitmap or memory DC is not worth failing a
// shutdown for: the text falls back to the system font, and without its kept
// image the notice shows its plain dark blue background; the request goes on.
struct DrawingCalls {
    decltype(&::GetDC) getDC = &::GetDC;
    decltype(&::CreateFontA) createFont = &::CreateFontA;
    decltype(&::CreateCompatibleBitmap) createBitmap = &::CreateCompatibleBitmap;
    decltype(&::CreateCompatibleDC) createMemoryDC = &::CreateCompatibleDC;
};

// Created hidden and loaded (its bands painted into a kept image) by the
// constructor; destroyed with its class and drawing objects by the destructor.
// Where no one can see it (seen false), a window or DC that cannot be had
// raises nothing: the form is failed(), and its owner lets it go.
class Form1 {
public:
    Form1(win::WinApi& api, HINSTANCE instance, const DrawingCalls& calls = {}, bool seen = true);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    void SetStatusCaption(const std::wstring& caption);
    void Show();
    void Refresh();

    HWND hwnd() const { return window_.get(); }
    const Layout::NoticeLayout& layout() const { return layout_; }
    Layout::Box Label2() const { return label2_; }
    const Gradient::PainterState& painter() const { return painter_; }
    HDC imageDC() const { return imageDC_.get(); }
    void SetBackColor(COLORREF color) { class_.SetBackground(hwnd(), color); }
    bool failed() const { return failed_; }
    // Error 7 where the notice can be seen; elsewhere the form is failed. False, for chaining.
    bool NoWindow();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool MeasureScreen();
    bool Create();
    void Load();
    void Paint();

    win::WinApi& api_;
    HINSTANCE instance_;
    DrawingCalls calls_;
    bool seen_;
    bool failed_ = false;
    Layout::NoticeLayout layout_{};
    WindowClass class_;
    Font font_;
    Bitmap image_;  // what the painter drew, shown by every repaint
    MemoryDC imageDC_;
    std::optional<Selection> imageSelected_;
    Gradient::PainterState painter_;
    std::wstring caption_;
    Layout::Box label2_{};
    // Last, so destroyed first: its last messages still find everything above.
    OwnedWindow window_;
};

// The notice as the run sequence sees it: Form1 made on first use, released by Unload. Where
// no one can see it, a form that failed is let go, and the rest of the run goes on without it.
class Form1Notice final : public Notice {
public:
    Form1Notice(win::WinApi& api, HINSTANCE instance, const DrawingCalls& calls = {})
        : api_(api), instance_(instance), calls_(calls) {}

    void WhereNoOneSees() override { seen_ = false; }
    void SetStatusCaption(const std::wstring& caption) override {
        Use([&](Form1& form) { form.SetStatusCaption(caption); });
    }
    void Show() override {
        Use([](Form1& form) { form.Show(); });
    }
    void Refresh() override {
        Use([](Form1& form) { form.Refresh(); });
    }
    void Unload() override { form_.reset(); }

    Form1* Loaded() const { return form_.get(); }

private:
    template <typename Step>
    void Use(Step step) {
        if (!form_ && !given_up_) form_ = std::make_unique<Form1>(api_, instance_, calls_, seen_);
        if (form_ && !form_->failed()) step(*form_);
        if (form_ && form_->failed()) {
            form_.reset();
            given_up_ = true;
        }
    }

    win::WinApi& api_;
    HINSTANCE instance_;
    DrawingCalls calls_;
    bool seen_ = true;
    bool given_up_ = false;
    std::unique_ptr<Form1> form_;
};

}  // namespace window
