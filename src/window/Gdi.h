// Owners for the GDI and window objects the notice uses: each releases its
// object in exactly one place, whatever path leaves the scope. Windows only.
#pragma once

#include <windows.h>

#include <utility>

namespace window {

// A GDI object or DC, handed to Release when it goes.
template <typename T, auto Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(T object) : object_(object) {}
    Owned(Owned&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    // The object held until now goes at once, not with the moved-from owner.
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            if (object_) Release(object_);
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ~Owned() {
        if (object_) Release(object_);
    }
    T get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T object_ = nullptr;
};

using Brush = Owned<HBRUSH, ::DeleteObject>;
using Font = Owned<HFONT, ::DeleteObject>;
using Bitmap = Owned<HBITMAP, ::DeleteObject>;
using MemoryDC = Owned<HDC, ::DeleteDC>;  // from CreateCompatibleDC

// A window's DC (from GetDC or GetWindowDC, or null when that failed), handed back with ReleaseDC.
class WindowDC {
public:
    WindowDC(HWND hwnd, HDC dc) : hwnd_(hwnd), dc_(dc) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// An object selected into a DC for a scope; the previous one goes back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint to EndPaint; a BeginPaint that failed gives no DC and has nothing to end.
class PaintSession {
public:
    explicit PaintSession(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
    ~PaintSession() {
        if (dc_) ::EndPaint(hwnd_, &ps_);
    }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A window: DestroyWindow when it goes, unless Windows destroyed it first.
class OwnedWindow {
public:
    OwnedWindow() = default;
    ~OwnedWindow() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
    void Adopt(HWND hwnd) { hwnd_ = hwnd; }
    void Forget() { hwnd_ = nullptr; }  // on WM_NCDESTROY
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// A registered window class with its background brush, unregistered when it goes.
class WindowClass {
public:
    WindowClass(HINSTANCE instance, const char* name, WNDPROC proc, HICON icon, COLORREF background)
        : instance_(instance), name_(name), background_(::CreateSolidBrush(background)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = background_.get();
        wc.lpszClassName = name;
        atom_ = ::RegisterClassA(&wc);
    }
    ~WindowClass() {
        if (atom_) ::UnregisterClassA(name_, instance_);
    }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    bool registered() const { return atom_ != 0; }
    const char* name() const { return name_; }
    // A new background for the class's windows; the old brush goes once unused.
    void SetBackground(HWND hwnd, COLORREF color) {
        Brush brush(::CreateSolidBrush(color));
        ::SetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush.get()));
        std::swap(background_, brush);
    }

private:
    HINSTANCE instance_;
    const char* name_;
    Brush background_;
    ATOM atom_ = 0;
};

}  // namespace window
