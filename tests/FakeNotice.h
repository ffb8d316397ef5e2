// A stand-in for the notice window that writes its calls into the fake
// Windows' call log, so the order of notice and system calls can be checked.
#pragma once

#include <optional>
#include <string>

#include "FakeWinApi.h"
#include "power/ShutDown.h"
#include "window/Notice.h"

class FakeNotice : public window::Notice {
public:
    explicit FakeNotice(FakeWinApi& api) : api_(api) {}

    // The first use raises this error, as a failing load would.
    std::optional<mShutDown::ErrorRecord> loadFails;
    std::optional<std::wstring> caption;
    bool loaded = false;

    void SetStatusCaption(const std::wstring& text) override {
        Use("SetStatusCaption");
        caption = text;
    }
    void Show() override { Use("Show"); }
    void Refresh() override { Use("Refresh"); }
    void Unload() override {
        api_.calls.push_back("Unload");
        loaded = false;
    }

private:
    void Use(const std::string& call) {
        api_.calls.push_back(call);
        if (!loaded && loadFails) throw Raised{*loadFails};
        loaded = true;
    }
    FakeWinApi& api_;
};
