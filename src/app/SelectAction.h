// The one decision the program makes: which exit flags, which word to show.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "power/ShutDown.h"

namespace mShutDown {

struct ActionChoice {
    std::int32_t ExitFlags = EWX_LOGOFF;
    std::optional<std::wstring> StatusCaption;  // absent: the status label stays empty
};

// The flags for a shut-down request on the running release.
std::int32_t ShutdownFlags(win::WinApi& api);

// Reads the last command-line token and applies the rules, first match wins:
// none restarts, L/l logs off, S/s/P/p shuts down, anything else logs off silently.
ActionChoice SelectAction(win::WinApi& api);

}  // namespace mShutDown
