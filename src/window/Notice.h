// The notice as the run sequence uses it, in the order it uses it. The real
// one is the window Form1; tests use a recording stand-in.
#pragma once

#include <string>

namespace window {

class Notice {
public:
    virtual ~Notice() = default;
    // Before its first use: no one can see it, so a window that cannot be made is no error.
    virtual void WhereNoOneSees() = 0;
    // The first use of any of these creates and loads the window.
    virtual void SetStatusCaption(const std::wstring& caption) = 0;
    virtual void Show() = 0;     // non-modal, no owner, centred
    virtual void Refresh() = 0;  // fully drawn before it returns
    virtual void Unload() = 0;   // window, class and drawing objects released
};

}  // namespace window
